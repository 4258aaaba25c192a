#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "core/ini.h"
#include "core/numbers.h"

namespace tibrel {
namespace {

const char* const Sample =
    "; settings\n"
    "[Options]\n"
    "Dir = 1 \n"
    "Post=\"Default\"\n"
    "Colour=0x00FF00\n"
    "Unknown=kept\n"
    "\n"
    "[options2]\n"
    "a=1\n";

TEST(Ini, ReadsWithoutRegardToCase) {
  const IniFile f = IniFile::Parse(Sample);
  EXPECT_EQ(f.ReadString("OPTIONS", "dir", "x"), "1");
  EXPECT_EQ(f.ReadString("options", "POST", "x"), "Default");
  EXPECT_EQ(f.ReadInteger("Options", "Colour", 0), 0x00FF00);
  EXPECT_TRUE(f.ReadBool("Options", "Dir", false));
  EXPECT_EQ(f.ReadInteger("Options", "Post", 7), 7);  // not a number
  EXPECT_EQ(f.ReadString("Options", "Missing", "fallback"), "fallback");
  EXPECT_EQ(f.Sections(), (std::vector<std::string>{"Options", "options2"}));
  EXPECT_EQ(f.Keys("options").size(), 4u);
}

TEST(Ini, WritesKeepEverythingElse) {
  IniFile f = IniFile::Parse(Sample);
  f.Write("OPTIONS", "dir", "0");
  f.Write("Options", "New", "v");
  f.Write("Fresh", "k", "line\nbreak");
  f.DeleteKey("options2", "A");
  const IniFile g = IniFile::Parse(f.Text());
  EXPECT_EQ(g.ReadString("Options", "Dir", ""), "0");
  EXPECT_EQ(g.ReadString("Options", "Unknown", ""), "kept");
  EXPECT_EQ(g.ReadString("Options", "New", ""), "v");
  EXPECT_EQ(g.ReadString("Fresh", "k", ""), "line break");
  EXPECT_FALSE(g.Read("options2", "a"));
  EXPECT_NE(f.Text().find("; settings\n[Options]\nDir=0\n"), std::string::npos);  // spelling and place kept
  f.EraseSection("options");
  EXPECT_FALSE(f.HasSection("Options"));
  EXPECT_TRUE(f.HasSection("options2"));
}

TEST(Ini, LongValuesAreCutAndFloatsUseTheDecimalCharacter) {
  IniFile f;
  f.Write("S", "long", std::string(3000, 'x'));
  f.Write("S", "f", "1,5");
  EXPECT_EQ(f.ReadString("S", "long", "").size(), MaxProfileValueLength);
  EXPECT_EQ(f.ReadFloat("S", "f", -1), -1);
  SetDecimalCharacter(',');
  EXPECT_EQ(f.ReadFloat("S", "f", -1), 1.5);
  SetDecimalCharacter('.');
}

TEST(Ini, SaveReplacesTheFileWhole) {
  const std::string dir = testing::TempDir() + "/ini_save";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/Options.cfg";
  IniFile f = IniFile::Load(path);  // missing: empty
  f.Write("Options", "Post", "Default");
  f.Save(path);
  EXPECT_EQ(IniFile::Load(path).ReadString("Options", "Post", ""), "Default");
  // A folder that cannot be written leaves the old file alone and says which.
  std::filesystem::permissions(dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (getuid() != 0) {
    f.Write("Options", "Post", "Other");
    EXPECT_THROW(f.Save(path), std::runtime_error);
    EXPECT_EQ(IniFile::Load(path).ReadString("Options", "Post", ""), "Default");
  }
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
  for (const auto& e : std::filesystem::directory_iterator(dir)) EXPECT_EQ(e.path().filename(), "Options.cfg");
}

}  // namespace
}  // namespace tibrel
