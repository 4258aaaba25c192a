// A model of the machine running an NC program, written without the
// generators' or the writer's code: a reader that keeps the modal state as
// an RS-274 controller does, and a flat end mill moved through the stock
// along what it read. The checks say what must hold for any program,
// whatever made it: no gouge, no rapid through material, no stop in the cut,
// no zero feed, a known first plunge, every cut of the toolpaths made.
//
// Heights are machine Z in program units: the stock top is Z = 0 and Z is
// negative in the stock. Machine Z 0 of a G53 move is SafeZ, a height above
// everything; the start position is unknown in X and Y and taken as above
// the stock in Z (where the operator leaves the cutter).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "geometry/region.h"
#include "toolpath/model.h"

namespace tibrel::cutter {

inline constexpr double SafeZ = 1e6;
// A cutter at or above this is above the stock.
inline constexpr double StockTop = -1e-9;

enum class Motion { Rapid, Line, ArcCW, ArcCCW };

// One straight or circular move of the cutter's axis as the controller makes
// it; a drill cycle is read as its rapids and its feed.
struct Move {
  Motion kind = Motion::Rapid;
  double x0 = 0, y0 = 0, z0 = 0, x1 = 0, y1 = 0, z1 = 0;
  double cx = 0, cy = 0;    // arcs: the centre, start + (I, J)
  double feed = 0;          // the feed in force (0 when none was set)
  bool startKnown = false;  // the start X and Y were set by the program
  bool feedWord = false;    // the line carried an F word
  bool spindle = false;     // the spindle turns (M3 or M4 with S > 0)
  int tool = -1;            // the tool in the spindle; -1 before any
  int toolChanges = 0;      // tool changes made before this move
  size_t line = 0;          // 0-based index into Program::lines
  bool IsFeed() const { return kind != Motion::Rapid; }
};

enum class Stop { Spindle, Pause, ToolChange, End };

// A spindle stop, pause, tool change or program end, with the height of
// the cutter when it happens.
struct Event {
  Stop kind = Stop::Pause;
  double z = 0;
  size_t line = 0;
  std::string word;
};

// A broken rule: the check it belongs to ("gouge", "rapid", "feed0",
// "stop", "entry", "modal", "uncut", "reader"), the program line, what.
struct Violation {
  std::string check;
  size_t line = 0;
  std::string what;
};
using Violations = std::vector<Violation>;

struct Program {
  std::vector<std::string> lines;
  std::vector<Move> moves;
  std::vector<Event> events;
  std::vector<std::string> codes;  // every G and M word as read: "G0", "M30"
  Violations problems;             // what the reader could not take
  int unitsAtFirstMove = 0;        // 20 or 21: the unit word in force at the first move; 0 for none
};

// Reads a program as a controller runs it. Understands what the shipped
// posts write: G00 G01 G02 G03 (X Y Z I J F), G81 with R (retract to R),
// G53 G00 Z0, G17 G20 G21 G40 G49 G80 G90 G94, M0 M1 M2 M3 M4 M5 M6 M7
// M8 M9 M30, S and T words, N line numbers, comments in parentheses. A T
// word inside a comment announces a manual tool change (posts for machines
// without a tool changer pause with it). Anything else is a problem.
Program ReadProgram(const std::string& text);

// The tool in the spindle: its radius, and what its axis keeps from the
// walls (radius + stock to leave; 0 for a cut on the line).
struct Tool {
  double Radius = 0;
  double Clearance = 0;
};
using ToolTable = std::map<int, Tool>;

// A wall of the part: a drawing entity the cutter's axis keeps its
// clearance from wherever the cutter is below Top.
struct Wall {
  TTBEntity Entity;
  double Top = 0;
  size_t Region = 0;
};

// A closed loop of the drawing, flattened, for point-in-loop tests.
struct Loop {
  std::vector<TTBPoint> Points;
  double XMin = 1e300, YMin = 1e300, XMax = -1e300, YMax = -1e300;
  double Area = 0;
  double Depth = 0;
  size_t Region = 0;
};

// What must stay of the stock. Surface Pocket: the part's final surface at
// a point is the floor of the innermost selected loop around it (-Depth),
// the stock top outside all. Surface CutOut: material stands to the top
// inside an odd number of selected loops.
struct Part {
  enum class Surface { None, Pocket, CutOut };
  std::vector<Wall> Walls;
  std::vector<Loop> Loops;
  Surface Kind = Surface::None;
};

// Pocket: every selected closed region is a wall up to the higher of the
// surfaces beside it (its own floor inside, the floor of the selected loop
// around it, or the stock top, outside): boundaries to the stock top,
// islands to their own top.
Part PocketPart(const TTBRegionArray& regions);
// Contour Right or Left: every selected region is a wall at every depth.
Part SidesPart(const TTBRegionArray& regions);
// Contour Cut Out: every selected closed region is a wall at every depth;
// material stands where an odd number of them enclose a point.
Part CutOutPart(const TTBRegionArray& regions);

struct CheckSettings {
  // What a move may come closer to a wall than its clearance: the
  // toolpaths' own tolerance (5e-5) and the rounding of a program written
  // with four decimals (1.5e-4: an arc's centre is read back from a rounded
  // start and rounded I and J).
  double WallTolerance = 5e-5 + 1.5e-4;
  // The lattice of the stock's height map is min(0.05, R/20); a rapid must
  // run over ground cut at its height within R - 2 cells of its axis.
  double MaxCell = 0.05;
};

// Everything a program must keep to, whatever made it, on a program read
// by ReadProgram, with the reader's own problems:
// - "gouge": below the stock top the axis keeps its tool's clearance from
//   every wall it is below the top of, and stays above the part's surface;
// - "rapid": a rapid below the stock top runs over stock already cut at its
//   height or deeper, within R - 2 cells of its axis;
// - "feed0": every feed move has a feed above 0;
// - "modal": a line that sets a feed does not run as a rapid;
// - "spindle": nothing is cut with the spindle stopped;
// - "stop": no spindle stop, pause, tool change or program end with the
//   cutter below the stock top, and the program ends above it;
// - "entry": the cutter enters the stock only from a position the program
//   set, and the first time (and the first time after each tool change)
//   straight down.
Violations CheckCutter(const Program& program, const Part& part, const ToolTable& tools,
                       const CheckSettings& settings = {});

// Every cutting move of the toolpaths is in the program, in order, at its
// depth, and every hole is drilled to its depth.
Violations MissingCuts(const Program& program, const TTBOutRegionArray& toolpaths);

// Every point of every entity of the selected open regions that the tool
// can reach on its side (None: on the line) is reached by a feed move at
// depth - bottomStock or deeper: the axis comes within the clearance of the
// move's tool (+ 1e-3). side: 0 on the line, 1 right of travel, 2 left.
Violations UncutOpenProfiles(const Program& program, const TTBRegionArray& regions, const ToolTable& tools, int side,
                             double bottomStock);

// One violation with its line number and the text of that line.
std::string Describe(const Violation& v, const Program& program);

// A short report: the count by check, then the first `first` violations
// with their line numbers and texts.
std::string Report(const Violations& v, const Program& program, size_t first = 4);

// The number of moves a check looked at (for tests that must not pass
// vacuously).
size_t MovesBelowTop(const Program& program);

}  // namespace tibrel::cutter
