#!/usr/bin/python3
"""Makes the bitmap, icon and metafile pictures of the image codec tests in the folder given.

Each decodable picture NAME comes with NAME.0.rgb: its expected pixels, rows from the top, three
bytes (red, green, blue) a pixel, transparent pixels composited over white as
c' = (c*a + 255*(255-a) + 127) // 255. Pictures that Pillow reads are written by Pillow or
ImageMagick and their expected pixels are Pillow's reading; pictures neither writes nor Pillow
reads (short OS/2 headers, 52- and 56-byte headers, run-length escapes Pillow mis-reads, mixed
icons, metafiles, hostile headers) are written here byte by byte, with their expected pixels
painted while their bytes are made.
"""

import io
import os
import struct
import subprocess
import sys

from PIL import Image

OUT = sys.argv[1]
os.makedirs(OUT, exist_ok=True)


def path(name):
    return os.path.join(OUT, name)


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data)


def over_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255


def expect_rows(name, rows):
    """rows: list of rows of (r, g, b) or (r, g, b, a) tuples, from the top."""
    out = bytearray()
    for row in rows:
        for px in row:
            a = px[3] if len(px) == 4 else 255
            out += bytes(over_white(c, a) for c in px[:3])
    write(name + ".0.rgb", bytes(out))


def expect_pillow(name, source=None):
    """The expected pixels of NAME are Pillow's reading of SOURCE (NAME itself by default)."""
    im = Image.open(path(source or name))
    im.load()
    im = im.convert("RGBA")
    w, h = im.size
    px = im.load()
    expect_rows(name, [[px[x, y] for x in range(w)] for y in range(h)])


def colour(x, y):
    """The test pattern: every pixel different in a small picture."""
    return ((x * 37 + y * 11) % 256, (x * 7 + y * 53 + 40) % 256, (x * 91 + y * 29 + 90) % 256)


def pattern(w, h):
    im = Image.new("RGB", (w, h))
    im.putdata([colour(x, y) for y in range(h) for x in range(w)])
    return im


def magick(args, name):
    subprocess.run(["convert"] + args + [name], check=True, cwd=OUT)


# ---- bitmap files byte by byte ----


def file_header(total, offset):
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offset)


def info_header(size, w, h, bits, compression=0, ppm=(0, 0), used=0, masks=None, image_size=0):
    """A Windows info header of SIZE bytes (40, 52, 56, 108 or 124) or an OS/2 2.x header of 64.
    MASKS (red, green, blue[, alpha]) are stored in the header when it has room for them."""
    head = struct.pack("<IiiHHIIiiII", size, w, h, 1, bits, compression, image_size, ppm[0], ppm[1], used, 0)
    rest = bytearray(size - 40)
    if masks and size >= 52:
        stored = masks if size >= 56 else masks[:3]
        struct.pack_into("<%dI" % len(stored), rest, 0, *stored)
    return head + bytes(rest)


def bitmap(dib_header, palette=b"", pixels=b"", after_header=b"", offset=None):
    start = 14 + len(dib_header) + len(after_header) + len(palette)
    offset = start if offset is None else offset
    body = dib_header + after_header + palette
    gap = bytes(max(0, offset - start))
    total = 14 + len(body) + len(gap) + len(pixels)
    return file_header(total, offset) + body + gap + pixels


def rows_of(w, h, bits, pixel_bytes, top_down=False):
    """Pads rows of packed pixels to 4 bytes; pixel_bytes(y) gives row y (from the top)."""
    stride = (w * bits + 31) // 32 * 4
    order = range(h) if top_down else reversed(range(h))
    return b"".join(pixel_bytes(y).ljust(stride, b"\0") for y in order)


def pack_indexes(indexes, bits):
    out = bytearray()
    per = 8 // bits
    for i in range(0, len(indexes), per):
        byte = 0
        for j, v in enumerate(indexes[i:i + per]):
            byte |= v << (8 - bits * (j + 1))
        out.append(byte)
    return bytes(out)


PALETTE16 = [(r, g, b) for r, g, b in ((0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
                                       (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
                                       (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
                                       (0, 255, 255), (255, 255, 255))]


def quads(palette):
    return b"".join(bytes((b, g, r, 0)) for r, g, b in palette)


# -- made by Pillow and ImageMagick, expected from Pillow --

base = pattern(13, 7)
base.save(path("pattern.png"))

# 12-byte core headers (ImageMagick's BMP2): 4-bit palette of 3-byte entries, and 24-bit.
magick(["pattern.png", "-colors", "16"], "BMP2:core-4bit.bmp")
expect_pillow("core-4bit.bmp")
magick(["pattern.png", "-type", "TrueColor"], "BMP2:core-24bit.bmp")
expect_pillow("core-24bit.bmp")

# 40-byte headers: 1-bit (Pillow), 4-bit (ImageMagick), 8-bit palette (Pillow), 24-bit with its
# own resolution (Pillow), 32-bit with alpha bytes that BI_RGB leaves unused (Pillow).
base.convert("1").save(path("info-1bit.bmp"), dpi=(72, 72))
expect_pillow("info-1bit.bmp")
magick(["pattern.png", "-colors", "16"], "BMP3:info-4bit.bmp")
expect_pillow("info-4bit.bmp")
base.convert("P", palette=Image.ADAPTIVE, colors=40).save(path("info-8bit.bmp"))
expect_pillow("info-8bit.bmp")
base.save(path("info-24bit-dpi.bmp"), dpi=(300, 150))
expect_pillow("info-24bit-dpi.bmp")
rgba = base.convert("RGBA")
rgba.putalpha(Image.linear_gradient("L").resize(base.size))
rgba.save(path("info-32bit-rgb.bmp"))
expect_pillow("info-32bit-rgb.bmp")

# 124-byte headers (ImageMagick's BMP): 32-bit with an alpha mask, 16-bit 5-6-5 masks.
rgba.save(path("pattern-alpha.png"))
magick(["pattern-alpha.png"], "BMP:v5-32bit-alpha.bmp")
expect_pillow("v5-32bit-alpha.bmp")
magick(["pattern.png", "-define", "bmp:subtype=RGB565"], "BMP:v5-16bit-565.bmp")
expect_pillow("v5-16bit-565.bmp")

# Run-length encoded 8-bit (ImageMagick).
magick(["pattern.png", "-colors", "6", "-compress", "RLE"], "BMP3:rle8-magick.bmp")
expect_pillow("rle8-magick.bmp")

# -- written here, expected from Pillow or from the pixels written --

W, H = 13, 7
COLOURS = [[colour(x, y) for x in range(W)] for y in range(H)]


def rgb24(y, top_down=False):
    return b"".join(bytes((b, g, r)) for r, g, b in COLOURS[y])


# 24-bit stored from the top (negative height).
pixels = rows_of(W, H, 24, rgb24, top_down=True)
write("topdown-24bit.bmp", bitmap(info_header(40, W, -H, 24), pixels=pixels))
expect_pillow("topdown-24bit.bmp")

# 16-bit: 5-5-5 without masks, 5-6-5 with masks after a 40-byte header, the same in a 52-byte
# header (masks inside), 5-5-5 in a 40-byte header stored from the top.
def r555(y):
    return b"".join(struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3) for r, g, b in COLOURS[y])


def r565(y):
    return b"".join(struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3) for r, g, b in COLOURS[y])


MASKS565 = (0xF800, 0x07E0, 0x001F)
write("info-16bit-555.bmp", bitmap(info_header(40, W, H, 16), pixels=rows_of(W, H, 16, r555)))
expect_pillow("info-16bit-555.bmp")
write("info-16bit-565.bmp", bitmap(info_header(40, W, H, 16, compression=3), pixels=rows_of(W, H, 16, r565),
                                   after_header=struct.pack("<3I", *MASKS565)))
expect_pillow("info-16bit-565.bmp")
write("v2-52-16bit-565.bmp", bitmap(info_header(52, W, H, 16, compression=3, masks=MASKS565),
                                    pixels=rows_of(W, H, 16, r565)))
expect_pillow("v2-52-16bit-565.bmp", "info-16bit-565.bmp")

# 32-bit with an alpha mask in a 56-byte header; the same pixels in a 108-byte header are read by
# Pillow. 32-bit BI_RGB in a 108-byte header: the fourth byte is not alpha.
ALPHAS = [[(x * 20 + y * 30) % 256 for x in range(W)] for y in range(H)]


def bgra(y):
    return b"".join(bytes((b, g, r, ALPHAS[y][x])) for x, (r, g, b) in enumerate(COLOURS[y]))


MASKS8888 = (0xFF0000, 0xFF00, 0xFF, 0xFF000000)
write("v4-108-32bit-alpha.bmp", bitmap(info_header(108, W, H, 32, compression=3, masks=MASKS8888),
                                       pixels=rows_of(W, H, 32, bgra)))
write("v3-56-32bit-alpha.bmp", bitmap(info_header(56, W, H, 32, compression=3, masks=MASKS8888),
                                      pixels=rows_of(W, H, 32, bgra)))
expect_pillow("v3-56-32bit-alpha.bmp", "v4-108-32bit-alpha.bmp")
write("v4-108-32bit-rgb.bmp", bitmap(info_header(108, W, H, 32, masks=MASKS8888), pixels=rows_of(W, H, 32, bgra)))
expect_pillow("v4-108-32bit-rgb.bmp")

# OS/2 2.x headers: 64 bytes (Pillow reads it), and the short 16-byte form (width, height,
# planes, bits only), both 8-bit with 4-byte palette entries.
INDEXES = [[(x + 3 * y) % 20 for x in range(W)] for y in range(H)]
PALETTE20 = [((i * 40) % 256, (i * 90 + 30) % 256, (255 - i * 12) % 256) for i in range(20)]


def idx8(y):
    return bytes(INDEXES[y])


os2_64 = bytearray(info_header(40, W, H, 8, used=20)) + bytes(24)
struct.pack_into("<I", os2_64, 0, 64)
write("os2-64-8bit.bmp", bitmap(bytes(os2_64), palette=quads(PALETTE20), pixels=rows_of(W, H, 8, idx8)))
expect_pillow("os2-64-8bit.bmp")
os2_16 = struct.pack("<IiiHH", 16, W, H, 1, 8)
full256 = PALETTE20 + [(0, 0, 0)] * 236
write("os2-16-8bit.bmp", bitmap(os2_16, palette=quads(full256), pixels=rows_of(W, H, 8, idx8)))
expect_rows("os2-16-8bit.bmp", [[PALETTE20[i] for i in row] for row in INDEXES])

# 8-bit with a 3-entry palette (clrUsed 3): indexes beyond it are black; written with a pixel
# offset of 0 so that the pixels are found right after the palette.
SHORT = [(250, 10, 10), (10, 250, 10), (10, 10, 250)]
SHORT_INDEXES = [[(x + y) % 5 for x in range(W)] for y in range(H)]
write("info-8bit-short-palette.bmp", bitmap(info_header(40, W, H, 8, used=3), palette=quads(SHORT),
                                            pixels=rows_of(W, H, 8, lambda y: bytes(SHORT_INDEXES[y])), offset=0))
expect_rows("info-8bit-short-palette.bmp", [[SHORT[i] if i < 3 else (0, 0, 0) for i in row] for row in SHORT_INDEXES])

# 4-bit in a 124-byte header stored from the top, palette count 0 (all 16 entries).
IDX4 = [[(x * 3 + y) % 16 for x in range(W)] for y in range(H)]
write("v5-4bit-topdown.bmp", bitmap(info_header(124, W, -H, 4), palette=quads(PALETTE16),
                                    pixels=rows_of(W, H, 4, lambda y: pack_indexes(IDX4[y], 4), top_down=True)))
expect_rows("v5-4bit-topdown.bmp", [[PALETTE16[i] for i in row] for row in IDX4])

# Cut in the middle of its fourth stored row: the rows present, the rest black.
whole = bitmap(info_header(40, W, H, 24), pixels=rows_of(W, H, 24, rgb24))
stride = (W * 24 + 31) // 32 * 4
kept_bytes = 3 * stride + 5 * 3 + 1  # three rows, five pixels and one byte of the sixth
write("truncated-24bit.bmp", whole[:54 + kept_bytes])
truncated = [[(0, 0, 0)] * W for _ in range(H)]
for stored in range(3):
    truncated[H - 1 - stored] = list(COLOURS[H - 1 - stored])
for x in range(5):
    truncated[H - 4][x] = COLOURS[H - 4][x]
truncated[H - 4][5] = (0, 0, COLOURS[H - 4][5][2])  # only its blue byte is present
expect_rows("truncated-24bit.bmp", truncated)


# -- run-length streams, painted while written --

class RunLengths:
    """Writes a run-length stream of a W×H 4- or 8-bit bitmap stored from the bottom and paints the
    indexes it gives (unwritten pixels stay 0) on a canvas of stored rows."""

    def __init__(self, w, h, rle4):
        self.w, self.h, self.rle4 = w, h, rle4
        self.data = bytearray()
        self.canvas = [[0] * w for _ in range(h)]
        self.x = self.y = 0

    def put(self, index):
        if self.x < self.w and self.y < self.h:
            self.canvas[self.y][self.x] = index
        self.x += 1

    def run(self, count, a, b=None):
        """count pixels: a repeated (RLE8), or a and b alternating (RLE4)."""
        self.data += bytes((count, (a << 4 | b) if self.rle4 else a))
        for i in range(count):
            self.put(b if self.rle4 and i % 2 else a)

    def literal(self, indexes):
        self.data += bytes((0, len(indexes)))
        body = pack_indexes(indexes, 4) if self.rle4 else bytes(indexes)
        self.data += body + (b"\0" if len(body) % 2 else b"")
        for v in indexes:
            self.put(v)

    def end_of_line(self):
        self.data += b"\0\0"
        self.x, self.y = 0, self.y + 1

    def move(self, dx, dy):
        self.data += bytes((0, 2, dx, dy))
        self.x, self.y = self.x + dx, self.y + dy

    def end(self):
        self.data += b"\0\1"

    def rows_from_top(self, palette):
        return [[palette[i] if i < len(palette) else (0, 0, 0) for i in self.canvas[self.h - 1 - y]] for y in range(self.h)]


RLE_PALETTE = [(255, 255, 255), (200, 0, 0), (0, 150, 0), (0, 0, 220), (240, 200, 0), (120, 0, 160),
               (0, 180, 180), (90, 90, 90)] + [(i * 16, 255 - i * 16, 128) for i in range(8)]


def rle_picture(name, stream, bits, compression):
    write(name, bitmap(info_header(40, stream.w, stream.h, bits, compression=compression, used=16),
                       palette=quads(RLE_PALETTE), pixels=bytes(stream.data)))
    expect_rows(name, stream.rows_from_top(RLE_PALETTE))


# RLE8: runs, an odd literal (padded), a move right and up, a line left early, a run longer than
# the row (cut at the edge), the end of the bitmap before the last rows.
s = RunLengths(W, H, False)
s.run(4, 1); s.literal([2, 3, 4]); s.run(6, 5); s.end_of_line()
s.literal([6, 7, 1, 2, 3, 4]); s.move(3, 1); s.run(2, 3); s.end_of_line()
s.run(200, 2); s.end_of_line()
s.move(5, 0); s.literal([1, 1, 3]); s.end_of_line()
s.end()
rle_picture("rle8-escapes.bmp", s, 8, 1)

# RLE4: alternating runs, an odd literal of 5 pixels (3 bytes, padded), a move, an early end of
# line, a run over the edge.
s = RunLengths(W, H, True)
s.run(5, 1, 2); s.literal([3, 4, 5, 6, 7]); s.run(3, 8, 9); s.end_of_line()
s.run(2, 10, 11); s.move(4, 2); s.literal([12, 13, 14, 15]); s.end_of_line()
s.run(255, 3, 4); s.end_of_line()
s.end()
rle_picture("rle4-escapes.bmp", s, 4, 2)

# Runs, moves and literals that go past the right edge and the last row, and a stream that ends
# without its end of bitmap.
s = RunLengths(W, H, False)
s.run(255, 1); s.run(255, 2); s.literal(list(range(1, 16))); s.end_of_line()
s.move(255, 3); s.run(4, 3); s.end_of_line()
s.move(0, 250); s.run(9, 4); s.end_of_line()
s.run(3, 5)
rle_picture("rle8-overrun.bmp", s, 8, 1)


# -- icons --

def dib_image(w, h, bits, palette, pixel_rows, mask_rows):
    """An icon's bitmap: 40-byte header of doubled height, palette, colour rows, 1-bit mask rows
    (rows given from the top)."""
    head = info_header(40, w, 2 * h, bits, used=len(palette))
    colour = rows_of(w, h, bits, lambda y: pixel_rows[y])
    mask = rows_of(w, h, 1, lambda y: pack_indexes(mask_rows[y], 1))
    return head + quads(palette) + colour + mask


def icon(entries):
    """entries: (width byte, height byte, bits, image bytes)."""
    offset = 6 + 16 * len(entries)
    head = struct.pack("<HHH", 0, 1, len(entries))
    body = b""
    for w, h, bits, data in entries:
        head += struct.pack("<BBBBHHII", w, h, 0, 0, 1, bits, len(data), offset + len(body))
        body += data
    return head + body


# Pillow's icons: PNG images, and 32-bit bitmap images with their alpha.
rgba48 = pattern(48, 48).convert("RGBA")
rgba48.putalpha(Image.linear_gradient("L").resize((48, 48)))
rgba48.save(path("icon-png.ico"), sizes=[(16, 16), (48, 48), (32, 32)])
expect_pillow("icon-png.ico")
rgba48.save(path("icon-dib32.ico"), sizes=[(16, 16), (48, 48), (32, 32)], bitmap_format="bmp")
expect_pillow("icon-dib32.ico")

# A mixed icon: a 16×16 PNG, a 24×24 4-bit bitmap and a 24×24 8-bit bitmap with transparent
# pixels in its mask, listed in that order; the 8-bit one is chosen (largest, then deepest).
png16 = io.BytesIO()
pattern(16, 16).save(png16, "PNG")
S = 24
I8 = [[(x + y) % 20 for x in range(S)] for y in range(S)]
M8 = [[1 if (x - 12) ** 2 + (y - 12) ** 2 > 100 else 0 for x in range(S)] for y in range(S)]
I4 = [[(x * y) % 16 for x in range(S)] for y in range(S)]
no_mask = [[0] * S for _ in range(S)]
write("icon-mixed.ico", icon([
    (16, 16, 32, png16.getvalue()),
    (S, S, 4, dib_image(S, S, 4, PALETTE16, [pack_indexes(r, 4) for r in I4], no_mask)),
    (S, S, 8, dib_image(S, S, 8, PALETTE20, [bytes(r) for r in I8], M8)),
]))
expect_rows("icon-mixed.ico", [[PALETTE20[I8[y][x]] + ((0,) if M8[y][x] else (255,)) for x in range(S)]
                               for y in range(S)])

# A 32-bit bitmap whose fourth bytes are all 0 takes its transparency from the mask. Its entry
# gives 0 as width and height (256) although the image is 8×8, and 0 bits (the image's 32); a
# broken entry listed before it, as large and as deep, whose offset lies beyond the file, is
# passed over.
Z = 8
ZMASK = [[1 if x < 3 else 0 for x in range(Z)] for y in range(Z)]
zero_alpha = info_header(40, Z, 2 * Z, 32) + rows_of(Z, Z, 32, lambda y: b"".join(
    bytes((b, g, r, 0)) for r, g, b in (colour(x, y) for x in range(Z)))) + rows_of(
    Z, Z, 1, lambda y: pack_indexes(ZMASK[y], 1))
data = bytearray(icon([(0, 0, 32, b""), (0, 0, 0, zero_alpha)]))
struct.pack_into("<I", data, 6 + 12, 1 << 30)
write("icon-zero-alpha.ico", bytes(data))
expect_rows("icon-zero-alpha.ico", [[colour(x, y) + ((0,) if ZMASK[y][x] else (255,)) for x in range(Z)]
                                    for y in range(Z)])


# -- metafiles --

def emf(bounds, frame, device, millimetres):
    head = struct.pack("<II4i4iIIIIHHIIIiiii", 1, 88, *bounds, *frame, 0x464D4520, 0x10000, 88 + 20, 2, 1, 0, 0, 0,
                       0, *device, *millimetres)
    eof = struct.pack("<IIIII", 14, 20, 0, 0, 20)
    return head + eof


# A frame of 50 × 25 mm on a device of 1280 × 960 pixels over 320 × 240 mm (101.6 dpi):
# 200 × 100 pixels; its bounds (what was drawn) are smaller.
write("frame.emf", emf((10, 10, 59, 39), (0, 0, 5000, 2500), (1280, 960), (320, 240)))
# An empty frame: the bounds, inclusive, give 50 × 30; no millimetres: 96 dpi.
write("bounds.emf", emf((10, 10, 59, 39), (0, 0, 0, 0), (1280, 960), (0, 0)))
# Frame and bounds both empty.
write("empty.emf", emf((0, 0, -1, -1), (0, 0, 0, 0), (1280, 960), (320, 240)))


def placeable(left, top, right, bottom, inch):
    head = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, left, top, right, bottom, inch, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", head):
        checksum ^= word
    meta = struct.pack("<HHHIHIH", 1, 9, 0x300, 12, 0, 3, 0) + struct.pack("<IH", 3, 0)
    return head + struct.pack("<H", checksum) + meta


# 2 × 1 inches in twips, bounding box not at the origin: 192 × 96 pixels at 96 dpi.
write("placeable.wmf", placeable(100, -50, 2980, 1390, 1440))
write("placeable-no-inch.wmf", placeable(0, 0, 100, 100, 0))
write("standard.wmf", placeable(0, 0, 100, 100, 1440)[22:])


# -- hostile headers --

def hostile_bmp(w, h, bits=24, compression=0, used=0, offset=None, extra=b"\0" * 64, size=40):
    return bitmap(info_header(size, w, h, bits, compression=compression, used=used), pixels=extra, offset=offset)


write("hostile-height-min.bmp", hostile_bmp(4, -(1 << 31)))
write("hostile-width-2e31.bmp", file_header(0, 54) + struct.pack("<IIiHHIIiiII", 40, 1 << 31, 1, 1, 24, 0, 0, 0, 0, 0, 0) + bytes(16))
write("hostile-huge-frame.bmp", hostile_bmp(1 << 16, 1 << 16))
# A palette count of 4 billion: the 16 entries before the pixels are read; indexes 16 and 17
# (where the pixel bytes would be read as entries) are black.
write("hostile-palette-4e9.bmp", bitmap(info_header(40, 4, 2, 8, used=0xFFFFFFFF), palette=quads(PALETTE16),
                                        pixels=bytes((1, 2, 3, 16, 5, 6, 7, 17))))
expect_rows("hostile-palette-4e9.bmp", [[PALETTE16[5], PALETTE16[6], PALETTE16[7], (0, 0, 0)],
                                        [PALETTE16[1], PALETTE16[2], PALETTE16[3], (0, 0, 0)]])
beyond = bytearray(hostile_bmp(4, 2))
struct.pack_into("<I", beyond, 10, 1 << 20)
write("hostile-offset-beyond.bmp", bytes(beyond))
write("hostile-header-size.bmp", hostile_bmp(4, 2, size=40)[:14] + struct.pack("<I", 0xFFFFFFF0) + bytes(60))
write("hostile-rle-past-frame.bmp", bitmap(info_header(40, 4, 2, 8, compression=1, used=2), palette=quads([(9, 9, 9), (200, 100, 50)]),
                                           pixels=bytes((255, 1, 0, 2, 255, 255, 255, 1, 0, 0, 0, 5, 1, 1, 1, 1, 1, 0)) * 4))
write("hostile-icon-count.ico", struct.pack("<HHH", 0, 1, 65535) + bytes(14))
write("hostile-icon-huge.ico", icon([(0, 0, 32, info_header(40, 1 << 20, 1 << 21, 32) + bytes(32))]))
