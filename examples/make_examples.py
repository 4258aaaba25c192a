#!/usr/bin/env python3
"""Write the example drawings of examples/ as DXF R2000 files with ezdxf
(Debian package python3-ezdxf).

    python3 examples/make_examples.py

The drawings use LWPOLYLINE, which R12 does not have, so they are written as
R2000 (AC1015), the first version whose entities they all are: LINE, ARC,
CIRCLE, 2D POLYLINE with VERTEX and SEQEND, and LWPOLYLINE (bracket.dxf).
The header states the units (millimetres, $INSUNITS 4); ezdxf adds the
tables, blocks, handles and objects a reader of that version expects.

Every number goes through num() first, so the files hold values of at most
6 decimals (the bulge of a quarter circle too).  The files are written next
to this script, and the same bytes come out on every run: the shuffle uses
its own fixed generator, ezdxf's "fixed meta data for testing" option
replaces the dates and GUIDs by constants, and the script runs under a fixed
hash seed (scripts/ezdxf_python.py).  examples/README.md gives the region counts each drawing must
load as; they were worked out from the geometry below, so keep the two in
step when a shape changes.
"""

import math
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scripts"))
from ezdxf_python import run_with_ezdxf  # noqa: E402

run_with_ezdxf()

import ezdxf  # noqa: E402

OUT = Path(__file__).resolve().parent
VERSION = "R2000"

ezdxf.options.write_fixed_meta_data_for_testing = True

# tan(22.5 deg): the bulge of a quarter circle.
QUARTER_BULGE = math.tan(math.pi / 8)


# --- writing ----------------------------------------------------------------

def num(v):
    """The value as the drawings hold it: at most 6 decimals, no '-0'."""
    text = f"{v:.6f}".rstrip("0")
    if text.endswith("."):
        text += "0"
    if text == "-0.0":
        text = "0.0"
    return float(text)


def pt(p):
    return tuple(num(float(c)) for c in p)


class Dxf:
    """The modelspace of a new R2000 drawing; entities go in in call order."""

    def __init__(self):
        self.doc = ezdxf.new(VERSION)
        self.doc.header["$INSUNITS"] = 4  # millimetres
        self.msp = self.doc.modelspace()

    def attribs(self, layer):
        if layer not in self.doc.layers:
            self.doc.layers.add(layer)
        return {"layer": layer}

    def line(self, layer, p, q):
        self.msp.add_line(pt(p), pt(q), dxfattribs=self.attribs(layer))

    def circle(self, layer, c, r):
        self.msp.add_circle(pt(c), num(r), dxfattribs=self.attribs(layer))

    def arc(self, layer, c, r, start_deg, end_deg):
        """DXF arcs run counter-clockwise from start to end angle."""
        self.msp.add_arc(pt(c), num(r), num(start_deg), num(end_deg),
                         dxfattribs=self.attribs(layer))

    def lwpolyline(self, layer, vertices, closed):
        """vertices: (x, y, bulge); the bulge applies to the segment that
        starts at that vertex."""
        self.msp.add_lwpolyline([pt(v) for v in vertices], format="xyb",
                                close=closed, dxfattribs=self.attribs(layer))

    def polyline(self, layer, vertices, closed):
        """2D POLYLINE with VERTEX records; vertices: (x, y, bulge)."""
        self.msp.add_polyline2d([pt(v) for v in vertices], format="xyb",
                                close=closed, dxfattribs=self.attribs(layer))


def save(dxf, name):
    path = OUT / name
    dxf.doc.saveas(path)
    print(f"wrote {name} ({path.stat().st_size} bytes)")


def shuffled(items, seed):
    """Fisher-Yates with a fixed linear congruential generator, so the order
    does not depend on the Python version."""
    items = list(items)
    state = seed
    for i in range(len(items) - 1, 0, -1):
        state = (state * 1103515245 + 12345) % 2**31
        j = state % (i + 1)
        items[i], items[j] = items[j], items[i]
    return items


# --- shapes as entity records -------------------------------------------------
# A record is ("line", layer, p, q), ("arc", layer, c, r, a0, a1) or
# ("circle", layer, c, r); shapes are lists of records so that they can be
# shuffled before writing.

def rounded_rect_outline(layer, x0, y0, x1, y1, r):
    """Lines and counter-clockwise corner arcs of a rounded rectangle."""
    return [
        ("line", layer, (x0 + r, y0), (x1 - r, y0)),
        ("arc", layer, (x1 - r, y0 + r), r, 270, 0),
        ("line", layer, (x1, y0 + r), (x1, y1 - r)),
        ("arc", layer, (x1 - r, y1 - r), r, 0, 90),
        ("line", layer, (x1 - r, y1), (x0 + r, y1)),
        ("arc", layer, (x0 + r, y1 - r), r, 90, 180),
        ("line", layer, (x0, y1 - r), (x0, y0 + r)),
        ("arc", layer, (x0 + r, y0 + r), r, 180, 270),
    ]


def slot(layer, c0, c1, half_width):
    """Stadium between arc centres c0 and c1 (horizontal or vertical)."""
    (ax, ay), (bx, by) = c0, c1
    w = half_width
    if ay == by:  # horizontal, c0 left of c1
        return [
            ("line", layer, (ax, ay - w), (bx, by - w)),
            ("arc", layer, (bx, by), w, 270, 90),
            ("line", layer, (bx, by + w), (ax, ay + w)),
            ("arc", layer, (ax, ay), w, 90, 270),
        ]
    # vertical, c0 below c1
    return [
        ("line", layer, (ax + w, ay), (bx + w, by)),
        ("arc", layer, (bx, by), w, 0, 180),
        ("line", layer, (bx - w, by), (ax - w, ay)),
        ("arc", layer, (ax, ay), w, 180, 360),
    ]


def rect_lines(layer, x0, y0, x1, y1):
    return [
        ("line", layer, (x0, y0), (x1, y0)),
        ("line", layer, (x1, y0), (x1, y1)),
        ("line", layer, (x1, y1), (x0, y1)),
        ("line", layer, (x0, y1), (x0, y0)),
    ]


def write_records(dxf, records):
    for rec in records:
        kind = rec[0]
        if kind == "line":
            dxf.line(rec[1], rec[2], rec[3])
        elif kind == "arc":
            dxf.arc(*rec[1:])
        else:
            dxf.circle(*rec[1:])


def reverse_some_lines(records, every):
    """Draw every `every`-th line backwards."""
    out = []
    n = 0
    for rec in records:
        if rec[0] == "line":
            if n % every == 0:
                rec = (rec[0], rec[1], rec[3], rec[2])
            n += 1
        out.append(rec)
    return out


# --- drawings -----------------------------------------------------------------

def bracket():
    """Mounting bracket 120 x 80 mm."""
    recs = []
    recs += rounded_rect_outline("OUTLINE", 0, 0, 120, 80, 8)
    for x, y in ((12, 12), (108, 12), (108, 68), (12, 68)):
        recs.append(("circle", "HOLES", (x, y), 3.25))
    # Slots 6 wide and 20 long overall: arc centres 14 apart, radius 3.
    recs += slot("SLOTS", (53, 20), (67, 20), 3)  # horizontal
    recs += slot("SLOTS", (100, 33), (100, 47), 3)  # vertical
    recs = reverse_some_lines(recs, 2)
    recs = shuffled(recs, seed=20240611)

    dxf = Dxf()
    # The pocket goes in the middle of the shuffled list.
    half = len(recs) // 2
    write_records(dxf, recs[:half])
    # Pocket outline (30,35)-(80,65), corner radius 5, as one closed
    # LWPOLYLINE running counter-clockwise (so its corner bulges are +).
    b = QUARTER_BULGE
    dxf.lwpolyline(
        "POCKET",
        [(35, 35, 0), (75, 35, b), (80, 40, 0), (80, 60, b),
         (75, 65, 0), (35, 65, b), (30, 60, 0), (30, 40, b)],
        closed=True,
    )
    write_records(dxf, recs[half:])
    save(dxf, "bracket.dxf")


def plate_islands():
    """Plate 200 x 150 mm with islands nested up to three deep."""
    dxf = Dxf()
    write_records(dxf, reverse_some_lines(rect_lines("PLATE", 0, 0, 200, 150), 3))
    # Square in square in square, centred on (40,40).
    write_records(dxf, rect_lines("NESTED", 10, 10, 70, 70))
    dxf.polyline(
        "NESTED", [(20, 20, 0), (60, 20, 0), (60, 60, 0), (20, 60, 0)],
        closed=True,
    )
    write_records(dxf, reverse_some_lines(rect_lines("NESTED", 30, 30, 50, 50), 2))
    # Pocket with a round boss in it.
    write_records(dxf, rect_lines("POCKET", 90, 20, 150, 70))
    dxf.circle("POCKET", (120, 45), 10)
    # Two squares, each holding a circle.
    for x0 in (20, 60):
        dxf.polyline(
            "CELLS",
            [(x0, 90, 0), (x0 + 30, 90, 0), (x0 + 30, 120, 0), (x0, 120, 0)],
            closed=True,
        )
        dxf.circle("CELLS", (x0 + 15, 105), 8)
    # Ring of 8 circles, radius 4, on a circle of radius 25 about (150,110).
    for k in range(8):
        a = math.radians(45 * k)
        dxf.circle("RING", (150 + 25 * math.cos(a), 110 + 25 * math.sin(a)), 4)
    save(dxf, "plate_islands.dxf")


def open_profiles():
    """Open profiles and the chaining tolerance's edge cases."""
    dxf = Dxf()
    # Engraving-like zigzag: open POLYLINE, 6 strokes.
    dxf.polyline(
        "ENGRAVE",
        [(5 * i, 10 * (i % 2), 0) for i in range(7)],
        closed=False,
    )
    # Open arc: centre (50,5), r 5, 30 to 150 deg.
    dxf.arc("ENGRAVE", (50, 5), 5, 30, 150)
    # Wavy line of 48 short LINEs from x = 70 to x = 118, shuffled, every
    # third drawn backwards.  Points are rounded once so that neighbours
    # share exactly the same text.
    pts = [
        (round(70 + i, 6), round(5 + 2 * math.sin(2 * math.pi * i / 12), 6))
        for i in range(49)
    ]
    wave = [("line", "WAVE", pts[i], pts[i + 1]) for i in range(48)]
    write_records(dxf, shuffled(reverse_some_lines(wave, 3), seed=7))
    # Square (0,20)-(10,30) whose bottom edge stops 0.0004 short of the
    # corner (10,20): the gap is below the tolerance, so the square closes.
    write_records(dxf, [
        ("line", "GAPS", (0, 20), (9.9996, 20)),
        ("line", "GAPS", (10, 20), (10, 30)),
        ("line", "GAPS", (10, 30), (0, 30)),
        ("line", "GAPS", (0, 30), (0, 20)),
    ])
    # Square (20,20)-(30,30) with a 0.0006 gap at (30,20): stays open.
    write_records(dxf, [
        ("line", "GAPS", (20, 20), (29.9994, 20)),
        ("line", "GAPS", (30, 20), (30, 30)),
        ("line", "GAPS", (30, 30), (20, 30)),
        ("line", "GAPS", (20, 30), (20, 20)),
    ])
    # A line 0.0002 long: shorter than the 0.00025 limit, dropped.
    dxf.line("GAPS", (40, 25), (40.0002, 25))
    # The same line twice, the second time backwards: one region remains.
    dxf.line("DUPLICATE", (50, 20), (60, 30))
    dxf.line("DUPLICATE", (60, 30), (50, 20))
    save(dxf, "open_profiles.dxf")


def main():
    bracket()
    plate_islands()
    open_profiles()


if __name__ == "__main__":
    main()
