#include "cli/text.h"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <iostream>

#include "cli/arguments.h"
#include "cli/json.h"
#include "dxf/writer.h"
#include "job/add_text.h"
#include "job/open_drawing.h"
#include "job/startup.h"

namespace tibrel::cli {

const char* const TextUsage =
    "       tibrel-cli text STRING [--font FACE] [--bold] [--italic] [--precision N] [--height H]\n"
    "                  [--align left|center|right] (--origin X,Y | --arc CX,CY,R[,ANGLE])\n"
    "                  [--into DRAWING] -o OUT.dxf [--json]\n"
    "  sets the text as the Add Text dialog does (height H scales the outline by H/1024;\n"
    "  on an arc ANGLE is degrees clockwise from the top) and writes its regions, added\n"
    "  to DRAWING's when given, as a geometry DXF.\n";

namespace {

int Usage() {
  std::cerr << "usage:\n" << TextUsage;
  return 2;
}

// Numbers separated by commas, from least to most of them.
bool Numbers(const std::string& text, std::vector<double>& out, size_t least, size_t most) {
  return ParseNumbers(text, out) && out.size() >= least && out.size() <= most;
}

struct TextArgs {
  TextPlacement Placement;
  std::string Font, Into, Out;
  bool Bold = false, Italic = false, Json = false, Placed = false;
  int Precision = 0;
};

bool Parse(const std::vector<std::string>& args, TextArgs& t) {
  bool haveText = false;
  std::vector<double> n;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    const bool more = k + 1 < args.size();
    if (a == "--font" && more) t.Font = args[++k];
    else if (a == "--bold") t.Bold = true;
    else if (a == "--italic") t.Italic = true;
    else if (a == "--json") t.Json = true;
    else if (a == "--precision" && more) t.Precision = std::atoi(args[++k].c_str());
    else if (a == "--height" && more) {
      if (!Numbers(args[++k], n, 1, 1) || n[0] <= 0) return false;
      t.Placement.Height = n[0];
    } else if (a == "--align" && more) {
      const std::string v = args[++k];
      if (v == "left") t.Placement.Align = TextAlign::Left;
      else if (v == "center" || v == "centre") t.Placement.Align = TextAlign::Centre;
      else if (v == "right") t.Placement.Align = TextAlign::Right;
      else return false;
    } else if (a == "--origin" && more && !t.Placed) {
      if (!Numbers(args[++k], n, 2, 2)) return false;
      t.Placement.X = n[0], t.Placement.Y = n[1], t.Placed = true;
    } else if (a == "--arc" && more && !t.Placed) {
      if (!Numbers(args[++k], n, 3, 4)) return false;
      t.Placement.OnArc = true;
      t.Placement.X = n[0], t.Placement.Y = n[1], t.Placement.Radius = n[2];
      t.Placement.AngleDegrees = n.size() > 3 ? n[3] : 0;
      t.Placed = true;
    } else if (a == "--into" && more) t.Into = args[++k];
    else if (a == "-o" && more) t.Out = args[++k];
    else if (!haveText && (a.empty() || a[0] != '-')) {
      t.Placement.Text = a;
      haveText = true;
    } else return false;
  }
  return haveText && t.Placed && !t.Out.empty();
}

void PrintJson(const Job& job, const std::string& message, const FaceMatch& face, size_t added) {
  const TExtents& x = job.DrawingExtents;
  std::cout << "{\"message\": " << JsonString(message) << ", \"face\": " << JsonString(face.Family)
            << ", \"style\": " << JsonString(face.Style) << ", \"file\": " << JsonString(face.File)
            << ", \"substituted\": " << (face.Substituted ? "true" : "false") << ", \"added\": " << added
            << ", \"regions\": " << job.Regions.size() - 1 << ", \"extents\": {\"xmin\": " << JsonNumber(x.XMin)
            << ", \"ymin\": " << JsonNumber(x.YMin) << ", \"xmax\": " << JsonNumber(x.XMax)
            << ", \"ymax\": " << JsonNumber(x.YMax) << "}}\n";
}

}  // namespace

int TextCommand(const std::vector<std::string>& args) {
  TextArgs t;
  if (!Parse(args, t)) return Usage();
  Job job;
  try {
    StartUp(job);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";  // the window goes on after a start-up failure too
  }
  if (!t.Font.empty()) job.Options.Font = t.Font;
  if (t.Bold) job.Options.FontBold = true;
  if (t.Italic) job.Options.FontItalic = true;
  if (t.Precision != 0) job.Options.FontPrecision = t.Precision;
  if (!t.Into.empty()) {
    const OpenResult res = OpenDxfFile(job, t.Into);
    for (const auto& n : res.Notices) std::cerr << n << "\n";
    if (!res.Error.empty()) std::cerr << res.Error << "\n";
    if (!res.Loaded) {
      std::cerr << res.Status << "\n";
      return 1;
    }
  }
  TTTFToVectorConverter converter;
  const size_t before = job.Regions.size();
  const CommandResult r = AddText(job, t.Placement, converter);
  if (!r.Message.empty()) std::cerr << r.Message << "\n";
  if (!r.Status.empty()) std::cerr << r.Status << "\n";
  const size_t added = job.Regions.size() - before;
  if (t.Json) PrintJson(job, r.Message.empty() ? r.Status : r.Message, converter.Face(), added);
  if (added == 0) {
    if (r.Message.empty()) std::cerr << "No text was added\n";
    return 1;
  }
  try {
    SaveGeometryDxf(job.Regions, job.DrawingUnits, t.Out);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tibrel::cli
