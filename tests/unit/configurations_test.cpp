#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "core/ini.h"
#include "post/configurations.h"

namespace tibrel {
namespace {

TEST(Configurations, SharedAcrossDialogsWithEachDialogsOwnKeys) {
  IniFile file;
  ConfigurationFields pocket = DefaultConfigurationFields(OperationDialog::Pocket);
  pocket["RoughDiameter"] = "6";
  pocket["Finish"] = "Islands";
  pocket["Entry"] = "Arc";
  ASSERT_TRUE(SaveConfiguration(file, "Alu", OperationDialog::Pocket, pocket));
  EXPECT_EQ(ConfigurationNames(file), std::vector<std::string>{"Alu"});
  // Loaded in the contour dialog: the shared keys, and the contour-only
  // compensation at its default.
  ConfigurationFields contour;
  ASSERT_TRUE(LoadConfiguration(file, "alu", OperationDialog::Contour, contour));
  EXPECT_EQ(contour["RoughDiameter"], "6");
  EXPECT_EQ(contour["Entry"], "Arc");
  EXPECT_EQ(contour["Compensation"], "None");
  EXPECT_EQ(contour.count("Finish"), 0u);
  // A contour save into the same section keeps the pocket's keys.
  contour["Compensation"] = "Left";
  SaveConfiguration(file, "Alu", OperationDialog::Contour, contour);
  ConfigurationFields again;
  LoadConfiguration(file, "Alu", OperationDialog::Pocket, again);
  EXPECT_EQ(again["Finish"], "Islands");
  // The board dialog always writes Cutout, which the contour dialog reads.
  SaveConfiguration(file, "Board", OperationDialog::PcBoard, DefaultConfigurationFields(OperationDialog::PcBoard));
  LoadConfiguration(file, "Board", OperationDialog::Contour, contour);
  EXPECT_EQ(contour["Compensation"], "Cutout");
}

TEST(Configurations, ChoicesNeedTheirExactWords) {
  const IniFile file = IniFile::Parse(
      "[A]\nEntry=0\nExit=none\nFinish=Boundaries\nFinishPass=true\nLinear=True\nCompensation=cut\n[B]\n");
  ConfigurationFields p, d, c;
  LoadConfiguration(file, "A", OperationDialog::Pocket, p);
  EXPECT_EQ(p["Entry"], "Tangent");
  EXPECT_EQ(p["Exit"], "Tangent");
  EXPECT_EQ(p["Finish"], "Boundaries");
  EXPECT_EQ(p["FinishPass"], "False");
  LoadConfiguration(file, "A", OperationDialog::Drill, d);
  EXPECT_EQ(d["Linear"], "True");
  LoadConfiguration(file, "A", OperationDialog::Contour, c);
  EXPECT_EQ(c["Compensation"], "Cutout");
  // An empty section gives every default.
  LoadConfiguration(file, "B", OperationDialog::Pocket, p);
  EXPECT_EQ(p, DefaultConfigurationFields(OperationDialog::Pocket));
}

TEST(Configurations, UnusableNamesAndFilesRoundTrip) {
  IniFile file;
  EXPECT_FALSE(SaveConfiguration(file, "None", OperationDialog::Drill, {}));
  EXPECT_FALSE(SaveConfiguration(file, "", OperationDialog::Drill, {}));
  EXPECT_TRUE(file.Sections().empty());
  const auto dir = std::filesystem::temp_directory_path() / ("tibrel_cfg_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "Configurations.cfg").string();
  ConfigurationFields f;
  EXPECT_FALSE(LoadConfigurationFile(path, "LAST", OperationDialog::Drill, f));  // no file: nothing
  EXPECT_TRUE(f.empty());
  ConfigurationFields drill = DefaultConfigurationFields(OperationDialog::Drill);
  drill["Linear"] = "True";
  drill["RoughPlunge"] = "120,5";
  ASSERT_TRUE(SaveConfigurationFile(path, LastConfiguration, OperationDialog::Drill, drill));
  ASSERT_TRUE(LoadConfigurationFile(path, LastConfiguration, OperationDialog::Drill, f));
  EXPECT_EQ(f, drill);
  EXPECT_TRUE(DeleteConfigurationFile(path, LastConfiguration));
  EXPECT_TRUE(ConfigurationNames(IniFile::Load(path)).empty());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tibrel
