#include <gtest/gtest.h>

#include "core/ini.h"
#include "core/numbers.h"
#include "post/options.h"

namespace tibrel {
namespace {

// Without the section the start values stay; with it, missing keys take
// the file's defaults.
TEST(Options, MissingKeysTakeTheFileDefaults) {
  TTBSettings s;
  ReadOptions(IniFile::Parse("[Other]\nPost=X\n"), s);
  EXPECT_EQ(s.Options.Post, "Varnix");
  EXPECT_FALSE(s.Options.PocketDir);
  EXPECT_TRUE(s.Options.Trace);
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

// Files older than the curve tolerance and the units keys, and values that
// are no length or no unit, give 0.001 and millimetres.
TEST(Options, CurveToleranceAndUnitsHaveTheirDefaults) {
  const struct {
    const char* text;
    double tolerance;
    Units units;
  } cases[] = {
      {"[Options]\nPost=Default\n", 0.001, Units::Millimetre},
      {"[Options]\nCurveTolerance=0\nDefaultUnits=inch\n", 0.001, Units::Inch},
      {"[Options]\nCurveTolerance=-1\nDefaultUnits=INCH\n", 0.001, Units::Inch},
      {"[Options]\nCurveTolerance=fine\nDefaultUnits=feet\n", 0.001, Units::Millimetre},
      {"[Options]\nCurveTolerance=0.0025\nDefaultUnits=\n", 0.0025, Units::Millimetre},
      {"[Options]\nDefaultUnits=mm\n", 0.001, Units::Millimetre},
  };
  for (const auto& c : cases) {
    TTBSettings s;
    s.Options.CurveTolerance = 7;
    s.Options.DefaultUnits = c.units == Units::Inch ? Units::Millimetre : Units::Inch;
    ReadOptions(IniFile::Parse(c.text), s);
    EXPECT_DOUBLE_EQ(s.Options.CurveTolerance, c.tolerance) << c.text;
    EXPECT_EQ(s.Options.DefaultUnits, c.units) << c.text;
  }
}

TEST(Options, WrittenOptionsReadBackAndKeepTheRestOfTheFile) {
  TTBSettings s;
  s.Options.Overlap = 0.33;
  s.Options.Post = "GRBL";
  s.Options.CurveTolerance = 0.0025;
  s.Options.DefaultUnits = Units::Inch;
  s.View.GridSize = 0.25;
  s.Rough.MinArcRadius = 0.5;
  IniFile f = IniFile::Parse("; mine\n[Options]\nUnknown=stays\n");
  WriteOptions(f, s);
  EXPECT_EQ(f.ReadString("Options", "Overlap", ""), "33");
  EXPECT_EQ(f.ReadString("Options", "Unknown", ""), "stays");
  EXPECT_EQ(f.ReadString("Options", "JoinTolerence", ""), "0.0005");
  EXPECT_EQ(f.ReadString("Options", "CurveTolerance", ""), "0.0025");
  EXPECT_EQ(f.ReadString("Options", "DefaultUnits", ""), "inch");
  TTBSettings back;
  ReadOptions(IniFile::Parse(f.Text()), back);
  EXPECT_EQ(back.Options.Post, "GRBL");
  EXPECT_DOUBLE_EQ(back.Options.Overlap, 0.33);
  EXPECT_DOUBLE_EQ(back.Options.CurveTolerance, 0.0025);
  EXPECT_EQ(back.Options.DefaultUnits, Units::Inch);
  EXPECT_DOUBLE_EQ(back.View.GridSize, 0.25);
  EXPECT_DOUBLE_EQ(back.Rough.MinArcRadius, 0.5);
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
