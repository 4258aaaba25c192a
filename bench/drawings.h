// Drawings for the benchmarks, built as DXF text in memory. Every generator
// is deterministic: the same arguments give the same bytes on every machine
// (its own random number rules, no library distributions or shuffles).
//
// Each drawing comes with the facts the generator knows about it, so a
// benchmark can check that the load it timed produced the right result.
#pragma once

#include <cstdint>
#include <string>

namespace tibrel::bench {

struct GeneratedDrawing {
  std::string Text;          // the DXF file
  long Entities = 0;         // entities in the ENTITIES section
  long Lines = 0;            // of which LINEs
  long Circles = 0;          // of which CIRCLEs
  long Polylines = 0;        // of which LWPOLYLINEs
  long ClosedShapes = 0;     // closed regions a correct load must give
  long EntitiesPerShape = 0; // entities in each of those regions, 0 when they differ
  double XMin = 0, YMin = 0, XMax = 0, YMax = 0;  // extents of all geometry
};

// Which sections the file has. Full: HEADER, an empty BLOCKS section and
// ENTITIES, as drawing programs write them. EntitiesOnly: nothing but the
// ENTITIES section, as some minimal exporters write.
enum class Layout { Full, EntitiesOnly };

// n axis-parallel squares (sides 8 to 12 units, origins jittered by up to one
// unit) on a square grid with pitch 20, as 4*n LINE entities in R12 style
// (handles, layer 0, six decimals, Z written as 0.000000). The lines are
// shuffled over the whole file and exactly two sides of every square are
// drawn reversed. About 115 bytes per LINE: n = 50,000 gives ~23 MB.
GeneratedDrawing SquaresDxf(long n, uint64_t seed = 1, Layout layout = Layout::Full);

// n closed LWPOLYLINEs (R2000 style), each a rounded rectangle: 8 vertices,
// 4 straight sides and 4 quarter-circle corners (bulge 0.41421356), on a grid
// with pitch 30, in shuffled order.
GeneratedDrawing RoundedRectanglesDxf(long n, uint64_t seed = 2);

// n squares as in SquaresDxf, each holding a CIRCLE at its centre (radius a
// quarter of the side): 4*n LINEs and n CIRCLEs, all shuffled together.
// Gives 2*n closed regions, n of them islands.
GeneratedDrawing SquaresWithCirclesDxf(long n, uint64_t seed = 3);

// n INSERTs of one block (a CIRCLE of radius 2 and a closed LWPOLYLINE
// square of side 8 around it, R2000 style) on a grid with pitch 20, each
// turned by a multiple of 90 degrees and some mirrored by a negative X
// scale, in shuffled order. Gives 2*n closed regions, n of them islands.
GeneratedDrawing InsertsDxf(long n, uint64_t seed = 4);

// n curves, half rational quadratic SPLINE circles (radius 2 to 5) and half
// full axis-parallel ELLIPSEs (semi-axes 3 to 6 by 1.5 to 3), on a grid
// with pitch 15, in shuffled order. Gives n closed regions of arcs.
GeneratedDrawing CurvesDxf(long n, uint64_t seed = 5);

// The drawings the benchmarks use, each generated once per size with the
// default seed and kept for the rest of the run.
enum class Kind { Squares, SquaresEntitiesOnly, RoundedRectangles, SquaresWithCircles, Inserts, Curves };
// When the environment variable TIBREL_BENCH_DUMP names a folder, every
// square drawing is also written there as squares_N.dxf, and every rounded
// rectangle drawing as rounded_N.dxf, when it is first made (for timing
// whole `tibrel-cli info` processes on the same input).
const GeneratedDrawing& CachedDrawing(Kind kind, long n);

}  // namespace tibrel::bench
