// Aperture macros: the body of an AM parameter evaluated with the
// modifiers of the aperture that names it, into primitive shapes.
#pragma once

#include <string>
#include <vector>

#include "gerber/artwork.h"

namespace tibrel {

// Primitives circle (1), vector line (20), centre line (21), lower-left
// line (22), outline (4), polygon (5), moiré (6, as its outer ring) and
// thermal (7); $n variables and the arithmetic of + - x / and brackets.
// Rotations are in degrees counter-clockwise about the flash point. A
// statement that cannot be read is left out. chordTolerance flattens the
// curved edges of thermals.
std::vector<GerberPrimitive> EvaluateMacro(const std::string& body, const std::vector<double>& modifiers,
                                           double chordTolerance);

}  // namespace tibrel
