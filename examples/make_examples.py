#!/usr/bin/env python3
"""Write the example drawings of examples/ as small hand-made ASCII DXF files.

    python3 examples/make_examples.py

Plain Python, no DXF library: each file is a HEADER section that only states
the units (millimetres) followed by an ENTITIES section, with every group code
right-aligned on its own line ("  0", " 10") and its value on the next line.
There are no TABLES or BLOCKS sections and no handles, as in the minimal R12
files many small CAD and CAM tools write.  The entities are the R12 ones
(LINE, ARC, CIRCLE, POLYLINE with VERTEX and SEQEND) plus LWPOLYLINE, which
bracket.dxf uses on purpose.

The files are written next to this script, and the same bytes come out on
every run (the shuffle uses its own fixed generator).  examples/README.md
gives the region counts each drawing must load as; they were worked out from
the geometry below, so keep the two in step when a shape changes.
"""

import math
from pathlib import Path

OUT = Path(__file__).resolve().parent

# tan(22.5 deg): the bulge of a quarter circle.
QUARTER_BULGE = math.tan(math.pi / 8)


# --- writing ----------------------------------------------------------------

def num(v):
    """Fixed notation, at most 6 decimals, no trailing zeros, no '-0'."""
    text = f"{v:.6f}".rstrip("0")
    if text.endswith("."):
        text += "0"
    if text == "-0.0":
        text = "0.0"
    return text


class Dxf:
    def __init__(self):
        self.rows = []

    def group(self, code, value):
        self.rows.append(f"{code:>3}")
        self.rows.append(num(value) if isinstance(value, float) else str(value))

    def point(self, base, x, y, z=0.0):
        self.group(base, float(x))
        self.group(base + 10, float(y))
        self.group(base + 20, float(z))

    def line(self, layer, p, q):
        self.group(0, "LINE")
        self.group(8, layer)
        self.point(10, *p)
        self.point(11, *q)

    def circle(self, layer, c, r):
        self.group(0, "CIRCLE")
        self.group(8, layer)
        self.point(10, *c)
        self.group(40, float(r))

    def arc(self, layer, c, r, start_deg, end_deg):
        """DXF arcs run counter-clockwise from start to end angle."""
        self.group(0, "ARC")
        self.group(8, layer)
        self.point(10, *c)
        self.group(40, float(r))
        self.group(50, float(start_deg))
        self.group(51, float(end_deg))

    def lwpolyline(self, layer, vertices, closed):
        """vertices: (x, y, bulge); the bulge applies to the segment that
        starts at that vertex."""
        self.group(0, "LWPOLYLINE")
        self.group(100, "AcDbEntity")
        self.group(8, layer)
        self.group(100, "AcDbPolyline")
        self.group(90, len(vertices))
        self.group(70, 1 if closed else 0)
        for x, y, bulge in vertices:
            self.group(10, float(x))
            self.group(20, float(y))
            if bulge:
                self.group(42, float(bulge))

    def polyline(self, layer, vertices, closed):
        """R12 2D POLYLINE; vertices: (x, y, bulge)."""
        self.group(0, "POLYLINE")
        self.group(8, layer)
        self.group(66, 1)
        self.point(10, 0, 0)
        self.group(70, 1 if closed else 0)
        for x, y, bulge in vertices:
            self.group(0, "VERTEX")
            self.group(8, layer)
            self.point(10, x, y)
            if bulge:
                self.group(42, float(bulge))
        self.group(0, "SEQEND")
        self.group(8, layer)

    def text(self):
        head = []
        for code, value in ((0, "SECTION"), (2, "HEADER"),
                            (9, "$INSUNITS"), (70, 4),  # 4 = millimetres
                            (0, "ENDSEC"), (0, "SECTION"), (2, "ENTITIES")):
            head += [f"{code:>3}", str(value)]
        tail = [f"{0:>3}", "ENDSEC", f"{0:>3}", "EOF"]
        return "\n".join(head + self.rows + tail) + "\n"


def save(dxf, name):
    path = OUT / name
    path.write_text(dxf.text(), encoding="ascii", newline="\n")
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
