"""The please-wait hourglass clip: an uncompressed RIFF AVI drawn in code.

Frames 1-36 let the sand run down, 37-39 turn the glass over in 45-degree steps,
frame 40 stands upright with the upper bulb full again. The grey background is
the colour the animation control makes transparent.
"""

import functools
import math
import struct

from dib import bitmap_info_header
from geometry import clip_half_plane, inside_polygon, near_outline, polygon_area

SIZE = 32
FRAME_COUNT = 40
RUNNING_FRAMES = 36
MICROSECONDS_PER_FRAME = 100000
STREAM_NAME = b"hourglass.avi Video #1"
FILE_SIZE = 125960
AVIF_HASINDEX = 0x10
AVIIF_KEYFRAME = 0x10

BACKGROUND = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

# Shapes in the glass's own frame: origin at the picture's centre, v pointing down.
# Vertices on half-integers put upright edges through pixel centres.
# The slanted sides miss the centre, so that turned by 45 degrees they do not fall
# exactly between two pixel columns.
GLASS = [(-7.5, -10.5), (7.5, -10.5), (7.5, -8.5), (1.5, -2.5), (1.5, 2.5), (7.5, 8.5),
         (7.5, 10.5), (-7.5, 10.5), (-7.5, 8.5), (-1.5, 2.5), (-1.5, -2.5), (-7.5, -8.5)]
# Stepped ends keep the turned glass inside the picture.
CAPS = [[(-8.0, -14.0), (8.0, -14.0), (8.0, -13.0), (9.0, -13.0), (9.0, -11.0), (-9.0, -11.0),
         (-9.0, -13.0), (-8.0, -13.0)],
        [(-9.0, 11.0), (9.0, 11.0), (9.0, 13.0), (8.0, 13.0), (8.0, 14.0), (-8.0, 14.0),
         (-8.0, 13.0), (-9.0, 13.0)]]
OUTLINE_HALF_WIDTH = 0.5
UPPER_BULB = clip_half_plane(GLASS, 0.0, -1.0, 0.0)
LOWER_BULB = clip_half_plane(GLASS, 0.0, 1.0, 0.0)
PILE_SLOPE = 0.5           # the lower pile is a mound, highest in the middle
FUNNEL_SLOPE = 0.3         # the upper surface dips where the sand runs out
# Sand surface levels: from the top of a bulb down to where it holds no sand.
UPPER_LEVELS = (-10.5, FUNNEL_SLOPE * 7.5)
LOWER_LEVELS = (-1.0, 10.5 + PILE_SLOPE * 8)
FULL_SAND_LEVEL = -7.0     # surface of a full upper bulb
STREAM_HALF_WIDTH = 1.0

# Rotations by eighth turns; sqrt is exactly rounded, so the output does not hang
# on the platform's trigonometry.
_DIAGONAL = math.sqrt(0.5)
_EIGHTH_TURNS = [(1.0, 0.0), (_DIAGONAL, _DIAGONAL), (0.0, 1.0), (-_DIAGONAL, _DIAGONAL)]


def upper_sand_area(level):
    right = clip_half_plane(clip_half_plane(UPPER_BULB, 1.0, 0.0, 0.0), FUNNEL_SLOPE, 1.0, level)
    left = clip_half_plane(clip_half_plane(UPPER_BULB, -1.0, 0.0, 0.0), -FUNNEL_SLOPE, 1.0, level)
    return polygon_area(right) + polygon_area(left)


def lower_sand_area(level):
    mound = clip_half_plane(LOWER_BULB, -PILE_SLOPE, 1.0, level)
    return polygon_area(clip_half_plane(mound, PILE_SLOPE, 1.0, level))


def level_for_area(area_at, target, top, bottom):
    """The surface level whose sand area is target; area_at falls as the level goes down."""
    for _ in range(60):
        middle = (top + bottom) / 2.0
        if area_at(middle) > target:
            top = middle
        else:
            bottom = middle
    return (top + bottom) / 2.0


class GlassState:
    """Everything a frame shows: turn, both sand surfaces and the falling grains."""

    def __init__(self, eighth_turns, upper_level, lower_level, stream_phase):
        self.eighth_turns = eighth_turns
        self.upper_level = upper_level
        self.lower_level = lower_level
        self.stream_phase = stream_phase  # None when no sand is falling

    def is_sand(self, u, v):
        if v < 0:
            return v >= self.upper_level - FUNNEL_SLOPE * abs(u)
        if v >= self.lower_level + PILE_SLOPE * abs(u):
            return True
        if self.stream_phase is None or abs(u) >= STREAM_HALF_WIDTH or v >= self.lower_level:
            return False
        return (math.floor(v) - self.stream_phase) % 2 == 0


def frame_states():
    full_area = upper_sand_area(FULL_SAND_LEVEL)
    states = []
    for frame in range(1, RUNNING_FRAMES + 1):
        fraction_run = (frame - 1) / (RUNNING_FRAMES - 1)
        upper = level_for_area(upper_sand_area, full_area * (1.0 - fraction_run), *UPPER_LEVELS)
        lower = level_for_area(lower_sand_area, full_area * fraction_run, *LOWER_LEVELS)
        stream_phase = frame if frame < RUNNING_FRAMES else None
        states.append(GlassState(0, upper, lower, stream_phase))
    run_out = states[-1]
    for eighth_turns in range(1, 4):
        states.append(GlassState(eighth_turns, run_out.upper_level, run_out.lower_level, None))
    states.append(GlassState(0, FULL_SAND_LEVEL, LOWER_LEVELS[1], None))
    return states


@functools.lru_cache(maxsize=None)
def glass_layout(eighth_turns):
    """Per pixel, top row first: (colour, None) where the picture does not hang on the
    sand, else (None, the pixel centre in the glass's frame). The glass turns clockwise."""
    cos_turn, sin_turn = _EIGHTH_TURNS[eighth_turns]
    layout = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            dx, dy = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
            u, v = cos_turn * dx + sin_turn * dy, -sin_turn * dx + cos_turn * dy
            if any(inside_polygon(u, v, cap) for cap in CAPS) or near_outline(u, v, GLASS, OUTLINE_HALF_WIDTH):
                row.append((BLACK, None))
            elif inside_polygon(u, v, GLASS):
                row.append((None, (u, v)))
            else:
                row.append((BACKGROUND, None))
        layout.append(row)
    return layout


def render(state):
    """Rows of (r, g, b), top row first."""
    return [[colour if point is None else (BLACK if state.is_sand(*point) else WHITE)
             for colour, point in row]
            for row in glass_layout(state.eighth_turns)]


def dib_bits(rows):
    """24-bit bottom-up DIB bits; 32 pixels of 3 bytes need no row padding."""
    return b"".join(bytes(channel for r, g, b in row for channel in (b, g, r)) for row in reversed(rows))


def chunk(fourcc, payload):
    padding = b"\0" if len(payload) % 2 else b""
    return fourcc + struct.pack("<I", len(payload)) + payload + padding


def riff_list(list_type, payload, fourcc=b"LIST"):
    return chunk(fourcc, list_type + payload)


def build_avi():
    frames = [dib_bits(render(state)) for state in frame_states()]
    frame_bytes = len(frames[0])
    avih = struct.pack("<14I", MICROSECONDS_PER_FRAME, frame_bytes * 1000000 // MICROSECONDS_PER_FRAME,
                       0, AVIF_HASINDEX,
                       FRAME_COUNT, 0, 1, frame_bytes, SIZE, SIZE, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIII4h", b"vids", b"DIB ", 0, 0, 0, 0,
                       1, 1000000 // MICROSECONDS_PER_FRAME, 0, FRAME_COUNT, frame_bytes,
                       0xFFFFFFFF, 0, 0, 0, SIZE, SIZE)
    strf = bitmap_info_header(SIZE, SIZE, 24, frame_bytes)
    strl = riff_list(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf) + chunk(b"strn", STREAM_NAME + b"\0"))
    hdrl = riff_list(b"hdrl", chunk(b"avih", avih) + strl)
    movi = riff_list(b"movi", b"".join(chunk(b"00db", frame) for frame in frames))
    index_entries = []
    offset = 4  # from the 'movi' type, as readers expect
    for frame in frames:
        index_entries.append(struct.pack("<4sIII", b"00db", AVIIF_KEYFRAME, offset, len(frame)))
        offset += 8 + len(frame)
    idx1 = chunk(b"idx1", b"".join(index_entries))
    # JUNK pads the header to the clip's fixed size.
    junk_payload = FILE_SIZE - (12 + len(hdrl) + 8 + len(movi) + len(idx1))
    junk = chunk(b"JUNK", b"\0" * junk_payload)
    data = riff_list(b"AVI ", hdrl + junk + movi + idx1, fourcc=b"RIFF")
    assert len(data) == FILE_SIZE
    return data
