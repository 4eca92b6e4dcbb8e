"""The program icon's one image as the resource script embeds it: a 48 x 48,
32-bit DIB (not PNG) with its AND mask, 9,640 bytes."""

import struct

SIZE = 48

# AND-mask bits are 1 (transparent) where alpha < 128, i.e. the mask is the
# alpha channel thresholded at one half; only code that ignores the alpha
# channel looks at it.
MASK_ALPHA_THRESHOLD = 128

Pixel = tuple[int, int, int, int]


def dib_bytes(rows: list[list[Pixel]]) -> bytes:
    """The image of SIZE rows, top first, of (R, G, B, A) pixels."""
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0,
                         0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):  # DIB rows are stored bottom-up
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = (SIZE + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < MASK_ALPHA_THRESHOLD:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    image = header + pixels + mask
    assert len(header) == 40 and len(pixels) == SIZE * SIZE * 4 == 9216
    assert len(mask) == SIZE * mask_stride == 384
    assert len(image) == 9640
    return bytes(image)
