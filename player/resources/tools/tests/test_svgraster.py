import math
import os
import struct
import sys
import unittest
import xml.etree.ElementTree as ET
import zlib

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import svgraster  # noqa: E402  (the tool lives one folder up)


def document(body, size=48, extra=""):
    return ET.fromstring(
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d" %s>%s</svg>'
        % (size, size, size, size, extra, body))


def coverage(body, pixels=48, size=48, extra=""):
    """Total alpha in pixels of the document's own units."""
    canvas = svgraster.rasterise(document(body, size, extra), pixels, pixels)
    return sum(canvas.a) / (canvas.scale ** 2), canvas


ROUND = 'stroke-linecap="round" stroke-linejoin="round"'


class AreaTest(unittest.TestCase):
    """Anti-aliased coverage adds up to the shape's area, at any density."""

    def assertArea(self, body, expected, extra=""):
        for pixels in (48, 96):
            area, _ = coverage(body, pixels, extra=extra)
            self.assertAlmostEqual(area, expected, delta=expected * 0.01, msg="%s at %d" % (body, pixels))

    def test_circle(self):
        self.assertArea('<circle cx="24" cy="24" r="10"/>', math.pi * 100)

    def test_rounded_rectangle(self):
        self.assertArea('<rect x="8" y="10" width="30" height="20" rx="4"/>', 600 - (4 - math.pi) * 16)

    def test_ring_is_the_stroke_of_a_circle(self):
        self.assertArea('<circle cx="24" cy="24" r="12" fill="none" stroke="#fff" stroke-width="3"/>',
                        math.pi * (13.5 ** 2 - 10.5 ** 2), extra=ROUND)

    def test_stroked_line_has_round_caps(self):
        self.assertArea('<line x1="10" y1="24" x2="38" y2="24" stroke="#fff" stroke-width="4"/>',
                        28 * 4 + math.pi * 4, extra=ROUND)

    def test_arc_closes_a_quarter_disc(self):
        self.assertArea('<path d="M10 10 H30 A20 20 0 0 1 10 30 Z"/>', math.pi * 400 / 4)

    def test_relative_commands_and_implicit_lines(self):
        self.assertArea('<path d="m10 10 20 0 0 20 h-20 z"/>', 400)


class FillRuleTest(unittest.TestCase):
    OUTER = "M8 8 H40 V40 H8 Z "

    def centre_alpha(self, body):
        _, canvas = coverage(body)
        return canvas.a[24 * 48 + 24]

    def test_even_odd_cuts_a_hole(self):
        self.assertEqual(self.centre_alpha(
            '<path fill-rule="evenodd" d="%sM16 16 H32 V32 H16 Z"/>' % self.OUTER), 0.0)

    def test_nonzero_fills_a_same_direction_inner_ring(self):
        self.assertEqual(self.centre_alpha('<path d="%sM16 16 H32 V32 H16 Z"/>' % self.OUTER), 1.0)

    def test_nonzero_cuts_an_opposite_direction_inner_ring(self):
        self.assertEqual(self.centre_alpha('<path d="%sM16 16 V32 H32 V16 Z"/>' % self.OUTER), 0.0)


class TransformTest(unittest.TestCase):
    def test_quarter_turn_swaps_a_bar(self):
        _, turned = coverage('<rect x="20" y="6" width="8" height="36" transform="rotate(90 24 24)"/>')
        _, lying = coverage('<rect x="6" y="20" width="36" height="8"/>')
        for a, b in zip(turned.a, lying.a):
            self.assertAlmostEqual(a, b, places=6)

    def test_translate_moves_and_group_transforms_compose(self):
        _, moved = coverage('<g transform="translate(10 0)"><circle cx="4" cy="24" r="3"'
                            ' transform="translate(0 -10)"/></g>')
        self.assertEqual(moved.a[14 * 48 + 14], 1.0)
        self.assertEqual(moved.a[24 * 48 + 4], 0.0)


class ColourTest(unittest.TestCase):
    def test_current_colour_takes_the_state_colour_and_groups_pass_style_on(self):
        canvas = svgraster.rasterise(document('<g fill="currentColor"><rect x="0" y="0" width="48" height="48"/></g>'),
                                     48, 48, current="#45a8f0")
        self.assertEqual((canvas.r[0], canvas.g[0], canvas.b[0], canvas.a[0]),
                         (0x45 / 255, 0xa8 / 255, 0xf0 / 255, 1.0))

    def test_opacity_scales_alpha(self):
        _, canvas = coverage('<rect x="0" y="0" width="48" height="48" fill="#fff" fill-opacity="0.5" opacity="0.5"/>')
        self.assertAlmostEqual(canvas.a[0], 0.25)

    def test_later_shapes_paint_over_earlier_ones(self):
        canvas = svgraster.rasterise(document('<rect width="48" height="48" fill="#f00"/>'
                                              '<rect width="48" height="48" fill="#00f"/>'), 48, 48)
        self.assertEqual((canvas.r[0], canvas.b[0]), (0.0, 1.0))


class RefusalTest(unittest.TestCase):
    """What the subset cannot draw faithfully is an error, not a guess."""

    CASES = [
        ('<ellipse cx="24" cy="24" rx="4" ry="8"/>', "unsupported element"),
        ('<rect width="4" height="4" transform="scale(2)"/>', "unsupported transform"),
        ('<rect width="4" height="4" rx="1" ry="2"/>', "circular"),
        ('<line x2="10" y2="10" stroke="#fff"/>', "round"),
        ('<circle r="4" style="fill:red"/>', "unsupported attribute"),
        ('<circle r="4" fill="red"/>', "unsupported colour"),
        ('<path d="M0 0 S 1 1 2 2"/>', "unsupported path command"),
        ('<path d="M0 0 L 1"/>', "needs 2 numbers"),
        ('<path d="M0 0 H10 V10 Z 4 4"/>', "without a command"),
        ('<circle r="4px"/>', "plain number"),
        ('<path d=""/>', "without points"),
    ]

    def test_cases(self):
        for body, message in self.CASES:
            with self.subTest(body=body):
                with self.assertRaisesRegex(svgraster.SvgError, message):
                    svgraster.rasterise(document(body), 48, 48)

    def test_uneven_scale(self):
        with self.assertRaisesRegex(svgraster.SvgError, "evenly"):
            svgraster.rasterise(document(""), 48, 96)


class PngTest(unittest.TestCase):
    def test_png_is_valid_rgba_with_straight_alpha(self):
        data = svgraster.render(document('<rect x="0" y="0" width="24" height="48" fill="#336699"'
                                         ' fill-opacity="0.6"/>'), 4, 4)
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        chunks, at = {}, 8
        while at < len(data):
            length, kind = struct.unpack(">I4s", data[at:at + 8])
            body = data[at + 8:at + 8 + length]
            (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
            self.assertEqual(crc, zlib.crc32(kind + body) & 0xFFFFFFFF)
            chunks[kind] = body
            at += 12 + length
        self.assertEqual(struct.unpack(">IIBBBBB", chunks[b"IHDR"]), (4, 4, 8, 6, 0, 0, 0))
        rows = zlib.decompress(chunks[b"IDAT"])
        self.assertEqual(len(rows), 4 * (1 + 4 * 4))
        self.assertEqual(tuple(rows[1:5]), (0x33, 0x66, 0x99, 153))
        self.assertEqual(tuple(rows[9:13]), (0, 0, 0, 0))


if __name__ == "__main__":
    unittest.main()
