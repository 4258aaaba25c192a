// Tolerances shared by the whole system. All lengths are drawing units,
// all angles radians. Each value says what it protects.
#pragma once

namespace tibrel {

// Two end points coincide when both |dx| and |dy| are below this; box tests
// are widened by it. Drawings from other programs routinely leave gaps of a
// few tenths of a thousandth between segments that should meet.
inline constexpr double ChainTolerance = 0.0005;

// Segments not longer than this are dropped before chaining: they carry no
// shape and make direction tests meaningless.
inline constexpr double MinEntityLength = 0.00025;

// Start and end angles within this make a full circle; duplicate arcs.
inline constexpr double AngleTolerance = 1e-8;

// A chord or distance below this counts as zero (arc recentering, the Y test
// of point-in-region).
inline constexpr double GeometricZero = 1e-8;

// In point-in-region, R^2 - dy^2 below this is a tangent: one crossing.
inline constexpr double RadicalZero = 1e-11;

// Whether an angle lies on an arc's sweep.
inline constexpr double ArcAngleTolerance = 5e-5;

// Below this a direction vector is treated as having no length.
inline constexpr double DirectionZero = 1e-10;

// Polyline pieces not longer than this vanish when polylines are converted.
inline constexpr double MinPolylinePieceLength = 0.0005;

// Polyline regions are duplicates when their boxes and start agree this well.
inline constexpr double DuplicatePolylineTolerance = 1e-8;

// Consecutive polyline lines whose unit directions agree within this merge.
inline constexpr double CollinearTolerance = 1e-8;

// Self-touching repair: a start and an end coincide below this squared distance.
inline constexpr double RepeatedPointSquared = 1e-8;

// Coordinates and radii beyond this are absurd for any machine; entities
// carrying them are dropped on input so that no later product of two
// coordinates can overflow.
inline constexpr double MaxCoordinate = 1e12;

// Ellipses and splines are followed by arcs and lines within this distance
// of the true curve unless the options give another: finer than any small
// machine positions, coarse enough to keep a curve to a few dozen arcs.
inline constexpr double DefaultCurveTolerance = 0.001;
// A curve tolerance below this is taken as this: finer ones only multiply
// the pieces (their count grows as the inverse cube root of the tolerance).
inline constexpr double MinCurveTolerance = 1e-6;
// The biarc fit finds the largest distance from the curve to its pieces
// but checks the pieces against the curve at a few points only; it holds
// them to this share of the tolerance so that the distance between those
// points stays within the whole.
inline constexpr double BiarcFitShare = 0.9;
// An arc turning by less than this is made a line: its bulge is far below
// any tolerance, and its two angles must stay apart from a full circle's.
inline constexpr double MinArcSweep = 1e-7;
// A fitted arc turns by at most this; a span needing more is split, so that
// no piece can loop away from the curve between the check points.
inline constexpr double MaxBiarcSweep = 3.14159265358979323846 * 0.75;

// A closed polyline whose last vertex is farther than this from the first
// (in X or Y) gets the first vertex appended.
inline constexpr double PolylineCloseTolerance = 0.0005;

}  // namespace tibrel

namespace tibrel {

// --- the offset engine ---

// An offset arc whose radius would fall below this collapses to a point; the
// shortest arc piece kept.
inline constexpr double OffsetMinRadius = 0.000125;
// A line whose offset is not longer than OffsetMinRadius collapses (squared).
inline constexpr double OffsetMinLineSquared = OffsetMinRadius * OffsetMinRadius;
// Lines shorter than this cannot be offset; corner arcs sweep at least this.
inline constexpr double OffsetTiny = 1e-8;
// Corner arcs sweep at most this: a half turn and a little, never more.
inline constexpr double MaxCornerSweep = 3.14159265358979323846 + 0.01;
// Clearance slack: a point passes when no source entity is nearer than
// d minus this; also the on-entity slack when joining collapsed offsets.
inline constexpr double ClearanceSlack = 5e-5;
// Boxes are widened by this in every overlap prefilter.
inline constexpr double OverlapMargin = 0.0005;
// Shortest line piece, as a fraction of its raw line.
inline constexpr double MinLinePieceFraction = 1e-5;
// Offset pieces join when both |dx| and |dy| are within this.
inline constexpr double PieceJoinTolerance = 0.00025;
// A crossing just off an entity still counts when this near one of its ends.
inline constexpr double CrossingEndSquared = 6.25e-8;
// Two crossings nearer than this are one.
inline constexpr double CrossingMerge = 0.0005;

}  // namespace tibrel
