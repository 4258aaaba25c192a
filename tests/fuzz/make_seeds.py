#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets.

    python3 tests/fuzz/make_seeds.py

Both targets get the same small drawings (valid ones covering every entity
the reader knows, and broken ones); open_drawing_fuzz also gets drawings
aimed at the chaining, joining and repair passes. A few of the fixtures in
tests/data under 8 KB are copied in as they are. Every seed is under 8 KB.
The folders are rewritten from scratch each run.
"""

import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
SEEDS = os.path.join(HERE, "seeds")
TARGETS = ["dxf_reader_fuzz", "open_drawing_fuzz"]
FIXTURES = [
    "ezdxf_blocks_nested_r12.dxf",
    "ezdxf_plate_holes_r12.dxf",
    "ezdxf_arcs_circles_r12.dxf",
    "ezdxf_faces_r12.dxf",
    "ezdxf_meshes_r12.dxf",
    "ezdxf_polyline2d_r12.dxf",
    "ezdxf_ocs_mirrored_r12.dxf",
]


def groups(*pairs):
    """Group code / value pairs as DXF text with LF line ends."""
    out = []
    for code, value in pairs:
        out.append("%3d\n%s\n" % (code, value))
    return "".join(out)


def ent(name, *pairs, layer="0"):
    return groups((0, name), (8, layer), *pairs)


def line(x1, y1, x2, y2, layer="0"):
    return ent("LINE", (10, x1), (20, y1), (30, 0), (11, x2), (21, y2), (31, 0), layer=layer)


def arc(cx, cy, r, a0, a1, extra=()):
    return ent("ARC", (10, cx), (20, cy), (30, 0), (40, r), (50, a0), (51, a1), *extra)


def circle(cx, cy, r, extra=()):
    return ent("CIRCLE", (10, cx), (20, cy), (30, 0), (40, r), *extra)


def lwpoly(points, closed=False, extra=()):
    """points: (x, y) or (x, y, bulge)."""
    pairs = [(90, len(points)), (70, 1 if closed else 0)] + list(extra)
    for p in points:
        pairs += [(10, p[0]), (20, p[1])]
        if len(p) > 2:
            pairs.append((42, p[2]))
    return ent("LWPOLYLINE", *pairs)


def polyline(points, flags=0, extra=(), vertex_flags=0, head=()):
    """A POLYLINE with VERTEX records and SEQEND; points: (x, y[, z[, bulge]])."""
    out = ent("POLYLINE", (66, 1), (10, 0), (20, 0), (30, 0), (70, flags), *head, *extra)
    for p in points:
        pairs = [(10, p[0]), (20, p[1]), (30, p[2] if len(p) > 2 else 0)]
        if len(p) > 3:
            pairs.append((42, p[3]))
        pairs.append((70, vertex_flags))
        out += ent("VERTEX", *pairs)
    return out + ent("SEQEND")


def entities(*items):
    return groups((0, "SECTION"), (2, "ENTITIES")) + "".join(items) + groups((0, "ENDSEC"), (0, "EOF"))


def blocks(*items):
    return groups((0, "SECTION"), (2, "BLOCKS")) + "".join(items) + groups((0, "ENDSEC"))


MIRROR = ((210, 0), (220, 0), (230, -1))
TILT = ((210, 0.5), (220, 0.5), (230, 0.7071067811865476))

SQUARE = line(0, 0, 10, 0) + line(10, 10, 10, 0) + line(10, 10, 0, 10) + line(0, 0, 0, 10)

COMMON = {
    # --- valid drawings, one feature each
    "line.dxf": entities(line(0, 0, 10, 5)),
    "square_scrambled.dxf": entities(SQUARE),
    "arc.dxf": entities(arc(5, 5, 3, 30, 300)),
    "circle.dxf": entities(circle(0, 0, 2.5)),
    "slot.dxf": entities(line(0, -3, 20, -3), line(20, 3, 0, 3), arc(20, 0, 3, 270, 90), arc(0, 0, 3, 90, 270)),
    "ellipse_full.dxf": entities(ent("ELLIPSE", (10, 0), (20, 0), (30, 0), (11, 10), (21, 0), (31, 0),
                                     (40, 0.5), (41, 0), (42, 6.283185307179586))),
    "ellipse_half_rotated.dxf": entities(ent("ELLIPSE", (10, 30), (20, 0), (30, 0), (11, 0), (21, 6), (31, 0),
                                             (40, 0.5), (41, 0), (42, 3.141592653589793))),
    "ellipse_mirrored.dxf": entities(ent("ELLIPSE", (10, 0), (20, 0), (30, 0), (11, 4), (21, 3), (31, 0),
                                         (40, 0.25), (41, 1), (42, 4), *MIRROR)),
    "lwpolyline_bulges.dxf": entities(
        lwpoly([(32, 0), (48, 0, 0.41421356237), (50, 2), (50, 8, 0.41421356237), (48, 10),
                (32, 10, 0.41421356237), (30, 8), (30, 2, 0.41421356237)], closed=True),
        lwpoly([(0, 20), (10, 20, 0.5), (20, 20), (25, 25)]),
        lwpoly([(40, 25, 1), (46, 25, 1)], closed=True),
        lwpoly([(0, 40, -0.7), (10, 40, 2.5), (10, 50)], extra=((43, 0.8),))),
    "lwpolyline_width_elevation.dxf": entities(
        lwpoly([(0, 0), (10, 0), (10, 10)], extra=((40, 1.5), (41, 1.5), (38, 2.5), (62, 3)))),
    "polyline2d.dxf": entities(
        polyline([(0, 0), (20, 0), (20, 10), (0, 10)], flags=1),
        polyline([(30, 0, 0, 1), (36, 0, 0, 1)], flags=1),
        polyline([(0, 20), (10, 20, 0, 0.5), (20, 20), (25, 25)], head=((40, 0.4),))),
    "polyline3d.dxf": entities(polyline([(0, 0, 0), (5, 5, 3), (10, 0, 6)], flags=8, vertex_flags=32)),
    "polygon_mesh.dxf": entities(polyline(
        [(10 * n, 10 * m, 0.5 * m * n) for m in range(3) for n in range(4)],
        flags=16, vertex_flags=64, head=((71, 3), (72, 4)))),
    "polygon_mesh_closed.dxf": entities(polyline(
        [(10 * n, 10 * m, 0) for m in range(2) for n in range(3)],
        flags=16 | 1 | 32, vertex_flags=64, head=((71, 2), (72, 3)))),
    "polyface.dxf": entities(
        ent("POLYLINE", (66, 1), (10, 0), (20, 0), (30, 0), (70, 64), (71, 4), (72, 1))
        + "".join(ent("VERTEX", (10, x), (20, y), (30, 0), (70, 192))
                  for x, y in [(0, 0), (10, 0), (10, 10), (0, 10)])
        + ent("VERTEX", (10, 0), (20, 0), (30, 0), (70, 128), (71, 1), (72, 2), (73, -3), (74, 4))
        + ent("SEQEND")),
    "faces.dxf": entities(
        ent("3DFACE", (10, 0), (20, 0), (30, 0), (11, 10), (21, 0), (31, 0), (12, 5), (22, 8), (32, 0),
            (13, 5), (23, 8), (33, 0)),
        ent("3DFACE", (10, 20), (20, 0), (30, 0), (11, 30), (21, 0), (31, 0), (12, 30), (22, 10), (32, 2),
            (13, 20), (23, 10), (33, 2))),
    "solid_trace.dxf": entities(
        ent("SOLID", (10, 40), (20, 0), (11, 50), (21, 0), (12, 40), (22, 10), (13, 50), (23, 10)),
        ent("TRACE", (10, 60), (20, 0), (11, 70), (21, 0), (12, 60), (22, 4), (13, 70), (23, 4)),
        ent("SOLID", (10, 80), (20, 0), (11, 90), (21, 0), (12, 85), (22, 8), (13, 85), (23, 8), *MIRROR)),
    "text.dxf": entities(
        ent("TEXT", (10, 0), (20, 30), (30, 0), (40, 3), (1, "TIBREL"), (50, 15), (72, 1), (11, 5), (21, 30)),
        ent("MTEXT", (10, 30), (20, 40), (30, 0), (40, 3), (1, "Line one\\PLine two")),
        ent("ATTDEF", (10, 0), (20, 0), (30, 0), (40, 2), (1, "v"), (2, "ID"), (3, "prompt"), *MIRROR),
        line(0, 0, 5, 5)),
    "text_codes.dxf": entities(
        ent("MTEXT", (10, 0), (20, 0), (40, 2.5), (71, 5), (11, 0), (21, 1),
            (3, "{\\fArial|b1;Bold}\\P\\S1^2;%%c10\\U+00C4\\"), (1, "{\\H2x;x}\\~%%p%%d%%123")),
        ent("TEXT", (10, 0), (20, 9), (40, 2), (1, "fit me"), (72, 5), (11, 20), (21, 9)),
        ent("ATTRIB", (10, 0), (20, 20), (40, 2), (1, "hidden"), (70, 1)),
        ent("ATTDEF", (10, 0), (20, 30), (40, 2), (1, "top"), (72, 2), (74, 3), (11, 9), (21, 30))),
    "insert_blocks.dxf": groups((0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1009"), (0, "ENDSEC"))
    + blocks(ent("BLOCK", (2, "HOLE"), (70, 0), (10, 0), (20, 0), (30, 0)), circle(0, 0, 2),
             polyline([(0, 0), (1, 1)]), lwpoly([(0, 0), (1, 0)]), ent("ENDBLK"))
    + entities(ent("INSERT", (2, "HOLE"), (10, 10), (20, 10), (30, 0)),
               ent("INSERT", (66, 1), (2, "HOLE"), (10, 30), (20, 10), (41, 2), (42, 2), (50, 45)),
               ent("ATTRIB", (10, 30), (20, 10), (40, 1), (1, "A"), (2, "TAG")), ent("SEQEND"),
               line(0, 0, 40, 0)),
    "spline.dxf": entities(
        ent("SPLINE", (70, 8), (71, 3), (72, 0), (73, 0), (74, 4), (11, 90), (21, 60), (11, 95), (21, 66),
            (11, 100), (21, 60), (11, 105), (21, 66)),
        ent("SPLINE", (70, 8), (71, 3), (10, 0), (20, 0)), line(0, 0, 1, 1)),
    "extrusion_mirrored.dxf": entities(
        arc(20, 0, 3, 0, 180, MIRROR), line(-23, 0, -17, 0), arc(0, 20, 4, 0, 90, MIRROR),
        circle(5, 0, 2, MIRROR), lwpoly([(0, 0), (5, 0, 0.5), (5, 5)], extra=MIRROR),
        polyline([(10, 10, 0, -0.3), (15, 10), (15, 15)], extra=MIRROR),
        ent("POINT", (10, 1), (20, 2), (30, 3), *MIRROR)),
    "extrusion_tilted.dxf": entities(
        arc(1, 2, 3, 10, 200, TILT), circle(4, 4, 1, TILT), lwpoly([(0, 0), (3, 0, 1), (3, 3)], extra=TILT),
        ent("TEXT", (10, 0), (20, 0), (40, 1), (1, "x"), *TILT)),
    "layers_colours.dxf": entities(
        line(0, 0, 10, 0, "walls"), line(10, 0, 10, 10, "WALLS"), line(10, 10, 0, 10, " Walls "),
        line(0, 10, 0, 0, ""), ent("CIRCLE", (10, 45), (20, 5), (40, 3), (62, 5), layer="holes")),
    "everything_small.dxf": entities(
        ent("POINT", (10, 0), (20, 0)), line(30, 0, 40, 5), circle(65, 5, 4), arc(95, 5, 4, 0, 120),
        ent("ELLIPSE", (10, 125), (20, 5), (11, 6), (21, 0), (40, 0.5), (41, 0), (42, 6.283185307179586)),
        lwpoly([(60, 30), (70, 30, 0.5), (70, 38), (60, 38)], closed=True),
        ent("3DFACE", (10, 0), (20, 60), (11, 10), (21, 60), (12, 10), (22, 70), (13, 0), (23, 70))),

    "header_units_inch.dxf": groups((999, "by hand"), (0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"),
                                    (1, "AC1015"), (9, "$INSUNITS"), (70, 1), (9, "$EXTMIN"), (10, 0), (20, 0),
                                    (0, "ENDSEC")) + entities(SQUARE),
    "blocks_nested_minsert.dxf": blocks(
        ent("BLOCK", (2, "HOLE"), (70, 0), (10, 0), (20, 0), (30, 0)), circle(0, 0, 2), ent("ENDBLK"),
        ent("BLOCK", (2, "Plate"), (70, 0), (10, 1), (20, 0), (30, 0)),
        lwpoly([(0, 0), (14, 0, 0.4), (14, 8), (0, 8)], closed=True),
        ent("INSERT", (2, "hole"), (10, 3), (20, 4), (41, 0.5), (42, 0.5)),
        ent("INSERT", (2, "HOLE"), (10, 9), (20, 4), (50, 30), (41, 1), (42, 2)),
        arc(7, 6, 1.5, 20, 160), ent("ATTDEF", (10, 0), (20, 0), (40, 1), (1, "v"), (2, "ID")),
        ent("ENDBLK"))
    + entities(ent("INSERT", (2, "PLATE"), (10, 0), (20, 0), (50, 15)),
               ent("INSERT", (2, "PLATE"), (10, 30), (41, 2), (42, 0.5), (50, 10)),
               ent("INSERT", (2, "PLATE"), (10, 70), (41, -1)),
               ent("INSERT", (2, "PLATE"), (10, 10), (20, 40), (50, 20), *MIRROR),
               ent("INSERT", (2, "PLATE"), (10, 5), (20, 5), *TILT),
               ent("INSERT", (2, "HOLE"), (10, 100), (70, 4), (71, 3), (44, 10), (45, 8), (50, 30)),
               ent("INSERT", (2, "HOLE"), (10, 100), (20, 50), (70, 5), (71, 5), (44, 0), (45, 3)),
               ent("INSERT", (2, "MISSING"), (10, 1))),
    "blocks_cycle_deep.dxf": blocks(
        ent("BLOCK", (2, "SELF"), (10, 0), (20, 0)), line(0, 0, 1, 1), ent("INSERT", (2, "SELF"), (10, 3)),
        ent("ENDBLK"),
        ent("BLOCK", (2, "A"), (10, 0), (20, 0)), line(0, 0, 1, 0), ent("INSERT", (2, "B"), (20, 2)),
        ent("ENDBLK"),
        ent("BLOCK", (2, "B"), (10, 0), (20, 0)), line(0, 0, 1, 0), ent("INSERT", (2, "A"), (20, 2)),
        ent("ENDBLK"),
        *[ent("BLOCK", (2, "D%d" % k)) + line(0, 0, 1, 0) + ent("INSERT", (2, "D%d" % (k + 1)), (20, 2))
          + ent("ENDBLK") for k in range(36)])
    + entities(ent("INSERT", (2, "SELF"), (10, 50)), ent("INSERT", (2, "A")), ent("INSERT", (2, "D0")),
               line(20, 0, 30, 0)),
    "blocks_runaway_grid.dxf": blocks(ent("BLOCK", (2, "E")), ent("ENDBLK"),
                                      ent("BLOCK", (2, "P")), ent("POINT", (10, 0), (20, 0)), ent("ENDBLK"))
    + entities(ent("INSERT", (2, "E"), (70, 2147483647), (71, 2147483647), (44, 1), (45, 1)),
               ent("INSERT", (2, "P"), (70, 3000), (71, 3000), (44, 1), (45, 1), (41, 1e308))),
    "splines.dxf": entities(
        ent("SPLINE", (70, 8), (71, 2), *[(40, k) for k in (0, 0, 0, 1, 2, 3, 4, 4, 4)],
            *[p for x, y in [(0, 0), (3, 6), (7, -2), (11, 5), (15, 0), (18, 3)] for p in ((10, x), (20, y), (30, 0))]),
        ent("SPLINE", (70, 12), (71, 2), *[(40, k) for k in (0, 0, 0, .25, .25, .5, .5, .75, .75, 1, 1, 1)],
            *[(41, w) for w in (1, .7071, 1, .7071, 1, .7071, 1, .7071, 1)],
            *[p for x, y in [(46, 10), (46, 16), (40, 16), (34, 16), (34, 10), (34, 4), (40, 4), (46, 4), (46, 10)]
              for p in ((10, x), (20, y), (30, 0))]),
        ent("SPLINE", (70, 11), (71, 3), *[(40, k) for k in range(6)],
            *[p for x, y in [(60, 0), (70, 2), (72, 10), (64, 16), (56, 10)] for p in ((10, x), (20, y))]),
        ent("SPLINE", (70, 8), (71, 3), *[(40, k) for k in (0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2)],
            *[p for x, y in [(80, 20), (83, 27), (88, 27), (92, 20), (94, 27), (99, 26), (102, 20)]
              for p in ((10, x), (20, y))]),
        ent("SPLINE", (70, 8), (71, 3), (12, 1), (22, 1), (13, 1), (23, -2),
            *[p for x, y in [(0, 50), (4, 56), (9, 52), (13, 58), (18, 51)] for p in ((11, x), (21, y))]),
        ent("SPLINE", (70, 9), (71, 3), *[p for x, y in [(0, 0), (30, -5), (60, 0), (65, 20), (45, 35)]
                                          for p in ((11, x), (21, y))])),
    "splines_broken.dxf": entities(
        ent("SPLINE", (70, 8), (71, 3), (40, 0), (40, 1), (10, 0), (20, 0), (10, 1), (20, 1)),
        ent("SPLINE", (70, 12), (71, 1), (40, 0), (40, 0), (40, 1), (40, 1), (41, 0), (41, -1),
            (10, 0), (20, 0), (10, 1), (20, 1)),
        ent("SPLINE", (70, 8), (71, 99), (10, 0), (20, 0)),
        ent("SPLINE", (70, 8), (71, -5), (11, 0), (21, 0)),
        ent("SPLINE", (70, 8), (71, 3), (11, 0), (21, 0), (11, 0), (21, 0), (11, 0), (21, 0)),
        ent("SPLINE", (70, 8), (71, 3), (40, 1e300), (40, -1e300), (10, 1e300), (20, 0), (10, 0), (20, 1e300)),
        ent("SPLINE", (70, 8), (71, 2), *[(40, k) for k in (0, 0, 0, 1e-300, 1, 1, 1)],
            (10, 1e11), (20, 1e11), (10, -1e11), (20, 1e11), (10, 0), (20, 0), (10, 5), (20, -1e11)),
        line(0, 0, 1, 1)),

    # --- broken or extreme drawings
    "header_units_bad.dxf": groups((0, "SECTION"), (2, "HEADER"), (9, "$INSUNITS"), (70, "inch"),
                                   (9, "$INSUNITS"), (9, "$MEASUREMENT"), (70, 99999999999), (9, "$INSUNITS"),
                                   (70, "4.5"), (0, "ENDSEC")) + entities(circle(0, 0, 1)),
    "header_without_endsec.dxf": groups((0, "SECTION"), (2, "HEADER"), (9, "$INSUNITS"), (70, 1))
    + entities(line(0, 0, 1, 1)),
    "empty.dxf": "",
    "eof_only.dxf": groups((0, "EOF")),
    "no_entities_section.dxf": groups((0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1009"),
                                      (0, "ENDSEC"), (0, "EOF")),
    "entities_without_endsec.dxf": groups((0, "SECTION"), (2, "ENTITIES")) + line(0, 0, 1, 1),
    "truncated.dxf": entities(SQUARE, circle(30, 5, 3))[:200],
    "truncated_in_polyline.dxf": groups((0, "SECTION"), (2, "ENTITIES"))
    + ent("POLYLINE", (66, 1), (70, 1)) + ent("VERTEX", (10, 0), (20, 0)) + ent("VERTEX", (10, 5)),
    "blocks_without_endsec.dxf": groups((0, "SECTION"), (2, "BLOCKS")) + ent("BLOCK", (2, "B")) + circle(0, 0, 1)
    + entities(line(0, 0, 1, 0)),
    "nan_inf.dxf": entities(
        ent("LINE", (10, "nan"), (20, 0), (11, 1), (21, 1))),
    "inf.dxf": entities(ent("CIRCLE", (10, 0), (20, 0), (40, "inf"))),
    "minus_inf.dxf": entities(ent("ARC", (10, "-inf"), (20, 0), (40, 1), (50, 0), (51, 90))),
    "overflow_1e309.dxf": entities(ent("LINE", (10, "1e309"), (20, 0), (11, 1), (21, 1))),
    "huge_1e308.dxf": entities(
        line(-1e308, -1e308, 1e308, 1e308), line(1e308, 1e308, 1e308, -1e308),
        ent("CIRCLE", (10, 1e308), (20, 1e308), (40, 1e308)),
        ent("ARC", (10, 1e308), (20, 0), (40, 1e308), (50, 0), (51, 1e308)),
        lwpoly([(1e308, 0), (-1e308, 0, 1), (0, 1e308)]),
        ent("ELLIPSE", (10, 0), (20, 0), (11, 1e308), (21, 1e308), (40, 1e308), (41, 0), (42, 1e308))),
    "huge_radius.dxf": entities(circle(0, 0, 1e300), arc(0, 0, 1e200, 0, 359.999), line(0, 0, 1, 1)),
    "negative_radius.dxf": entities(circle(5, 5, -2), arc(0, 0, -3, 0, 90), line(3, 0, 6, 0)),
    "zero_radius.dxf": entities(circle(5, 5, 0), arc(0, 0, 0, 0, 90)),
    "bulge_extremes.dxf": entities(
        lwpoly([(0, 0, 1e-300), (10, 0, 1e300), (10, 10, -1e300), (0, 10, -1e-300)], closed=True),
        lwpoly([(20, 0, 4.9e-324), (30, 0, 1.7976931348623157e308), (30, 5)])),
    "bulge_tiny_polyline.dxf": entities(polyline([(0, 0, 0, 1e-300), (10, 0, 0, 1e300), (10, 10)], flags=1)),
    "cr_only.dxf": entities(SQUARE, circle(20, 5, 2)).replace("\n", "\r"),
    "crlf.dxf": entities(lwpoly([(0, 0), (5, 0, 0.3), (5, 5)], closed=True)).replace("\n", "\r\n"),
    # A UTF-8 byte-order mark before the first group, as some programs write.
    "utf8_byte_order_mark.dxf": "\xef\xbb\xbf" + entities(SQUARE, circle(20, 5, 2)),
    "mixed_line_ends.dxf": "  0\r\nSECTION\r  2\nENTITIES\n\r  0\r\nLINE\n 10\r0\r\n 20\n0\n 11\r\n3\r 21\n4\n  0\nENDSEC\n",
    "long_line_300.dxf": entities(
        ent("LINE", (10, "1." + "0" * 298), (20, 0), (11, 5), (21, 5), layer="L" * 300),
        ent("TEXT", (10, 0), (20, 0), (40, 1), (1, "T" * 300))),
    "long_number_256.dxf": entities(ent("CIRCLE", (10, "0." + "1" * 253 + "x"), (20, 0), (40, 1))),
    "bad_float.dxf": entities(ent("LINE", (10, "1,5"), (20, 0), (11, 1), (21, 1))),
    "bad_int.dxf": entities(ent("LINE", (62, "red"), (10, 0), (20, 0), (11, 1), (21, 1))),
    "bad_group_code.dxf": "  0\nSECTION\n  2\nENTITIES\n99999\nLINE\n  0\nLINE\n 10\n0\n",
    "blank_lines_spaces.dxf": "\n\n  0  \n SECTION \n\n 2\n  ENTITIES\t\n 0\nLINE\n+10\n +1.5e0\n20\n-0\n11\n.5\n21\n5.\n0\nENDSEC\n",
    "lwpolyline_mesh_flag.dxf": entities(ent("LWPOLYLINE", (70, 16), (10, 0), (20, 0), (10, 1), (20, 1))),
    "polyline_no_seqend.dxf": entities(
        ent("POLYLINE", (66, 1), (70, 0)) + ent("VERTEX", (10, 0), (20, 0)) + ent("VERTEX", (10, 5), (20, 0))
        + line(5, 0, 5, 5)),
    "polyline_mesh_bad_vertex.dxf": entities(polyline([(0, 0), (1, 0), (1, 1), (0, 1)], flags=16,
                                                      vertex_flags=0, head=((71, 2), (72, 2)))),
    "polyline_mesh_count_mismatch.dxf": entities(polyline([(0, 0), (1, 0), (1, 1)], flags=16, vertex_flags=64,
                                                          head=((71, 2147483647), (72, -2147483648)))),
    "polyface_bad_indices.dxf": entities(
        ent("POLYLINE", (66, 1), (70, 64))
        + ent("VERTEX", (10, 0), (20, 0), (70, 192))
        + ent("VERTEX", (70, 128), (71, -9223372036854775807), (72, 0), (73, 99999999999), (74, -2147483648))
        + ent("VERTEX", (70, 0)) + ent("SEQEND")),
    "ellipse_extreme_params.dxf": entities(
        ent("ELLIPSE", (10, 0), (20, 0), (11, 1000), (21, 0), (40, 1e-300), (41, -1e300), (42, 1e300)),
        ent("ELLIPSE", (10, 0), (20, 0), (11, 0), (21, 0), (40, 0.5), (41, 0), (42, 6.28)),
        ent("ELLIPSE", (10, 0), (20, 0), (11, 1e-320), (21, 0), (40, 1e300), (41, 0), (42, 6.28)),
        ent("ELLIPSE", (10, 0), (20, 0), (11, 5), (21, 0), (40, 0.5), (41, 6.28), (42, 0))),
    "extrusion_extremes.dxf": entities(
        arc(1, 1, 1, 0, 90, ((210, 1e-160), (220, 1e-160), (230, 0))),
        circle(1, 1, 1, ((210, 1e200), (220, 0), (230, -1e200))),
        circle(2, 2, 1, ((210, 0), (220, 0), (230, 0))),
        circle(3, 3, 1, ((210, 4.9e-324), (220, 0), (230, -4.9e-324)))),
    "angles_extreme.dxf": entities(arc(0, 0, 1, -1e300, 1e300), arc(5, 0, 1, 720, -360.0000001),
                                   arc(10, 0, 1, 359.99999999999, 0)),
    "garbage.dxf": "\x00\x01\x02 0\nSECTION\n\xff\xfe2\nENTITIES\n0\n\x00LINE\n",
    "duplicate_sections.dxf": entities(line(0, 0, 1, 0)) + entities(line(1, 0, 1, 1)),
    "nested_sections.dxf": groups((0, "SECTION"), (2, "BLOCKS"), (0, "SECTION"), (2, "ENTITIES"))
    + line(0, 0, 1, 0) + groups((0, "ENDSEC"), (0, "ENDSEC")),
}

# Aimed at chaining, joining and the self-touching repair.
OPEN_ONLY = {
    "chain_small_gaps.dxf": entities(line(0, 0, 10, 0), line(10.0004, 0.0004, 10, 10), line(10, 10.0004, 0, 10),
                                     line(0.0003, 10, 0, 0.0002)),
    "chain_duplicates.dxf": entities(SQUARE, SQUARE, line(10, 0, 0, 0), arc(5, 5, 5, 0, 90), arc(5, 5, 5, 0, 90)),
    "chain_short_segments.dxf": entities(line(0, 0, 0.0002, 0), line(0.0002, 0, 5, 0), line(5, 0, 5, 0.0001),
                                         line(5, 0.0001, 5, 5), line(5, 5, 0, 0)),
    "join_open_polylines.dxf": entities(lwpoly([(0, 0), (5, 0), (5, 5)]), lwpoly([(5, 5), (0, 5)]),
                                        lwpoly([(0, 0), (0, 5)]), line(20, 0, 25, 0), lwpoly([(25, 0), (20, 5)])),
    "arcs_joining.dxf": entities(arc(0, 0, 5, 0, 90), arc(0, 0, 5, 90, 180), arc(0, 0, 5, 180, 270),
                                 arc(0, 0, 5, 270, 0), arc(10.0003, 0, 5, 180, 0)),
    "figure_eight_repeated_point.dxf": entities(
        lwpoly([(0, 0), (5, 5), (10, 0), (10, 10), (5, 5), (0, 10)], closed=True)),
    "bow_tie_crossing.dxf": entities(lwpoly([(0, 0), (10, 10), (10, 0), (0, 10)], closed=True),
                                     lwpoly([(20, 0), (30, 0, 1), (20, 5), (30, 5)], closed=True)),
    "crossing_lines_chain.dxf": entities(line(0, 0, 10, 10), line(10, 10, 10, 0), line(10, 0, 0, 10),
                                         line(0, 10, 0, 0)),
    "turn_back_polyline.dxf": entities(lwpoly([(0, 0), (10, 0), (5, 0), (5, 5), (5, 2)], closed=True),
                                       lwpoly([(20, 0), (25, 0), (30, 0), (30, 5)])),
    # Arcs of huge radius whose start (angle 0) touches a line that comes
    # first in XMin order, so that chaining moves the arc's start.
    "huge_arc_touching_line.dxf": entities(line(-1e170, 0, 0, 0), arc(-1e160, 0, 1e160, 0, 1),
                                           line(-2e11, 5, 0, 5), arc(-1e11, 5, 1e11, 0, 1e-6)),
    # Open pieces drawn right to left: every join extends a chain at its start.
    "join_backwards.dxf": entities(*[lwpoly([(k + 1, (k + 1) % 2), (k, k % 2)]) for k in range(40)]),
    # Many segments with the same XMin (a dashed vertical line).
    "same_xmin_dashes.dxf": entities(*[line(0, k, 0, k + 0.5) for k in range(60)]),
    "closed_mesh_no_merge.dxf": entities(polyline([(0, 0), (10, 0), (0, 10), (10, 10)], flags=17,
                                                  vertex_flags=64, head=((71, 2), (72, 2)))),
    "bulge_on_repeated_vertex.dxf": entities(lwpoly([(0, 0), (5, 0, 0.3), (5, 0), (10, 0)]),
                                             lwpoly([(20, 0, 0.5), (20, 0, 0.5), (25, 0)], closed=True)),
    # An elliptical arc whose end parameter is below its start: it runs
    # counter-clockwise through parameter 0.
    "ellipse_end_below_start.dxf": entities(ent("ELLIPSE", (10, 0), (20, 0), (11, 10), (21, 0), (40, 0.5),
                                                (41, 5.235987755982989), (42, 1.0471975511965976))),
    "tiny_arcs.dxf": entities(arc(0, 0, 0.0003, 0, 180), line(0.0003, 0, 1, 0), line(-0.0003, 0, -1, 0),
                              line(-1, 0, 1, 0)),
    "many_circles.dxf": entities(*[circle(3 * (k % 8), 3 * (k // 8), 1) for k in range(40)]),
    "concentric_and_tangent.dxf": entities(circle(0, 0, 5), circle(0, 0, 5.0000001), circle(10, 0, 5),
                                           lwpoly([(-5, 0, 1), (5, 0, 1)], closed=True)),
}


def write(folder, name, text):
    data = text.encode("latin-1")
    assert len(data) < 8192, (name, len(data))
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    for target in TARGETS:
        folder = os.path.join(SEEDS, target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        items = dict(COMMON)
        if target == "open_drawing_fuzz":
            items.update(OPEN_ONLY)
        for name, text in sorted(items.items()):
            write(folder, name, text)
        for name in FIXTURES:
            src = os.path.join(DATA, name)
            assert os.path.getsize(src) < 8192, name
            shutil.copyfile(src, os.path.join(folder, name))


if __name__ == "__main__":
    main()
