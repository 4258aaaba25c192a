// The moves of an NC program as the editor's parser reads them: lines, arcs,
// drill plunges and tool changes, one record each, for the backplot, the Run
// window's stepping and the NC program's DXF drawing.
#pragma once

#include <cstdint>
#include <vector>

namespace tibrel {

// Record kinds. A line record's kind is the motion mode that made it (1, 2
// feed, 3, 4 rapid); an arc record's is 5..8 (5, 6 clockwise, 7, 8
// counter-clockwise). The two approach rapids of a drill cycle are kind 3,
// its plunge kind 0 with R = 1. An arc move under a post without an arc
// format gives an all-zero record of kind 0 (R = 0), which nothing draws.
enum NcRecordKinds : uint8_t {
  NcKindPlunge = 0,
  NcKindFeed = 1,
  NcKindFeedContinuous = 2,
  NcKindRapid = 3,
  NcKindRapidContinuous = 4,
  NcKindArcCW = 5,
  NcKindArcCWContinuous = 6,
  NcKindArcCCW = 7,
  NcKindArcCCWContinuous = 8,
  NcKindTool = 12,
};

struct NcPathRecord {
  double A[3] = {0, 0, 0};  // line: start X, Y, Z; arc: centre X, Y, Z
  double R = 0;             // line: 0 (1 for a drill plunge); arc: radius; tool: the tool number
  double B[2] = {0, 0};     // line: end X, Y; arc: start and end angle, radians, counter-clockwise
  double BZ = 0;            // end Z
  int32_t Line = 0;         // the program line (0-based) that made the record
  int32_t Colour = 0;       // the path colour given to the parser
  uint8_t Kind = 0;
  // The feed rate in force (the last F word read, 0 before any), for the
  // run time estimate; rapids keep it too but run at the rapid rate.
  double Feed = 0;

  bool IsArc() const { return Kind >= NcKindArcCW && Kind <= NcKindArcCCWContinuous; }
  bool IsRapid() const { return Kind == NcKindRapid || Kind == NcKindRapidContinuous; }
  bool IsFeedLine() const { return Kind == NcKindFeed || Kind == NcKindFeedContinuous; }
  bool IsDrillPlunge() const { return Kind == NcKindPlunge && R == 1; }
  // A move the backplot and the DXF drawing show.
  bool IsMove() const { return IsArc() || IsRapid() || IsFeedLine() || IsDrillPlunge(); }
};

// Records numbered from 1: element 0 is an empty placeholder, so the last
// record's number is size() - 1.
using NcPath = std::vector<NcPathRecord>;

inline int32_t NcHigh(const NcPath& path) { return path.empty() ? 0 : static_cast<int32_t>(path.size()) - 1; }

// The end point of a move record (an arc's by its sense).
struct NcPoint {
  double X = 0, Y = 0, Z = 0;
};
NcPoint NcStart(const NcPathRecord& r);
NcPoint NcEnd(const NcPathRecord& r);

struct NcExtents {
  bool Valid = false;  // false: no move to measure
  double XMin = 0, YMin = 0, ZMin = 0, XMax = 0, YMax = 0, ZMax = 0;
};

// The box of every move of the path: lines by their ends, arcs by the
// points they pass through. Starts at the first line record (kind 1..4), so
// a program whose only moves are arcs or drills from the origin still
// measures.
NcExtents PathExtents(const NcPath& path);

// Counts by kind, for reports.
struct NcCounts {
  int64_t Lines = 0;   // feed lines
  int64_t Rapids = 0;  // rapid lines, the approaches of drill cycles among them
  int64_t Arcs = 0;
  int64_t Drills = 0;  // drill plunges
  int64_t Tools = 0;   // tool changes
};
NcCounts CountRecords(const NcPath& path);

// The run time in minutes: feed moves at the feed in force (a move without
// one is not counted, and neither is the rest of a move under a zero feed),
// rapids and the approaches of drill cycles at rapidRate (units per minute).
double EstimatedMinutes(const NcPath& path, double rapidRate);

}  // namespace tibrel
