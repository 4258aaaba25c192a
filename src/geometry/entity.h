// The entity record (a line or a circular arc in the XY plane) and its
// primitives. Coordinates are drawing units, angles radians counter-clockwise
// from +X, normally kept in [0, 2*pi).
#pragma once

#include <cstdint>
#include <vector>

namespace tibrel {

inline constexpr double Pi = 3.14159265358979323846;
inline constexpr double TwoPi = 2.0 * Pi;

struct TTBPoint {
  double X = 0;
  double Y = 0;
};

// Radius 0: a line from (X, Y) to (X2, Y2).
// Radius != 0: an arc about (X, Y) of radius |Radius|, counter-clockwise when
// Radius > 0, clockwise when < 0, from StartAngle (stored in X2) to EndAngle
// (stored in Y2). Equal angles (within AngleTolerance) make a full circle.
// The box is XMin, YMin, YMax, XMax (note the order) and is kept current by
// UpdateEntityBox.
struct TTBEntity {
  double X = 0;
  double Y = 0;
  double Radius = 0;
  double X2 = 0;  // line: end X; arc: StartAngle
  double Y2 = 0;  // line: end Y; arc: EndAngle
  double XMin = 0, YMin = 0, YMax = 0, XMax = 0;
  uint32_t Tag = 0;
  uint8_t Pending = 0;  // work mark of chaining and editing: 1 = not yet consumed

  double& StartAngle() { return X2; }
  double& EndAngle() { return Y2; }
  double StartAngle() const { return X2; }
  double EndAngle() const { return Y2; }
  bool IsLine() const { return Radius == 0; }
  bool IsArc() const { return Radius != 0; }
};

using TTBEntityArray = std::vector<TTBEntity>;

TTBEntity MakeLine(double x1, double y1, double x2, double y2);
// An arc about (cx, cy); radius > 0 runs counter-clockwise. The box is set.
TTBEntity MakeArc(double cx, double cy, double radius, double startAngle, double endAngle);
TTBEntity MakeCircle(double cx, double cy, double radius);

TTBPoint EntityStart(const TTBEntity& e);
TTBPoint EntityEnd(const TTBEntity& e);
void EntityEnds(const TTBEntity& e, TTBPoint& start, TTBPoint& end);

// True for an arc whose two angles agree within AngleTolerance.
bool IsFullCircle(const TTBEntity& e);
// True for an arc stored with exactly equal angles (how chaining recognises a
// circle read from a file).
bool IsExactCircle(const TTBEntity& e);

// Signed sweep with the arc's sense: positive counter-clockwise. Equal angles
// mean a full turn (+2*pi or -2*pi).
double ArcSweep(const TTBEntity& e);
double EntityLength(const TTBEntity& e);
TTBPoint EntityMidpoint(const TTBEntity& e);
// A point strictly inside the entity, away from both ends and from the
// middle (a quarter-ish of the way along: the divisor is 4.158 on purpose, so
// the point never falls on a symmetry axis of a regular shape).
TTBPoint EntityInteriorPoint(const TTBEntity& e);
void UpdateEntityBox(TTBEntity& e);
// Reverses the travel direction; the box is unchanged.
void ReverseEntity(TTBEntity& e);
// which = 0: start, 1: end. A line takes p; an arc only changes the angle.
void SetEntityPoint(TTBEntity& e, TTBPoint p, int which);
// which = 0: start, 1: end. Moves the end exactly onto p; an arc keeps its
// radius and other end and gets a new centre (the one nearer the old one).
void MoveEntityPoint(TTBEntity& e, TTBPoint p, int which);
// Unit vector from a line's start to its end.
TTBPoint UnitDirection(const TTBEntity& line);
// p moved by d to the right of the direction dir.
TTBPoint OffsetPoint(TTBPoint p, TTBPoint dir, double d);
// Angle of p seen from c, in [0, 2*pi).
double PointAngle(TTBPoint c, TTBPoint p);
double VectorAngle(double dy, double dx);
// Whether the angle a lies on the arc's sweep, within tol radians.
bool AngleOnArc(const TTBEntity& arc, double a, double tol);
// Brings an angle into [0, 2*pi).
double NormaliseAngle(double a);

void MarkAllPending(TTBEntityArray& entities);
void UpdateEntityBoxes(TTBEntityArray& entities);

}  // namespace tibrel
