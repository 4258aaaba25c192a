#include "post/options.h"

#include <cmath>

#include "core/numbers.h"
#include "geometry/tolerances.h"

namespace tibrel {

namespace {

const char* const Section = "Options";

// Numbers written under a comma post may be read before any post is loaded:
// both the point and the comma are taken.
double ReadNumber(const IniFile& f, const char* key, double fallback) {
  const auto v = f.Read(Section, key);
  if (!v) return fallback;
  std::string t = *v;
  for (auto& c : t)
    if (c == ',' || c == '.') c = DecimalCharacter();
  double out = 0;
  return TextToFloat(t, out) ? out : fallback;
}

int32_t Int(const IniFile& f, const char* key, long fallback) {
  return static_cast<int32_t>(f.ReadInteger(Section, key, fallback));
}

std::string Number(double v) { return FormatNumber("%g", v); }

}  // namespace

void ReadOptions(const IniFile& f, TTBSettings& s) {
  if (!f.HasSection(Section)) return;
  TTBViewSettings& v = s.View;
  v.SelectedClosed = Int(f, "Closed", 16711680);
  v.SelectedIsland = Int(f, "Island", 255);
  v.SelectedOpen = Int(f, "Open", 32768);
  v.RoughToolpath = Int(f, "RTool", 16711680);
  v.FinishToolpath = Int(f, "FTool", 0);
  v.UnselectedOpen = Int(f, "UnOpen", 0);
  v.UnselectedClosed = Int(f, "UnClosed", 0);
  v.Background = Int(f, "Back", 16777215);
  TTBEditorColours& e = s.Editor;
  e.CommandColor = Int(f, "CommandColor", 16711680);
  e.AddressColor = Int(f, "AddressColor", 0);
  e.CommentColor = Int(f, "CommentColor", 16711680);
  e.CommandStyle = Int(f, "CommandStyle", 0);
  e.AddressStyle = Int(f, "AddressStyle", 0);
  e.CommentStyle = Int(f, "CommentStyle", 0);
  v.ShowBoundaries = f.ReadBool(Section, "DrawBoundaries", true);
  v.AllDirections = f.ReadBool(Section, "MarkDirs", false);
  v.GridSize = ReadNumber(f, "GridSize", 0.5);
  TTBOptions& o = s.Options;
  o.Trace = f.ReadBool(Section, "Trace", false);
  o.Dir = f.ReadBool(Section, "Dir", true);
  o.PocketDir = f.ReadBool(Section, "PocketDir", true);
  o.Fix = f.ReadBool(Section, "Fix", false);
  o.FontBold = f.ReadBool(Section, "FontBold", false);
  o.FontItalic = f.ReadBool(Section, "FontItalic", false);
  o.Overlap = static_cast<double>(f.ReadInteger(Section, "Overlap", 50)) / 100;
  o.FontPrecision = Int(f, "FontPrecision", 8);
  o.Post = f.ReadString(Section, "Post", "Default");
  o.Font = f.ReadString(Section, "Font", "Arial");
  o.STLDepth = ReadNumber(f, "STLDepth", 0);
  o.StlOverlap = static_cast<double>(f.ReadInteger(Section, "StlOverlap", 50)) / 100;
  o.Offset = Int(f, "Offset", 0);
  o.Air = f.ReadBool(Section, "Air", false);
  o.DefaultUnits = ParseUnits(f.ReadString(Section, "DefaultUnits", "")).value_or(Units::Millimetre);
  o.RapidRate = ReadNumber(f, "RapidRate", 5000);
  if (!(o.RapidRate > 0) || !std::isfinite(o.RapidRate)) o.RapidRate = 5000;
  // Files written before the key existed, and values that are not a length
  // above 0, give the program's default.
  o.CurveTolerance = ReadNumber(f, "CurveTolerance", DefaultCurveTolerance);
  if (!(o.CurveTolerance > 0) || !std::isfinite(o.CurveTolerance)) o.CurveTolerance = DefaultCurveTolerance;
  s.Rough = {ReadNumber(f, "MinArcLengthRough", 0), ReadNumber(f, "TanDevRough", 0), ReadNumber(f, "MinArcRadRough", 0)};
  s.Finish = {ReadNumber(f, "MinArcLengthFinish", 0), ReadNumber(f, "TanDevFinish", 0),
              ReadNumber(f, "MinArcRadFinish", 0)};
}

void WriteOptions(IniFile& f, const TTBSettings& s) {
  auto put = [&](const char* key, const std::string& value) { f.Write(Section, key, value); };
  auto integer = [&](const char* key, long v) { put(key, std::to_string(v)); };
  auto flag = [&](const char* key, bool v) { put(key, v ? "1" : "0"); };
  const TTBViewSettings& v = s.View;
  integer("Closed", v.SelectedClosed);
  integer("Island", v.SelectedIsland);
  integer("Open", v.SelectedOpen);
  integer("RTool", v.RoughToolpath);
  integer("FTool", v.FinishToolpath);
  integer("UnOpen", v.UnselectedOpen);
  integer("UnClosed", v.UnselectedClosed);
  integer("Back", v.Background);
  const TTBEditorColours& e = s.Editor;
  integer("CommandColor", e.CommandColor);
  integer("AddressColor", e.AddressColor);
  integer("CommentColor", e.CommentColor);
  integer("CommandStyle", e.CommandStyle);
  integer("AddressStyle", e.AddressStyle);
  integer("CommentStyle", e.CommentStyle);
  flag("DrawBoundaries", v.ShowBoundaries);
  flag("MarkDirs", v.AllDirections);
  put("GridSize", Number(v.GridSize));
  const TTBOptions& o = s.Options;
  flag("Trace", o.Trace);
  flag("Dir", o.Dir);
  flag("PocketDir", o.PocketDir);
  flag("Fix", o.Fix);
  flag("FontBold", o.FontBold);
  flag("FontItalic", o.FontItalic);
  integer("Overlap", std::lround(o.Overlap * 100));
  integer("FontPrecision", o.FontPrecision);
  put("Post", o.Post);
  put("Font", o.Font);
  put("STLDepth", Number(o.STLDepth));
  integer("StlOverlap", std::lround(o.StlOverlap * 100));
  integer("Offset", o.Offset);
  flag("Air", o.Air);
  put("DefaultUnits", UnitsName(o.DefaultUnits));
  put("RapidRate", Number(o.RapidRate));
  put("CurveTolerance", Number(o.CurveTolerance));
  put("MinArcLengthRough", Number(s.Rough.MinArcLength));
  put("TanDevRough", Number(s.Rough.TanDeviance));
  put("MinArcRadRough", Number(s.Rough.MinArcRadius));
  put("MinArcLengthFinish", Number(s.Finish.MinArcLength));
  put("TanDevFinish", Number(s.Finish.TanDeviance));
  put("MinArcRadFinish", Number(s.Finish.MinArcRadius));
  put("EndPointTolerence", Number(5e-05));
  put("JoinTolerence", Number(0.0005));
}

}  // namespace tibrel
