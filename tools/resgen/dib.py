"""The device-independent bitmap header that icons and the clip's frames share."""

import struct

BI_RGB = 0


def bitmap_info_header(width, height, bit_count, image_size):
    """BITMAPINFOHEADER (40 bytes) of an uncompressed bitmap with a full palette."""
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, BI_RGB, image_size, 0, 0, 0, 0)
