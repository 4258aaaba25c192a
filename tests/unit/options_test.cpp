#include <gtest/gtest.h>

#include "core/ini.h"
#include "core/numbers.h"
#include "post/options.h"

namespace tibrel {
namespace {

TEST(Options, WithoutTheSectionTheStartValuesStay) {
  TTBSettings s;
  ReadOptions(IniFile::Parse("[Other]\nPost=X\n"), s);
  EXPECT_EQ(s.Options.Post, "Varnix");
  EXPECT_FALSE(s.Options.PocketDir);
  EXPECT_TRUE(s.Options.Trace);
}

TEST(Options, MissingKeysTakeTheFileDefaults) {
  TTBSettings s;
  ReadOptions(IniFile::Parse("[Options]\nOverlap=33\nBack=0x00FF00\nFix=1\n"), s);
  EXPECT_EQ(s.Options.Post, "Default");
  EXPECT_TRUE(s.Options.PocketDir);
  EXPECT_TRUE(s.Options.Dir);
  EXPECT_FALSE(s.Options.Trace);
  EXPECT_TRUE(s.Options.Fix);
  EXPECT_DOUBLE_EQ(s.Options.Overlap, 0.33);
  EXPECT_DOUBLE_EQ(s.Options.StlOverlap, 0.5);
  EXPECT_EQ(s.View.Background, 0x00FF00);
  EXPECT_EQ(s.View.SelectedIsland, 255);
  EXPECT_TRUE(s.View.ShowBoundaries);
  EXPECT_EQ(s.Options.FontPrecision, 8);
}

TEST(Options, WrittenOptionsReadBackAndKeepTheRestOfTheFile) {
  TTBSettings s;
  s.Options.Overlap = 0.33;
  s.Options.Post = "GRBL";
  s.View.GridSize = 0.25;
  s.Rough.MinArcRadius = 0.5;
  IniFile f = IniFile::Parse("; mine\n[Options]\nUnknown=stays\n");
  WriteOptions(f, s);
  EXPECT_EQ(f.ReadString("Options", "Overlap", ""), "33");
  EXPECT_EQ(f.ReadString("Options", "Unknown", ""), "stays");
  EXPECT_EQ(f.ReadString("Options", "JoinTolerence", ""), "0.0005");
  TTBSettings back;
  ReadOptions(IniFile::Parse(f.Text()), back);
  EXPECT_EQ(back.Options.Post, "GRBL");
  EXPECT_DOUBLE_EQ(back.Options.Overlap, 0.33);
  EXPECT_DOUBLE_EQ(back.View.GridSize, 0.25);
  EXPECT_DOUBLE_EQ(back.Rough.MinArcRadius, 0.5);
}

// The curve tolerance: files older than the key, and values that are no
// length, give 0.001; a written value reads back.
TEST(Options, CurveToleranceHasItsDefaultAndReadsBack) {
  for (const char* text : {"[Options]\nPost=Default\n", "[Options]\nCurveTolerance=0\n",
                           "[Options]\nCurveTolerance=-1\n", "[Options]\nCurveTolerance=fine\n"}) {
    TTBSettings s;
    s.Options.CurveTolerance = 7;
    ReadOptions(IniFile::Parse(text), s);
    EXPECT_DOUBLE_EQ(s.Options.CurveTolerance, 0.001) << text;
  }
  TTBSettings s;
  EXPECT_DOUBLE_EQ(s.Options.CurveTolerance, 0.001);
  s.Options.CurveTolerance = 0.0025;
  IniFile f;
  WriteOptions(f, s);
  EXPECT_EQ(f.ReadString("Options", "CurveTolerance", ""), "0.0025");
  TTBSettings back;
  ReadOptions(IniFile::Parse(f.Text()), back);
  EXPECT_DOUBLE_EQ(back.Options.CurveTolerance, 0.0025);
}

TEST(Options, CommaWrittenNumbersReadBeforeAnyPost) {
  TTBSettings s;
  s.View.GridSize = 0.5;
  IniFile f;
  SetDecimalCharacter(',');
  WriteOptions(f, s);
  SetDecimalCharacter('.');
  EXPECT_EQ(f.ReadString("Options", "GridSize", ""), "0,5");
  TTBSettings back;
  back.View.GridSize = 9;
  ReadOptions(IniFile::Parse(f.Text()), back);
  EXPECT_DOUBLE_EQ(back.View.GridSize, 0.5);
}

// The shipped options draw a selected boundary and the roughing rings
// around it in colours of their own, so the boundary stays visible.
TEST(Options, ShippedColoursTellBoundaryFromToolpath) {
  TTBSettings s;
  ReadOptions(IniFile::Load(TIBREL_SOURCE_DIR "/resources/Options.cfg"), s);
  EXPECT_EQ(s.Options.Post, "Default");
  const auto& v = s.View;
  for (auto c : {v.SelectedClosed, v.SelectedIsland, v.SelectedOpen, v.FinishToolpath, v.Background})
    EXPECT_NE(v.RoughToolpath, c);
}

}  // namespace
}  // namespace tibrel
