#!/usr/bin/env python3
"""Checks of the generated resources in ui/res: up to date with their generators,
and shaped as the resource script and the animation control expect them.

usage: test_resgen.py [-v] [TestClass ...]
"""

import os
import struct
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCE_DIRECTORY = os.path.normpath(os.path.join(HERE, "..", "..", "ui", "res"))
sys.path.insert(0, HERE)

import generate  # noqa: E402

BLACK, WHITE, GREY = (0, 0, 0), (255, 255, 255), (192, 192, 192)
FRAME_SIDE = 32
FRAME_BYTES = FRAME_SIDE * FRAME_SIDE * 3


def read_resource(name, directory=RESOURCE_DIRECTORY):
    with open(os.path.join(directory, name), "rb") as resource:
        return resource.read()


def riff_chunks(data, start, end):
    """(fourcc, payload offset, payload size) of each chunk in data[start:end]; they
    must tile the range exactly, each padded to an even length."""
    chunks = []
    position = start
    while position < end:
        if position + 8 > end:
            raise ValueError(f"truncated chunk header at {position}")
        fourcc, size = struct.unpack_from("<4sI", data, position)
        if position + 8 + size > end:
            raise ValueError(f"chunk {fourcc!r} at {position} runs past its parent")
        chunks.append((fourcc, position + 8, size))
        position += 8 + size + (size & 1)
    if position != end:
        raise ValueError(f"chunks overrun their parent by {position - end} bytes")
    return chunks


def list_contents(data, chunk):
    """The list type and the sub-chunks of a RIFF or LIST chunk."""
    _, offset, size = chunk
    return data[offset:offset + 4], riff_chunks(data, offset + 4, offset + size)


def only(chunks, fourcc):
    found = [chunk for chunk in chunks if chunk[0] == fourcc]
    if len(found) != 1:
        raise AssertionError(f"expected one {fourcc!r} chunk, found {len(found)}")
    return found[0]


def payload(data, chunk):
    _, offset, size = chunk
    return data[offset:offset + size]


def decode_frame(bits):
    """Rows of (r, g, b), top row first, from 24-bit bottom-up DIB bits."""
    stride = FRAME_SIDE * 3
    rows = []
    for row in range(FRAME_SIDE - 1, -1, -1):
        line = bits[row * stride:(row + 1) * stride]
        rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, stride, 3)])
    return rows


def turned_clockwise(frame):
    return [[frame[FRAME_SIDE - 1 - x][y] for x in range(FRAME_SIDE)] for y in range(FRAME_SIDE)]


def black_count(rows):
    return sum(pixel == BLACK for row in rows for pixel in row)


class RegenerationTests(unittest.TestCase):
    def test_committed_files_match_their_generators(self):
        with tempfile.TemporaryDirectory() as directory:
            generate.generate(directory)
            self.assertEqual(sorted(os.listdir(directory)),
                             ["ChangeController.ico", "controller.ico", "hourglass.avi"])
            for name in os.listdir(directory):
                with self.subTest(file=name):
                    fresh = read_resource(name, directory)
                    committed = read_resource(name)
                    self.assertTrue(fresh == committed,
                                    f"ui/res/{name} is out of date: run tools/resgen/generate.py")


class HourglassClipTests(unittest.TestCase):
    """The RIFF structure: what the animation control reads."""

    @classmethod
    def setUpClass(cls):
        cls.data = read_resource("hourglass.avi")
        data = cls.data
        (riff,) = riff_chunks(data, 0, len(data))
        cls.riff = riff
        form, cls.top = list_contents(data, riff)
        cls.form = form
        lists = {list_contents(data, chunk)[0]: chunk for chunk in cls.top if chunk[0] == b"LIST"}
        cls.header_chunks = list_contents(data, lists[b"hdrl"])[1]
        cls.movi = lists[b"movi"]
        cls.frame_chunks = list_contents(data, cls.movi)[1]
        stream_lists = [chunk for chunk in cls.header_chunks
                        if chunk[0] == b"LIST" and list_contents(data, chunk)[0] == b"strl"]
        cls.stream_lists = stream_lists
        cls.stream_chunks = list_contents(data, stream_lists[0])[1]

    def test_riff_header_and_size(self):
        self.assertEqual(len(self.data), 125960)
        self.assertEqual(self.riff[0], b"RIFF")
        self.assertEqual(self.riff[2], len(self.data) - 8)
        self.assertEqual(self.form, b"AVI ")
        order = [chunk[0] for chunk in self.top if chunk[0] != b"JUNK"]
        self.assertEqual(order, [b"LIST", b"LIST", b"idx1"])

    def test_main_header(self):
        avih = payload(self.data, only(self.header_chunks, b"avih"))
        self.assertEqual(len(avih), 56)
        (microseconds, _, _, flags, total_frames, _, streams, _, width, height) = struct.unpack_from("<10I", avih)
        self.assertEqual(microseconds, 100000)
        self.assertEqual(total_frames, 40)
        self.assertEqual(streams, 1)
        self.assertEqual((width, height), (32, 32))
        self.assertTrue(flags & 0x10, "AVIF_HASINDEX")

    def test_one_video_stream(self):
        self.assertEqual(len(self.stream_lists), 1)
        strh = payload(self.data, only(self.stream_chunks, b"strh"))
        self.assertEqual(len(strh), 56)
        fcc_type, handler = struct.unpack_from("<4s4s", strh)
        scale, rate, start, length = struct.unpack_from("<4I", strh, 20)
        self.assertEqual(fcc_type, b"vids")
        self.assertIn(handler, (b"DIB ", b"\0\0\0\0"))
        self.assertEqual(scale * 1000000, rate * 100000, "one frame per 100 ms")
        self.assertEqual((start, length), (0, 40))

    def test_stream_format_is_uncompressed_24_bit(self):
        strf = payload(self.data, only(self.stream_chunks, b"strf"))
        self.assertEqual(len(strf), 40)
        size, width, height, planes, bits, compression, image_size = struct.unpack_from("<IiiHHII", strf)
        self.assertEqual((size, width, height), (40, 32, 32), "positive height: bottom-up")
        self.assertEqual((planes, bits, compression, image_size), (1, 24, 0, FRAME_BYTES))

    def test_stream_name(self):
        strn = payload(self.data, only(self.stream_chunks, b"strn"))
        self.assertEqual(strn, b"hourglass.avi Video #1\0")

    def test_forty_frames_and_their_index(self):
        self.assertEqual([(fourcc, size) for fourcc, _, size in self.frame_chunks], [(b"00db", FRAME_BYTES)] * 40)
        index = payload(self.data, only(self.top, b"idx1"))
        self.assertEqual(len(index), 40 * 16)
        movi_type_offset = self.movi[1]
        for number, (chunk, entry) in enumerate(zip(self.frame_chunks, struct.iter_unpack("<4sIII", index)), 1):
            with self.subTest(frame=number):
                fourcc, flags, offset, size = entry
                self.assertEqual((fourcc, size), (b"00db", FRAME_BYTES))
                self.assertTrue(flags & 0x10, "AVIIF_KEYFRAME")
                self.assertEqual(movi_type_offset + offset + 8, chunk[1], "offset from the 'movi' type")


class HourglassPictureTests(unittest.TestCase):
    """What the frames show: frame numbers below count from 1."""

    @classmethod
    def setUpClass(cls):
        data = read_resource("hourglass.avi")
        movi_start = data.index(b"movi") + 4
        cls.frames = [None]
        for chunk in riff_chunks(data, movi_start, movi_start + 40 * (8 + FRAME_BYTES)):
            cls.frames.append(decode_frame(payload(data, chunk)))

    def upper_half(self, number):
        return self.frames[number][:FRAME_SIDE // 2]

    def lower_half(self, number):
        return self.frames[number][FRAME_SIDE // 2:]

    def test_black_and_white_on_transparent_grey(self):
        for number in range(1, 41):
            with self.subTest(frame=number):
                frame = self.frames[number]
                colours = {pixel for row in frame for pixel in row}
                self.assertEqual(colours, {BLACK, WHITE, GREY})
                corners = [frame[0][0], frame[0][-1], frame[-1][0], frame[-1][-1]]
                self.assertEqual(corners, [GREY] * 4)

    def test_sand_runs_from_upper_into_lower_bulb(self):
        upper = [black_count(self.upper_half(number)) for number in range(1, 37)]
        lower = [black_count(self.lower_half(number)) for number in range(1, 37)]
        print(f"\n  dark pixels, frames 1-36: upper {upper}\n  lower {lower}", file=sys.stderr)
        self.assertEqual(upper, sorted(upper, reverse=True), "the upper bulb never gains sand")
        self.assertGreater(upper[0] - upper[-1], 30)
        self.assertGreater(lower[-1] - lower[0], 30)
        self.assertGreater(len(set(upper)), 18, "the upper surface sinks through most frames")
        self.assertTrue(all(self.frames[n] != self.frames[n + 1] for n in range(1, 36)), "every frame moves")

    def test_running_glass_is_upright_and_symmetric(self):
        for number in range(1, 37):
            with self.subTest(frame=number):
                frame = self.frames[number]
                # The falling grains are two pixels wide on the middle line, so they keep the symmetry.
                self.assertTrue(all(row == row[::-1] for row in frame))

    def test_glass_turns_over_in_three_steps(self):
        turning = [self.frames[number] for number in (36, 37, 38, 39)]
        for first in range(4):
            for second in range(first + 1, 4):
                self.assertNotEqual(turning[first], turning[second], f"frames {36 + first} and {36 + second}")
        self.assertEqual(self.frames[38], turned_clockwise(self.frames[36]), "frame 38 lies at 90 degrees")
        self.assertEqual(self.frames[39], turned_clockwise(self.frames[37]), "45 then 135 degrees")
        self.assertNotIn(self.frames[37], [self.frames[36], turned_clockwise(self.frames[36])])
        self.assertTrue(all(row != row[::-1] for row in self.frames[37][8:24]), "frame 37 is slanted")

    def test_last_frame_stands_upright_and_full(self):
        last = self.frames[40]
        self.assertEqual(self.upper_half(40), self.upper_half(1), "upper bulb as full as at the start")
        emptied_upper_bulb_flipped = self.upper_half(36)[::-1]
        self.assertEqual(self.lower_half(40), emptied_upper_bulb_flipped, "nothing in the lower bulb")
        self.assertTrue(all(row == row[::-1] for row in last))


def parse_icon(data):
    reserved, kind, count = struct.unpack_from("<HHH", data)
    entries = [struct.unpack_from("<BBBBHHII", data, 6 + 16 * i) for i in range(count)]
    return reserved, kind, entries


class IconTests(unittest.TestCase):
    def check_icon(self, name, expected_images):
        """Checks the directory and every image; returns {(side, bits): rows of colours, None transparent}."""
        data = read_resource(name)
        reserved, kind, entries = parse_icon(data)
        self.assertEqual((reserved, kind), (0, 1))
        self.assertEqual(sorted((width, height, bits) for width, height, _, _, _, bits, _, _ in entries),
                         sorted(expected_images))
        end_of_directory = 6 + 16 * len(entries)
        extents = sorted((offset, offset + size) for *_, size, offset in entries)
        self.assertEqual(extents[0][0], end_of_directory)
        self.assertEqual(extents[-1][1], len(data))
        for (_, end), (start, _) in zip(extents, extents[1:]):
            self.assertEqual(end, start, "images follow each other without gaps or overlaps")
        pictures = {}
        for width, height, colour_count, _, planes, bits, size, offset in entries:
            with self.subTest(size=width, bits=bits):
                self.assertEqual(colour_count, 16 if bits == 4 else 0)
                self.assertEqual(planes, 1)
                pictures[width, bits] = self.check_image(data[offset:offset + size], width, bits)
        return pictures

    def check_image(self, image, side, bits):
        header = struct.unpack_from("<IiiHHI", image)
        self.assertEqual(header, (40, side, 2 * side, 1, bits, 0), "height counts colour bits and mask")
        palette_bytes = 4 << bits
        colour_stride = (side * bits + 31) // 32 * 4
        mask_stride = (side + 31) // 32 * 4
        self.assertEqual(len(image), 40 + palette_bytes + side * (colour_stride + mask_stride))
        palette = [tuple(reversed(image[40 + 4 * i:43 + 4 * i])) for i in range(1 << bits)]
        colour_bits = image[40 + palette_bytes:]
        mask = colour_bits[side * colour_stride:]
        rows = []
        for row in range(side):
            line = []
            for x in range(side):
                byte = colour_bits[row * colour_stride + x * bits // 8]
                colour = palette[byte >> (4 - 4 * (x % 2)) & 0xF if bits == 4 else byte]
                if mask[row * mask_stride + x // 8] & (0x80 >> x % 8):
                    self.assertEqual(colour, BLACK, "transparent pixels must leave the screen as it is")
                    colour = None
                line.append(colour)
            rows.append(line)
        corners = [rows[0][0], rows[0][-1], rows[-1][0], rows[-1][-1]]
        self.assertEqual(corners, [None] * 4, "a picture on a transparent ground")
        self.assertIsNotNone(rows[side // 2][side // 2])
        opaque = [colour for line in rows for colour in line if colour is not None]
        self.assertGreater(len(opaque), side * side // 4)
        self.assertGreaterEqual(len(set(opaque)), 4, "a drawing, not a blot")
        return rows

    def test_program_icon_has_both_sizes_in_both_depths(self):
        pictures = self.check_icon("ChangeController.ico", [(16, 16, 4), (32, 32, 4), (16, 16, 8), (32, 32, 8)])
        for side in (16, 32):
            with self.subTest(size=side):
                # The 16-colour image draws the same picture: each colour of the
                # 256-colour image always stands for one and the same 16-colour one.
                stand_ins = {}
                for rich_row, plain_row in zip(pictures[side, 8], pictures[side, 4]):
                    for rich, plain in zip(rich_row, plain_row):
                        self.assertEqual(rich is None, plain is None)
                        self.assertEqual(stand_ins.setdefault(rich, plain), plain)

    def test_list_row_icon_is_one_small_256_colour_image(self):
        self.check_icon("controller.ico", [(16, 16, 8)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
