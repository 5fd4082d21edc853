#!/usr/bin/env python3
"""Renders the player's SVG artwork to PNG, using the standard library only.

The artwork is drawn in a small SVG subset, so that the sources stay
viewable in any browser while the build needs nothing beyond Python:

  elements    svg (with viewBox), g, rect (rx), circle, line, polyline,
              polygon, path (M L H V C Q A Z, absolute and relative),
              title and desc (ignored)
  painting    fill, stroke, stroke-width, fill-opacity, stroke-opacity,
              opacity (on shapes), fill-rule; colours #rgb, #rrggbb, none,
              currentColor
  transforms  translate() and rotate() only
  strokes     round caps and joins only, and they must be stated

Shapes are drawn from their signed distance: a pixel's coverage is the part
of it that lies inside the shape, estimated from the distance of its centre
to the outline. That gives clean anti-aliased edges at any size, but it only
holds while distances survive the transforms, which is why scaling
transforms are refused and the view box must scale evenly.

Anything outside the subset is an error rather than a silent difference
between the build's pictures and what a browser shows.

Usage:
  svgraster.py icon SOURCE PREFIX    PREFIX_{normal,hover,pressed}{,@2x}.png
  svgraster.py picture SOURCE OUTPUT the picture at the SVG's own size
"""

import argparse
import math
import re
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

# Glyph colours of the tool bar's buttons, which sit on #262626.
ICON_STATES = (
    ("normal", "#bdbdbd"),
    ("hover", "#ffffff"),
    ("pressed", "#45a8f0"),
)
ICON_DENSITIES = ((1, ""), (2, "@2x"))


class SvgError(Exception):
    pass


# --- affine transforms, (a, b, c, d, e, f) as in SVG's matrix() ------------

IDENTITY = (1.0, 0.0, 0.0, 1.0, 0.0, 0.0)


def multiply(m, n):
    """The transform that applies n first, then m."""
    a, b, c, d, e, f = m
    p, q, r, s, t, u = n
    return (a * p + c * q, b * p + d * q, a * r + c * s, b * r + d * s,
            a * t + c * u + e, b * t + d * u + f)


def apply(m, x, y):
    a, b, c, d, e, f = m
    return a * x + c * y + e, b * x + d * y + f


def invert_rigid(m):
    a, b, c, d, e, f = m
    # A rotation's inverse is its transpose.
    return (a, c, b, d, -(a * e + b * f), -(c * e + d * f))


def parse_transform(text):
    matrix = IDENTITY
    for name, args in re.findall(r"(\w+)\s*\(([^)]*)\)", text):
        values = [float(v) for v in re.split(r"[\s,]+", args.strip()) if v]
        if name == "translate" and len(values) in (1, 2):
            tx, ty = values[0], values[1] if len(values) == 2 else 0.0
            step = (1.0, 0.0, 0.0, 1.0, tx, ty)
        elif name == "rotate" and len(values) in (1, 3):
            angle = math.radians(values[0])
            cos, sin = math.cos(angle), math.sin(angle)
            cx, cy = (values[1], values[2]) if len(values) == 3 else (0.0, 0.0)
            step = (cos, sin, -sin, cos,
                    cx - cos * cx + sin * cy, cy - sin * cx - cos * cy)
        else:
            raise SvgError("unsupported transform: %s(%s)" % (name, args))
        matrix = multiply(matrix, step)
    return matrix


# --- shapes: signed distance for filling, distance for stroking ------------

def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0.0 else ((px - ax) * dx + (py - ay) * dy) / length2
    t = min(1.0, max(0.0, t))
    ex, ey = px - (ax + t * dx), py - (ay + t * dy)
    return math.sqrt(ex * ex + ey * ey)


class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def fill_distance(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r

    def stroke_distance(self, x, y):
        return abs(self.fill_distance(x, y))

    def bounds(self):
        return (self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r)


class RoundedRect:
    def __init__(self, x, y, width, height, radius):
        self.cx, self.cy = x + width / 2, y + height / 2
        self.hw, self.hh = width / 2, height / 2
        self.r = min(radius, self.hw, self.hh)

    def fill_distance(self, x, y):
        qx = abs(x - self.cx) - self.hw + self.r
        qy = abs(y - self.cy) - self.hh + self.r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - self.r

    def stroke_distance(self, x, y):
        return abs(self.fill_distance(x, y))

    def bounds(self):
        return (self.cx - self.hw, self.cy - self.hh, self.cx + self.hw, self.cy + self.hh)


class Outline:
    """Polylines from a path, a polyline, a polygon or a line.

    Each subpath is (points, closed). Filling closes every subpath; stroking
    draws the closing edge only for closed ones."""

    def __init__(self, subpaths, even_odd):
        self.subpaths = [(pts, closed) for pts, closed in subpaths if pts]
        if not self.subpaths:
            raise SvgError("a shape without points")
        self.even_odd = even_odd
        self.fill_edges = []
        self.stroke_edges = []
        for pts, closed in self.subpaths:
            ring = list(zip(pts, pts[1:]))
            self.stroke_edges += ring
            if len(pts) > 1:
                closing = (pts[-1], pts[0])
                self.fill_edges += ring + [closing]
                if closed:
                    self.stroke_edges.append(closing)
            else:
                self.stroke_edges.append((pts[0], pts[0]))

    def winding(self, x, y):
        """Winding number for nonzero, crossing parity for even-odd."""
        count = 0
        for (ax, ay), (bx, by) in self.fill_edges:
            if (ay <= y) != (by <= y):
                cross_x = ax + (y - ay) * (bx - ax) / (by - ay)
                if x < cross_x:
                    count += 1 if by > ay else -1
        return count % 2 if self.even_odd else count

    def fill_distance(self, x, y):
        if not self.fill_edges:
            return math.inf
        d = min(segment_distance(x, y, ax, ay, bx, by)
                for (ax, ay), (bx, by) in self.fill_edges)
        return -d if self.winding(x, y) != 0 else d

    def stroke_distance(self, x, y):
        return min(segment_distance(x, y, ax, ay, bx, by)
                   for (ax, ay), (bx, by) in self.stroke_edges)

    def bounds(self):
        xs = [p[0] for pts, _ in self.subpaths for p in pts]
        ys = [p[1] for pts, _ in self.subpaths for p in pts]
        return (min(xs), min(ys), max(xs), max(ys))


# --- path data ---------------------------------------------------------------

PATH_TOKEN = re.compile(r"[A-Za-z]|[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?")
PATH_ARGS = {"M": 2, "L": 2, "H": 1, "V": 1, "C": 6, "Q": 4, "A": 7, "Z": 0}
CURVE_STEPS = 24
ARC_STEP = math.radians(5)


def arc_points(x1, y1, rx, ry, phi_deg, large, sweep, x2, y2):
    """Points along an SVG arc after its start: the arc's endpoint form is
    turned into its centre form (SVG 1.1, appendix F.6), then walked."""
    if rx == 0 or ry == 0 or (x1 == x2 and y1 == y2):
        return [(x2, y2)]
    rx, ry = abs(rx), abs(ry)
    phi = math.radians(phi_deg)
    cos, sin = math.cos(phi), math.sin(phi)
    dx, dy = (x1 - x2) / 2, (y1 - y2) / 2
    x1p, y1p = cos * dx + sin * dy, -sin * dx + cos * dy
    scale = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry)
    if scale > 1:
        rx, ry = rx * math.sqrt(scale), ry * math.sqrt(scale)
    num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p
    den = rx * rx * y1p * y1p + ry * ry * x1p * x1p
    factor = math.sqrt(max(0.0, num / den))
    if large == sweep:
        factor = -factor
    cxp, cyp = factor * rx * y1p / ry, -factor * ry * x1p / rx
    cx = cos * cxp - sin * cyp + (x1 + x2) / 2
    cy = sin * cxp + cos * cyp + (y1 + y2) / 2
    start = math.atan2((y1p - cyp) / ry, (x1p - cxp) / rx)
    end = math.atan2((-y1p - cyp) / ry, (-x1p - cxp) / rx)
    delta = end - start
    if sweep and delta < 0:
        delta += 2 * math.pi
    elif not sweep and delta > 0:
        delta -= 2 * math.pi
    steps = max(2, int(math.ceil(abs(delta) / ARC_STEP)))
    points = []
    for i in range(1, steps):
        angle = start + delta * i / steps
        ex, ey = rx * math.cos(angle), ry * math.sin(angle)
        points.append((cos * ex - sin * ey + cx, sin * ex + cos * ey + cy))
    points.append((x2, y2))
    return points


def parse_path(data):
    tokens = PATH_TOKEN.findall(data)
    if "".join(tokens).replace(" ", "") != re.sub(r"[\s,]", "", data):
        raise SvgError("unreadable path data: %r" % data)
    subpaths = []
    points = None
    x = y = start_x = start_y = 0.0
    command = None
    i = 0

    def finish(closed):
        if points:
            subpaths.append((points, closed))

    while i < len(tokens):
        if tokens[i].isalpha():
            command = tokens[i]
            i += 1
            if command.upper() not in PATH_ARGS:
                raise SvgError("unsupported path command: %s" % command)
        elif command is None or command in "Zz":
            raise SvgError("numbers without a command in path data: %r" % data)
        upper = command.upper()
        relative = command.islower()
        if upper == "Z":
            finish(True)
            points = None
            x, y = start_x, start_y
            continue
        count = PATH_ARGS[upper]
        args = [float(v) for v in tokens[i:i + count]]
        if len(args) != count or any(t.isalpha() for t in tokens[i:i + count]):
            raise SvgError("path command %s needs %d numbers" % (command, count))
        i += count
        ox, oy = (x, y) if relative else (0.0, 0.0)
        if upper == "M":
            finish(False)
            x, y = args[0] + ox, args[1] + oy
            start_x, start_y = x, y
            points = [(x, y)]
            command = "l" if relative else "L"
            continue
        if points is None:
            points = [(x, y)]
            start_x, start_y = x, y
        if upper == "L":
            x, y = args[0] + ox, args[1] + oy
            points.append((x, y))
        elif upper == "H":
            x = args[0] + ox
            points.append((x, y))
        elif upper == "V":
            y = args[0] + oy
            points.append((x, y))
        elif upper == "C":
            c1 = (args[0] + ox, args[1] + oy)
            c2 = (args[2] + ox, args[3] + oy)
            end = (args[4] + ox, args[5] + oy)
            for s in range(1, CURVE_STEPS + 1):
                t = s / CURVE_STEPS
                u = 1 - t
                points.append((u ** 3 * x + 3 * u * u * t * c1[0] + 3 * u * t * t * c2[0] + t ** 3 * end[0],
                               u ** 3 * y + 3 * u * u * t * c1[1] + 3 * u * t * t * c2[1] + t ** 3 * end[1]))
            x, y = end
        elif upper == "Q":
            c = (args[0] + ox, args[1] + oy)
            end = (args[2] + ox, args[3] + oy)
            for s in range(1, CURVE_STEPS + 1):
                t = s / CURVE_STEPS
                u = 1 - t
                points.append((u * u * x + 2 * u * t * c[0] + t * t * end[0],
                               u * u * y + 2 * u * t * c[1] + t * t * end[1]))
            x, y = end
        elif upper == "A":
            end_x, end_y = args[5] + ox, args[6] + oy
            points += arc_points(x, y, args[0], args[1], args[2],
                                 args[3] != 0, args[4] != 0, end_x, end_y)
            x, y = end_x, end_y
    finish(False)
    return subpaths


def parse_points(text):
    values = [float(v) for v in re.split(r"[\s,]+", text.strip()) if v]
    if len(values) % 2:
        raise SvgError("odd number of coordinates: %r" % text)
    return list(zip(values[0::2], values[1::2]))


# --- colours and style -------------------------------------------------------

def parse_colour(text, current):
    text = text.strip()
    if text == "none":
        return None
    if text == "currentColor":
        text = current
    if re.fullmatch(r"#[0-9a-fA-F]{3}", text):
        text = "#" + "".join(c * 2 for c in text[1:])
    if not re.fullmatch(r"#[0-9a-fA-F]{6}", text):
        raise SvgError("unsupported colour: %r" % text)
    return tuple(int(text[i:i + 2], 16) / 255 for i in (1, 3, 5))


INHERITED = {"fill", "stroke", "stroke-width", "fill-opacity", "stroke-opacity",
             "fill-rule", "stroke-linecap", "stroke-linejoin"}
SHAPE_ATTRIBUTES = {
    "rect": {"x", "y", "width", "height", "rx", "ry"},
    "circle": {"cx", "cy", "r"},
    "line": {"x1", "y1", "x2", "y2"},
    "polyline": {"points"},
    "polygon": {"points"},
    "path": {"d"},
}
COMMON = INHERITED | {"id", "transform"}
ROOT_ONLY = {"xmlns", "width", "height", "viewBox", "version"}
DEFAULT_STYLE = {"fill": "#000000", "stroke": "none", "stroke-width": "1",
                 "fill-opacity": "1", "stroke-opacity": "1", "fill-rule": "nonzero",
                 "stroke-linecap": "butt", "stroke-linejoin": "miter"}


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


def number(element, name, default=None):
    value = element.get(name)
    if value is None:
        if default is None:
            raise SvgError("<%s> needs %s" % (local_name(element.tag), name))
        return default
    try:
        return float(value)
    except ValueError:
        raise SvgError("<%s %s=%r> is not a plain number" % (local_name(element.tag), name, value))


def make_shape(element, name, style):
    if name == "rect":
        rx = number(element, "rx", 0.0)
        if number(element, "ry", rx) != rx:
            raise SvgError("<rect> corners must be circular (rx equal to ry)")
        return RoundedRect(number(element, "x", 0.0), number(element, "y", 0.0),
                           number(element, "width"), number(element, "height"), rx)
    if name == "circle":
        return Circle(number(element, "cx", 0.0), number(element, "cy", 0.0), number(element, "r"))
    even_odd = style["fill-rule"] == "evenodd"
    if name == "line":
        a = (number(element, "x1", 0.0), number(element, "y1", 0.0))
        b = (number(element, "x2", 0.0), number(element, "y2", 0.0))
        return Outline([([a, b], False)], even_odd)
    if name in ("polyline", "polygon"):
        return Outline([(parse_points(element.get("points", "")), name == "polygon")], even_odd)
    return Outline(parse_path(element.get("d", "")), even_odd)


# --- canvas ------------------------------------------------------------------

class Canvas:
    """Premultiplied RGBA in floats, one list per channel."""

    def __init__(self, width, height, scale):
        self.width, self.height, self.scale = width, height, scale
        size = width * height
        self.r, self.g, self.b, self.a = [0.0] * size, [0.0] * size, [0.0] * size, [0.0] * size

    def paint(self, distance, bounds, matrix, half_width, colour, alpha):
        """Composites one coat (a fill or a stroke) over the canvas."""
        if colour is None or alpha <= 0.0:
            return
        scale = self.scale
        inverse = invert_rigid(matrix)
        x0, y0, x1, y1 = bounds
        corners = [apply(matrix, x, y) for x in (x0, x1) for y in (y0, y1)]
        margin = half_width * scale + 1.0
        left = max(0, int(math.floor(min(c[0] for c in corners) * scale - margin)))
        right = min(self.width, int(math.ceil(max(c[0] for c in corners) * scale + margin)))
        top = max(0, int(math.floor(min(c[1] for c in corners) * scale - margin)))
        bottom = min(self.height, int(math.ceil(max(c[1] for c in corners) * scale + margin)))
        red, green, blue = colour
        for py in range(top, bottom):
            for px in range(left, right):
                ux, uy = apply(inverse, (px + 0.5) / scale, (py + 0.5) / scale)
                coverage = 0.5 - (distance(ux, uy) - half_width) * scale
                if coverage <= 0.0:
                    continue
                a = alpha * min(1.0, coverage)
                i = py * self.width + px
                keep = 1.0 - a
                self.r[i] = red * a + self.r[i] * keep
                self.g[i] = green * a + self.g[i] * keep
                self.b[i] = blue * a + self.b[i] * keep
                self.a[i] = a + self.a[i] * keep

    def png(self):
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)
            for i in range(y * self.width, (y + 1) * self.width):
                a = self.a[i]
                if a <= 0.0:
                    rows += b"\0\0\0\0"
                    continue
                rows += bytes(min(255, int(round(c / a * 255))) for c in (self.r[i], self.g[i], self.b[i]))
                rows.append(min(255, int(round(a * 255))))
        return encode_png(self.width, self.height, bytes(rows))


def encode_png(width, height, filtered_rows):
    """An 8-bit RGBA PNG from rows that each start with their filter byte."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(filtered_rows, 9)) + chunk(b"IEND", b""))


# --- document ----------------------------------------------------------------

def check_attributes(element, allowed):
    for name in element.attrib:
        if local_name(name) not in allowed:
            raise SvgError("unsupported attribute %s on <%s>" % (name, local_name(element.tag)))


def draw(element, canvas, matrix, style, current):
    name = local_name(element.tag)
    if name in ("title", "desc"):
        return
    if name == "g":
        check_attributes(element, COMMON)
    elif name in SHAPE_ATTRIBUTES:
        check_attributes(element, COMMON | {"opacity"} | SHAPE_ATTRIBUTES[name])
    else:
        raise SvgError("unsupported element <%s>" % name)
    style = dict(style)
    style.update({k: v for k, v in element.attrib.items() if k in INHERITED})
    if "transform" in element.attrib:
        matrix = multiply(matrix, parse_transform(element.get("transform")))
    if name == "g":
        for child in element:
            draw(child, canvas, matrix, style, current)
        return
    shape = make_shape(element, name, style)
    opacity = float(element.get("opacity", "1"))
    fill = None if name == "line" else parse_colour(style["fill"], current)
    stroke = parse_colour(style["stroke"], current)
    if stroke is not None and (style["stroke-linecap"] != "round" or style["stroke-linejoin"] != "round"):
        raise SvgError("<%s> is stroked: state stroke-linecap and stroke-linejoin as round" % name)
    bounds = shape.bounds()
    canvas.paint(shape.fill_distance, bounds, matrix, 0.0, fill,
                 opacity * float(style["fill-opacity"]))
    canvas.paint(shape.stroke_distance, bounds, matrix, float(style["stroke-width"]) / 2, stroke,
                 opacity * float(style["stroke-opacity"]))


def load(path):
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError as error:
        raise SvgError("%s: %s" % (path, error))
    if local_name(root.tag) != "svg":
        raise SvgError("%s: the root element must be <svg>" % path)
    check_attributes(root, ROOT_ONLY | INHERITED)
    return root


def view_box(root):
    values = [float(v) for v in re.split(r"[\s,]+", root.get("viewBox", "").strip()) if v]
    if len(values) != 4 or values[2] <= 0 or values[3] <= 0:
        raise SvgError("the <svg> element needs a viewBox of four numbers")
    return values


def rasterise(root, width, height, current="#000000"):
    """Draws a parsed document on a canvas of width x height pixels;
    currentColor stands for current."""
    min_x, min_y, box_w, box_h = view_box(root)
    scale = width / box_w
    if abs(height / box_h - scale) > 1e-9:
        raise SvgError("%dx%d does not scale the view box evenly" % (width, height))
    canvas = Canvas(width, height, scale)
    style = dict(DEFAULT_STYLE)
    style.update({k: v for k, v in root.attrib.items() if k in INHERITED})
    matrix = (1.0, 0.0, 0.0, 1.0, -min_x, -min_y)
    for child in root:
        draw(child, canvas, matrix, style, current)
    return canvas


def render(root, width, height, current="#000000"):
    """PNG bytes of a parsed document at width x height pixels."""
    return rasterise(root, width, height, current).png()


def own_size(root):
    try:
        return int(root.get("width")), int(root.get("height"))
    except (TypeError, ValueError):
        raise SvgError("a picture's <svg> needs whole-pixel width and height")


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("mode", choices=("icon", "picture"))
    parser.add_argument("source")
    parser.add_argument("output", help="file name prefix for icons, file name for pictures")
    args = parser.parse_args(argv)
    try:
        root = load(args.source)
        width, height = own_size(root)
        if args.mode == "picture":
            write(args.output, render(root, width, height))
            return 0
        for state, colour in ICON_STATES:
            for density, suffix in ICON_DENSITIES:
                data = render(root, width * density, height * density, colour)
                write("%s_%s%s.png" % (args.output, state, suffix), data)
    except SvgError as error:
        print("svgraster: %s: %s" % (args.source, error), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
