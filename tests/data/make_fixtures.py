#!/usr/bin/env python3
"""Write the ezdxf_*.dxf fixtures of tests/data/ with a DXF library that is
not ours (ezdxf, Debian package python3-ezdxf).

The files are written next to this script.  Run it from anywhere:

    python3 tests/data/make_fixtures.py

The point of these files is that a third party wrote them: they carry the
tables, handles, subclass markers and number formats a real DXF writer
produces, which hand-made files do not.  What each file holds and the region
counts expected after loading are listed in fixtures.md beside this script;
those counts were worked out from the geometry below, so keep the two in step
when you change a shape.

Output is deterministic: ezdxf's "fixed meta data for testing" option replaces
the creation/update dates and the two GUIDs by constants, handles are given
out in creation order, and the script re-runs itself with a fixed hash seed
(scripts/ezdxf_python.py).  Running the script twice gives byte-identical files.
"""

import math
import random
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from ezdxf_python import run_with_ezdxf  # noqa: E402

run_with_ezdxf()

import ezdxf  # noqa: E402
from ezdxf.math import Matrix44  # noqa: E402
from ezdxf.render import forms  # noqa: E402

OUT = Path(__file__).resolve().parent

ezdxf.options.write_fixed_meta_data_for_testing = True

R12 = "R12"
R2018 = "R2018"

# tan(22.5 deg): the bulge of a quarter circle (about 0.4142).
QUARTER_BULGE = math.tan(math.pi / 8)


def new_doc(version):
    doc = ezdxf.new(version)
    doc.header["$INSUNITS"] = 4  # millimetres; ignored by R12 readers
    return doc


def save(doc, name):
    path = OUT / name
    doc.saveas(path)
    size = path.stat().st_size
    assert size < 200_000, f"{name} is {size} bytes: too big for a fixture"
    print(f"wrote {name} ({size} bytes)")


def add_2d_polyline(msp, version, points, close=False, dxfattribs=None):
    """points are (x, y, bulge).  R12 has no LWPOLYLINE: use a 2D POLYLINE."""
    if version == R12:
        return msp.add_polyline2d(
            points, format="xyb", close=close, dxfattribs=dxfattribs
        )
    return msp.add_lwpolyline(
        points, format="xyb", close=close, dxfattribs=dxfattribs
    )


# 1. ------------------------------------------------------------------------
def lines(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    # Square (0,0)-(10,10).  File order: top, bottom, right, left; the
    # directions do not follow one another round the loop.
    msp.add_line((10, 10), (0, 10))  # top, drawn right to left
    msp.add_line((0, 0), (10, 0))  # bottom, left to right
    msp.add_line((10, 10), (10, 0))  # right, downward
    msp.add_line((0, 10), (0, 0))  # left, downward
    # Open V of two LINEs meeting at (25,5); the second is drawn towards the
    # shared point too.  Free ends (20,0) and (30,0).
    msp.add_line((20, 0), (25, 5))
    msp.add_line((30, 0), (25, 5))
    save(doc, f"ezdxf_lines_{version.lower()}.dxf")


# 2. ------------------------------------------------------------------------
def arcs_circles(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    # Stadium (slot) 26 long, 6 wide: arc centres (0,0) and (20,0), r = 3.
    msp.add_line((0, -3), (20, -3))
    msp.add_arc((20, 0), 3, 270, 90)  # right end, through angle 0
    msp.add_line((20, 3), (0, 3))  # drawn backwards
    msp.add_arc((0, 0), 3, 90, 270)  # left end, through angle 180
    # Three circles, clear of the slot and of each other.
    msp.add_circle((40, 0), 2)
    msp.add_circle((50, 0), 4)
    msp.add_circle((0, 20), 5)
    save(doc, f"ezdxf_arcs_circles_{version.lower()}.dxf")


# 3. ------------------------------------------------------------------------
def polylines(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    # a) closed rectangle 20 x 10
    add_2d_polyline(
        msp, version, [(0, 0, 0), (20, 0, 0), (20, 10, 0), (0, 10, 0)],
        close=True,
    )
    # b) closed rounded rectangle (30,0)-(50,10), corner radius 2: each
    #    corner is a quarter circle (bulge tan(22.5 deg)), turning left.
    b = QUARTER_BULGE
    add_2d_polyline(
        msp, version,
        [(32, 0, 0), (48, 0, b), (50, 2, 0), (50, 8, b),
         (48, 10, 0), (32, 10, b), (30, 8, 0), (30, 2, b)],
        close=True,
    )
    # c) open: line (0,20)-(10,20), arc (10,20)-(20,20) with bulge 0.5
    #    (counter-clockwise, so it dips below y = 20 to y = 17.5), then line
    #    (20,20)-(25,25).
    add_2d_polyline(
        msp, version, [(0, 20, 0), (10, 20, 0.5), (20, 20, 0), (25, 25, 0)]
    )
    # d) closed, two vertices, bulge 1 on both: a full circle, centre
    #    (43,25), radius 3.
    add_2d_polyline(msp, version, [(40, 25, 1), (46, 25, 1)], close=True)
    name = "lwpolyline_r2018" if version == R2018 else "polyline2d_r12"
    save(doc, f"ezdxf_{name}.dxf")


# 4. ------------------------------------------------------------------------
def ellipse():
    doc = new_doc(R2018)
    msp = doc.modelspace()
    # Full ellipse: centre (0,0), semi-axes 10 (along X) and 5.
    msp.add_ellipse((0, 0), major_axis=(10, 0), ratio=0.5)
    # Half ellipse: centre (30,0), major axis along +Y (length 6), minor
    # semi-axis 3; parameters 0..pi run from (30,6) through (27,0) to (30,-6).
    msp.add_ellipse(
        (30, 0), major_axis=(0, 6), ratio=0.5, start_param=0,
        end_param=math.pi,
    )
    save(doc, "ezdxf_ellipse_r2018.dxf")


# 5. ------------------------------------------------------------------------
def blocks_insert(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    blk = doc.blocks.new(name="HOLE")
    blk.add_circle((0, 0), 2)
    msp.add_blockref("HOLE", (10, 10))
    msp.add_blockref(
        "HOLE", (30, 10), dxfattribs={"xscale": 2, "yscale": 2, "rotation": 45}
    )
    msp.add_line((0, 0), (40, 0))
    save(doc, f"ezdxf_blocks_insert_{version.lower()}.dxf")


# 6. ------------------------------------------------------------------------
def faces(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    # 3DFACE corners are in order round the face.
    msp.add_3dface([(0, 0, 0), (10, 0, 0), (5, 8, 0)])  # triangle: 13 == 12
    msp.add_3dface([(20, 0, 0), (30, 0, 0), (30, 10, 2), (20, 10, 2)])
    # SOLID and TRACE store their corners "bow-tie" style: the outline is
    # 10-11-13-12, so a square is given as 0-1-3-2.
    msp.add_solid([(40, 0), (50, 0), (40, 10), (50, 10)])  # square
    msp.add_trace([(60, 0), (70, 0), (60, 4), (70, 4)])  # 10 x 4 rectangle
    msp.add_solid([(80, 0), (90, 0), (85, 8)])  # triangle: 13 == 12
    save(doc, f"ezdxf_faces_{version.lower()}.dxf")


# 7. ------------------------------------------------------------------------
def meshes(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    # Polyface: a unit cube scaled to 10, tilted so that no two of its corners
    # project onto the same XY point and no two consecutive position vertices
    # run along parallel lines in XY, then moved to (50,50).  ezdxf stores the
    # positions in order of first use by the faces.
    cube = forms.cube(center=True)
    cube.scale_uniform(10)
    cube.transform(
        Matrix44.chain(
            Matrix44.x_rotate(math.radians(25)),
            Matrix44.y_rotate(math.radians(15)),
            Matrix44.z_rotate(math.radians(10)),
            Matrix44.translate(50, 50, 0),
        )
    )
    cube.render_polyface(msp)
    # Polygon mesh: 3 x 4 grid (M = 3 rows along Y, N = 4 columns along X),
    # spacing 10, from (0,0) to (30,20), with a little height.
    mesh = msp.add_polymesh(size=(3, 4))
    for m in range(3):
        for n in range(4):
            mesh.set_mesh_vertex((m, n), (10 * n, 10 * m, m * n * 0.5))
    save(doc, f"ezdxf_meshes_{version.lower()}.dxf")


# 8. ------------------------------------------------------------------------
def mixed_layers(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    # The layer table is case-insensitive in ezdxf (and in DXF), so only
    # "walls" goes into it; "WALLS" is used by entities without a table entry.
    doc.layers.add("walls", color=1)
    walls_a = {"layer": "walls", "color": 1}
    walls_b = {"layer": "WALLS", "color": 3}
    walls_bylayer = {"layer": "walls"}  # colour BYLAYER (256)
    zero = {"layer": "0", "color": 2}
    # Square (0,0)-(10,10): bottom and top on "walls", sides on "WALLS".
    msp.add_line((0, 0), (10, 0), dxfattribs=walls_a)
    msp.add_line((10, 10), (0, 10), dxfattribs=walls_a)
    msp.add_line((10, 0), (10, 10), dxfattribs=walls_b)
    msp.add_line((0, 0), (0, 10), dxfattribs=walls_b)
    # Square (20,0)-(30,10): bottom on "0", the rest on "walls".
    msp.add_line((20, 0), (30, 0), dxfattribs=zero)
    msp.add_line((30, 0), (30, 10), dxfattribs=walls_bylayer)
    msp.add_line((30, 10), (20, 10), dxfattribs=walls_bylayer)
    msp.add_line((20, 10), (20, 0), dxfattribs=walls_bylayer)
    # Circle on "WALLS".
    msp.add_circle((45, 5), 3, dxfattribs={"layer": "WALLS", "color": 5})
    # Open polyline on "0" and an open line on "walls", apart from all else.
    add_2d_polyline(
        msp, version, [(0, 20, 0), (10, 25, 0), (20, 20, 0)], dxfattribs=zero
    )
    msp.add_line((30, 20), (40, 25), dxfattribs=walls_a)
    save(doc, f"ezdxf_mixed_layers_{version.lower()}.dxf")


# 9. ------------------------------------------------------------------------
def every_entity():
    doc = new_doc(R2018)
    msp = doc.modelspace()
    # Row y = 0
    msp.add_point((0, 0))
    msp.add_line((30, 0), (40, 5))
    msp.add_circle((65, 5), 4)
    msp.add_arc((95, 5), 4, 0, 120)
    msp.add_ellipse((125, 5), major_axis=(6, 0), ratio=0.5)
    # Row y = 30
    msp.add_text("TIBREL", height=3).set_placement((0, 30))
    msp.add_mtext(
        "Line one\\PLine two", dxfattribs={"insert": (30, 40), "char_height": 3}
    )
    msp.add_lwpolyline(
        [(60, 30, 0), (70, 30, 0.5), (70, 38, 0), (60, 38, 0)],
        format="xyb", close=True,
    )
    msp.add_polyline2d([(90, 30), (95, 38), (100, 30)])
    msp.add_polyline3d([(120, 30, 0), (125, 35, 3), (130, 30, 6)])
    # Row y = 60
    msp.add_3dface([(0, 60), (10, 60), (10, 70), (0, 70)])
    msp.add_solid([(30, 60), (40, 60), (30, 70), (40, 70)])
    msp.add_trace([(60, 60), (70, 60), (60, 64), (70, 64)])
    msp.add_spline([(90, 60), (95, 66), (100, 60), (105, 66)])
    blk = doc.blocks.new(name="MARK")
    blk.add_circle((0, 0), 2)
    blk.add_attdef("ID", (3, 0), dxfattribs={"height": 1.5})
    # A plain INSERT: no ATTRIB records follow it.
    msp.add_blockref("MARK", (125, 65))
    save(doc, "ezdxf_every_entity_r2018.dxf")


# 10. -----------------------------------------------------------------------
def ocs_mirrored(version):
    doc = new_doc(version)
    msp = doc.modelspace()
    down = {"extrusion": (0, 0, -1)}
    # With extrusion (0,0,-1) the OCS X axis is world -X and the OCS Y axis is
    # world +Y (arbitrary axis algorithm), so OCS (x, y) is world (-x, y) and
    # a counter-clockwise OCS arc runs clockwise seen from world +Z.
    #
    # Half circle: OCS centre (20,0), r 3, 0..180 deg -> world centre (-20,0),
    # from (-23,0) over (-20,3) to (-17,0).  The world LINE closes it into a
    # D shape only when the arc is put at the mirrored place.
    msp.add_arc((20, 0), 3, 0, 180, dxfattribs=down)
    msp.add_line((-23, 0), (-17, 0))
    # Quarter arc: OCS centre (0,20), r 4, 0..90 deg -> world centre (0,20),
    # from (-4,20) clockwise to (0,24); in world terms the counter-clockwise
    # arc from 90 to 180 deg.
    msp.add_arc((0, 20), 4, 0, 90, dxfattribs=down)
    # Circle: OCS centre (5,0) -> world centre (-5,0), r 2.
    msp.add_circle((5, 0), 2, dxfattribs=down)
    save(doc, f"ezdxf_ocs_mirrored_{version.lower()}.dxf")


# 11. -----------------------------------------------------------------------
def pies():
    doc = new_doc(R12)
    msp = doc.modelspace()
    # 40 pies of radius 1200 on a grid 3000 apart, each centre moved by up
    # to 100 and each arc starting and turning by its own amount: two LINEs
    # from the centre to the ends of an ARC, whose ends ezdxf computes from
    # the angles at full precision.  Drawn in file order arc, line to the
    # start, line from the end; every second pie has its lines reversed.
    rng = random.Random(1200)
    for k in range(40):
        cx = 3000 * (k % 8) + 100 * rng.random()
        cy = 3000 * (k // 8) + 100 * rng.random()
        a0 = 360 * rng.random()
        a1 = a0 + 20 + 300 * rng.random()
        arc = msp.add_arc((cx, cy), 1200, a0, a1)
        s, e = arc.start_point, arc.end_point
        if k % 2:
            msp.add_line((s.x, s.y), (cx, cy))
            msp.add_line((cx, cy), (e.x, e.y))
        else:
            msp.add_line((cx, cy), (s.x, s.y))
            msp.add_line((e.x, e.y), (cx, cy))
    save(doc, "ezdxf_pies_r12.dxf")


def plate(version, units):
    """A mounting plate 4 x 2.5 in with four holes of 3/16 in, 3/8 in in
    from the corners: in inches ($INSUNITS 1), the same plate in millimetres
    ($INSUNITS 4, every number times 25.4), or as R12 (no $INSUNITS at all,
    so the reader has to take the unit from its option; the numbers are the
    millimetre ones)."""
    doc = new_doc(version)
    if version != R12:
        doc.header["$INSUNITS"] = 1 if units == "inch" else 4
    scale = 1.0 if units == "inch" else 25.4
    w, h, inset, r = 4 * scale, 2.5 * scale, 0.375 * scale, 0.09375 * scale
    msp = doc.modelspace()
    outline = [(0, 0, 0), (w, 0, 0), (w, h, 0), (0, h, 0)]
    add_2d_polyline(msp, version, outline, close=True)
    for x in (inset, w - inset):
        for y in (inset, h - inset):
            msp.add_circle((x, y), r)
    name = "unitless_r12" if version == R12 else f"{units}_{version.lower()}"
    save(doc, f"ezdxf_plate_{name}.dxf")


# 13. -----------------------------------------------------------------------
def text():
    """One capital H per text entity, 5 high, each placed by another rule,
    far enough apart that every H is a region of its own (see fixtures.md)."""
    from ezdxf.enums import MTextEntityAlignment, TextEntityAlignment as A

    doc = new_doc(R2018)
    msp = doc.modelspace()
    h = 5
    placed = [
        ((0, 0), A.LEFT),
        ((50, 0), A.CENTER),
        ((100, 0), A.RIGHT),
        ((150, 0), A.MIDDLE_CENTER),
        ((200, 0), A.TOP_LEFT),
        ((250, 0), A.BOTTOM_RIGHT),
    ]
    for point, align in placed:
        msp.add_text("H", height=h).set_placement(point, align=align)
    msp.add_text("H", height=h, rotation=90).set_placement((0, 50))
    msp.add_text("H", height=h, rotation=30).set_placement((50, 50), align=A.CENTER)
    msp.add_mtext(
        "{\\C1;H}\\PH",
        dxfattribs={"insert": (0, 100), "char_height": h,
                    "attachment_point": MTextEntityAlignment.TOP_LEFT},
    )
    msp.add_mtext(
        "{\\fArial|b0|i0;H}",
        dxfattribs={"insert": (50, 100), "char_height": h,
                    "attachment_point": MTextEntityAlignment.MIDDLE_CENTER},
    )
    blk = doc.blocks.new(name="TAGGED")
    blk.add_attdef("NAME", (0, 0), dxfattribs={"height": h})
    ref = msp.add_blockref("TAGGED", (100, 100))
    ref.add_attrib("NAME", "H", (100, 100), dxfattribs={"height": h})
    save(doc, "ezdxf_text_r2018.dxf")


# Reference files -----------------------------------------------------------
# ezdxf's own reading of what a fixture means, written beside it as plain
# text, so that tests compare our reading with another library's without
# running Python.  Every number is written with repr(), which reads back to
# the same double.  Points are world coordinates seen from above (X, Y).


class Reference:
    def __init__(self, comment):
        self.lines = [f"# {comment}"]

    def add(self, *words):
        self.lines.append(
            " ".join(w if isinstance(w, str) else repr(float(w)) for w in words)
        )

    def save(self, name):
        path = OUT / name
        path.write_text("\n".join(self.lines) + "\n")
        print(f"wrote {name} ({path.stat().st_size} bytes)")


def xy(points):
    out = []
    for p in points:
        out += [p.x, p.y]
    return out


def write_spline(ref, spline):
    """The B-spline ezdxf evaluates for a SPLINE: for one given by fit points
    only, the control points of its interpolation."""
    bs = spline.construction_tool()
    knots = list(bs.knots())
    points = list(bs.control_points)
    weights = list(bs.weights()) or [1.0] * len(points)
    ref.add("spline", str(bs.degree), str(len(knots)), *knots)
    ref.add("points", str(len(points)), *xy(points))
    ref.add("weights", str(len(weights)), *weights)


def write_piece(ref, e):
    """One entity as primitive pieces: polylines come apart into their lines
    and arcs; arcs and ellipses are given by points on them, start to end."""
    t = e.dxftype()
    if t == "LINE":
        ref.add("line", *xy([e.dxf.start, e.dxf.end]))
    elif t == "CIRCLE":
        c = e.ocs().to_wcs(e.dxf.center)
        ref.add("circle", c.x, c.y, e.dxf.radius)
    elif t == "ARC":
        c = e.ocs().to_wcs(e.dxf.center)
        span = (e.dxf.end_angle - e.dxf.start_angle) % 360
        mid = list(e.vertices([e.dxf.start_angle + span / 2]))[0]
        ref.add("arc", c.x, c.y, e.dxf.radius,
                *xy([e.start_point, mid, e.end_point]))
    elif t == "ELLIPSE":
        points = list(e.vertices(e.params(9)))
        ref.add("ellipse", str(len(points)), *xy(points))
    elif t in ("LWPOLYLINE", "POLYLINE"):
        for piece in e.virtual_entities():
            write_piece(ref, piece)
    elif t == "SPLINE":
        write_spline(ref, e)
    elif t in ("ATTDEF", "ATTRIB", "TEXT", "MTEXT", "POINT"):
        pass
    else:
        raise ValueError(f"no reference form for {t}")


def expanded(insert):
    """ezdxf's expansion of a block reference, nested ones expanded where
    they stand, a MINSERT copy by copy."""
    copies = list(insert.multi_insert()) if insert.mcount > 1 else [insert]
    for copy in copies:
        for e in copy.virtual_entities():
            if e.dxftype() == "INSERT":
                yield from expanded(e)
            else:
                yield e


# 11. -----------------------------------------------------------------------
def blocks_nested(version):
    """Blocks inserted as CAD users do: nested, turned, scaled unevenly and
    negatively, in a mirrored OCS, and as MINSERT arrays.  The reference file
    holds ezdxf's expansion of every INSERT of modelspace, in file order."""
    doc = new_doc(version)
    msp = doc.modelspace()
    # HOLE: a circle about the block origin.
    hole = doc.blocks.new(name="HOLE")
    hole.add_circle((0, 0), 2)
    # SLOT: a stadium 8 x 2 about (1, 0), which is its base point.
    slot = doc.blocks.new(name="SLOT", base_point=(1, 0))
    slot.add_line((-2, -1), (4, -1))
    slot.add_arc((4, 0), 1, 270, 90)
    slot.add_line((4, 1), (-2, 1))
    slot.add_arc((-2, 0), 1, 90, 270)
    # BRACKET: a plate with a bulged edge, a hole and a turned slot inside,
    # a line on a layer of its own, and (R2018) an elliptical arc and a
    # spline.
    bracket = doc.blocks.new(name="BRACKET")
    add_2d_polyline(
        bracket, version, [(0, 0, 0), (14, 0, 0.4), (14, 8, 0), (0, 8, 0)],
        close=True,
    )
    bracket.add_blockref("HOLE", (3, 4), dxfattribs={"xscale": 0.5, "yscale": 0.5})
    bracket.add_blockref("SLOT", (9, 4), dxfattribs={"rotation": 30})
    bracket.add_line((1, 7), (5, 7), dxfattribs={"layer": "EDGE"})
    if version == R2018:
        bracket.add_ellipse((7, 2), major_axis=(2, 0.5), ratio=0.4,
                            start_param=0.3, end_param=2.5)
        bracket.add_open_spline([(1, 1), (2, 3), (4, 1), (5, 3)], degree=3)
    # PLATE: as BRACKET with its slot not turned.  A turned insert inside an
    # unevenly scaled one is sheared, which no INSERT can express; ezdxf
    # 0.18 then places the inner insert wrongly (its reference would be
    # wrong), so the uneven scale is applied to this block instead.
    plate = doc.blocks.new(name="PLATE")
    add_2d_polyline(
        plate, version, [(0, 0, 0), (14, 0, 0.4), (14, 8, 0), (0, 8, 0)],
        close=True,
    )
    plate.add_blockref("HOLE", (3, 4), dxfattribs={"xscale": 0.5, "yscale": 0.5})
    plate.add_blockref("SLOT", (9, 4))
    plate.add_arc((7, 6), 1.5, 20, 160)
    if version == R2018:
        plate.add_ellipse((7, 2), major_axis=(2, 0.5), ratio=0.4,
                          start_param=0.3, end_param=2.5)
    # Modelspace: the bracket as it is, turned, mirrored by a negative
    # scale, in a mirrored OCS; the plate scaled unevenly; arrays of holes
    # and slots.
    msp.add_blockref("BRACKET", (0, 0), dxfattribs={"rotation": 15})
    msp.add_blockref(
        "PLATE", (30, 0),
        dxfattribs={"xscale": 2, "yscale": 0.5, "rotation": 10},
    )
    msp.add_blockref("BRACKET", (70, 0), dxfattribs={"xscale": -1})
    msp.add_blockref(
        "BRACKET", (10, 40),
        dxfattribs={"extrusion": (0, 0, -1), "rotation": 20},
    )
    msp.add_blockref(
        "BRACKET", (100, 50),
        dxfattribs={"xscale": 1.5, "yscale": -1.5, "rotation": 90},
    )
    holes = msp.add_blockref("HOLE", (100, 0), dxfattribs={"rotation": 30})
    holes.dxf.row_count = 3
    holes.dxf.column_count = 4
    holes.dxf.row_spacing = 8
    holes.dxf.column_spacing = 10
    slots = msp.add_blockref("SLOT", (40, 40), dxfattribs={"xscale": 1.5, "yscale": 1.5})
    slots.dxf.row_count = 2
    slots.dxf.column_count = 2
    slots.dxf.row_spacing = 6
    slots.dxf.column_spacing = 14
    name = f"ezdxf_blocks_nested_{version.lower()}"
    save(doc, f"{name}.dxf")
    ref = Reference(f"ezdxf's expansion of the INSERTs of {name}.dxf")
    for i, insert in enumerate(msp.query("INSERT")):
        ref.add("insert", str(i))
        for e in expanded(insert):
            write_piece(ref, e)
    ref.save(f"{name}.ref")


# 12. -----------------------------------------------------------------------
DEEP_BLOCKS = 34


def blocks_cycle():
    """A block that inserts itself, and blocks nested 34 deep (R12 keeps the
    file small)."""
    doc = new_doc(R12)
    msp = doc.modelspace()
    self_block = doc.blocks.new(name="SELF")
    self_block.add_line((0, 0), (1, 1))
    self_block.add_blockref("SELF", (3, 0))
    for k in range(DEEP_BLOCKS):
        deep = doc.blocks.new(name=f"DEEP{k}")
        deep.add_line((0, 0), (1, 0))
        if k + 1 < DEEP_BLOCKS:
            deep.add_blockref(f"DEEP{k + 1}", (0, 2))
    msp.add_blockref("SELF", (50, 50))
    msp.add_blockref("DEEP0", (0, 0))
    msp.add_line((20, 0), (30, 0))
    save(doc, "ezdxf_blocks_cycle_r12.dxf")


# 13. -----------------------------------------------------------------------
def plate_holes(version):
    """A mounting plate whose four holes are one block inserted four times."""
    doc = new_doc(version)
    msp = doc.modelspace()
    hole = doc.blocks.new(name="M6")
    hole.add_circle((0, 0), 3.2)
    for a, b in [((0, 0), (80, 0)), ((80, 0), (80, 50)), ((80, 50), (0, 50)),
                 ((0, 50), (0, 0))]:
        msp.add_line(a, b)
    for x, y in [(8, 8), (72, 8), (72, 42), (8, 42)]:
        msp.add_blockref("M6", (x, y))
    save(doc, f"ezdxf_plate_holes_{version.lower()}.dxf")


# 14. -----------------------------------------------------------------------
def nurbs_circle(cx, cy, r):
    """A circle as a rational quadratic B-spline: 9 control points on a
    square, weights 1 and sqrt(2)/2, double inner knots."""
    w = math.sqrt(0.5)
    pts = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1),
           (1, -1), (1, 0)]
    weights = [1, w, 1, w, 1, w, 1, w, 1]
    knots = [0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1]
    return [(cx + r * x, cy + r * y) for x, y in pts], weights, knots


def splines():
    """Splines of every kind a drawing program writes.  The reference file
    holds, for each in file order, the B-spline ezdxf evaluates for it."""
    doc = new_doc(R2018)
    msp = doc.modelspace()
    wave = [(0, 0), (3, 6), (7, -2), (11, 5), (15, 0), (18, 3)]
    # Open clamped splines of degree 2, 3 and 5.
    msp.add_open_spline([(x, y) for x, y in wave], degree=2)
    msp.add_open_spline([(x, y + 15) for x, y in wave], degree=3)
    msp.add_open_spline([(x, y + 30) for x, y in wave], degree=5)
    # A rational circle, centre (40, 10), radius 6.
    pts, weights, knots = nurbs_circle(40, 10, 6)
    circle = msp.add_rational_spline(pts, weights, degree=2, knots=knots)
    circle.dxf.flags = circle.dxf.flags | circle.CLOSED
    # Closed periodic splines (the first control points repeated at the end,
    # uniform knots), plain and rational.
    ring = [(60, 0, 0), (70, 2, 0), (72, 10, 0), (64, 16, 0), (56, 10, 0)]
    msp.add_spline().set_closed(ring, degree=3)
    msp.add_spline().set_closed_rational(
        [(x, y + 25, z) for x, y, z in ring], weights=[1, 2, 0.5, 1, 3], degree=3
    )
    # Unclamped uniform knots: the curve does not start at the first point.
    uniform = msp.add_spline()
    uniform.set_uniform([(x + 80, y, 0) for x, y in wave], degree=3)
    # A corner at (92, 20): a knot of multiplicity 3 in a cubic.
    corner = msp.add_open_spline(
        [(80, 20), (83, 27), (88, 27), (92, 20), (94, 27), (99, 26), (102, 20)],
        degree=3, knots=[0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2],
    )
    assert corner.dxf.degree == 3
    # Fit points only, with and without end tangents.
    fit = [(0, 50), (4, 56), (9, 52), (13, 58), (18, 51)]
    tangents = msp.add_spline(fit)
    tangents.dxf.start_tangent = (1, 1, 0)
    tangents.dxf.end_tangent = (1, -2, 0)
    msp.add_spline([(x + 25, y) for x, y in fit])
    save(doc, "ezdxf_splines_r2018.dxf")
    ref = Reference("ezdxf's B-splines of the SPLINEs of ezdxf_splines_r2018.dxf")
    for e in msp.query("SPLINE"):
        write_spline(ref, e)
    ref.save("ezdxf_splines_r2018.ref")


# 15. -----------------------------------------------------------------------
def closed_spline():
    """A drawing that is one closed SPLINE: an outline of a part drawn
    through its fit points, closed."""
    doc = new_doc(R2018)
    msp = doc.modelspace()
    outline = [(0, 0, 0), (30, -5, 0), (60, 0, 0), (65, 20, 0), (45, 35, 0),
               (15, 30, 0), (-5, 15, 0)]
    msp.add_spline().set_closed(outline, degree=3)
    save(doc, "ezdxf_closed_spline_r2018.dxf")


def main():
    text()
    for version in (R12, R2018):
        blocks_nested(version)
        plate_holes(version)
    blocks_cycle()
    splines()
    closed_spline()
    for version in (R12, R2018):
        lines(version)
        arcs_circles(version)
        polylines(version)
        blocks_insert(version)
        faces(version)
        meshes(version)
        mixed_layers(version)
        ocs_mirrored(version)
    ellipse()
    every_entity()
    pies()
    plate(R2018, "inch")
    plate(R2018, "mm")
    plate(R12, "mm")


if __name__ == "__main__":
    main()
