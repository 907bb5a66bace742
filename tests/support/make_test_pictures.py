#!/usr/bin/env python3
"""Writes the pictures the image codec tests read, and beside each frame the pixels Pillow shows.

Usage: make_test_pictures.py FOLDER

For every picture NAME and frame N the file NAME.N.rgb holds the frame as Pillow decodes it:
rows from the top, red, green and blue per pixel, with transparency composited over white by the
integer formula the codec uses, c' = (c*a + 255*(255-a) + 127) // 255. GIF frames are taken as
Pillow shows them in sequence (earlier frames disposed of as the file says). Some pictures are
written byte by byte here (16-bit and interlaced PNG, the animated GIF, damaged files) because
Pillow cannot write them.
"""

import io
import struct
import sys
import zlib
from pathlib import Path

import numpy
from PIL import Image, ImageFile, ImageSequence, TiffImagePlugin


def over_white(image):
    """The RGB bytes of an image with its transparency composited over white."""
    rgba = numpy.asarray(image.convert("RGBA"), dtype=numpy.uint32)
    colour, alpha = rgba[..., :3], rgba[..., 3:4]
    return ((colour * alpha + 255 * (255 - alpha) + 127) // 255).astype(numpy.uint8).tobytes()


def write_expected(folder, name, frames):
    for index, frame in enumerate(frames):
        (folder / f"{name}.{index}.rgb").write_bytes(over_white(frame))


def expect_all_frames(folder, name):
    with Image.open(folder / name) as image:
        write_expected(folder, name, [frame.copy() for frame in ImageSequence.Iterator(image)])


def pattern(width, height, channels, seed):
    """Deterministic pixels with both smooth runs and sharp edges."""
    generator = numpy.random.default_rng(seed)
    y, x = numpy.mgrid[0:height, 0:width]
    planes = [(x * 255 // max(width - 1, 1) + c * 70) % 256 for c in range(channels)]
    array = numpy.stack(planes, axis=-1).astype(numpy.int64)
    array[::3, ::2] = generator.integers(0, 256, size=array[::3, ::2].shape)
    return array


# ---- PNG written byte by byte ----

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_file(width, height, bit_depth, colour_type, raw, interlace=0, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, interlace)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + extra
            + png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b""))


def png_rows(samples, bytes_per_sample):
    """Filter-free scanlines of a height × width × channels array."""
    dtype = ">u2" if bytes_per_sample == 2 else "u1"
    return b"".join(b"\0" + row.astype(dtype).tobytes() for row in samples)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_interlaced_rows(samples):
    raw = b""
    for x0, y0, dx, dy in ADAM7:
        sub = samples[y0::dy, x0::dx]
        if sub.shape[0] and sub.shape[1]:
            raw += png_rows(sub, 1)
    return raw


# ---- GIF written byte by byte ----

def gif_image_data(indices):
    """LZW data that never grows its code table: a clear code before every 254 pixels keeps the
    codes 9 bits wide (minimum code size 8), which every decoder must read."""
    clear, end = 256, 257
    codes = []
    flat = [int(v) for v in numpy.asarray(indices).reshape(-1)]
    for start in range(0, len(flat), 254):
        codes.append(clear)
        codes.extend(flat[start:start + 254])
    codes.append(end)
    bits, count, data = 0, 0, bytearray()
    for code in codes:
        bits |= code << count
        count += 9
        while count >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        data.append(bits & 0xFF)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + bytes(data[i:i + 255]) for i in range(0, len(data), 255))
    return b"\x08" + blocks + b"\x00"


def gif_palette(colours):
    table = bytearray()
    for r, g, b in colours:
        table += bytes([r, g, b])
    return bytes(table)


def gif_frame(left, top, indices, disposal, transparent=None, local_palette=None, interlace=False):
    height, width = indices.shape
    flags = (disposal << 2) | (1 if transparent is not None else 0)
    control = b"\x21\xf9\x04" + bytes([flags]) + b"\x0a\x00" + bytes([transparent or 0]) + b"\x00"
    packed = 0
    palette = b""
    if local_palette is not None:
        packed |= 0x80 | 2  # 8 entries
        palette = gif_palette(local_palette)
    rows = indices
    if interlace:
        packed |= 0x40
        order = list(range(0, height, 8)) + list(range(4, height, 8)) + list(range(2, height, 4)) + list(range(1, height, 2))
        rows = indices[order]
    descriptor = b"\x2c" + struct.pack("<HHHH", left, top, width, height) + bytes([packed])
    return control + descriptor + palette + gif_image_data(rows)


def gif_file(width, height, palette, frames):
    screen = b"GIF89a" + struct.pack("<HH", width, height) + bytes([0x80 | 0x70 | 2, 0, 0])
    return screen + gif_palette(palette) + b"".join(frames) + b"\x3b"


GLOBAL_PALETTE = [(0, 0, 0), (255, 0, 0), (0, 200, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (128, 64, 32),
                  (255, 0, 255)]
LOCAL_PALETTE = [(10, 20, 30), (200, 100, 50), (60, 180, 240), (250, 250, 250), (90, 0, 90), (0, 90, 90),
                 (1, 2, 3), (40, 40, 40)]


def indices(width, height, seed, transparent_share=0.0, transparent=7):
    generator = numpy.random.default_rng(seed)
    array = generator.integers(0, 7, size=(height, width))
    if transparent_share:
        array[generator.random((height, width)) < transparent_share] = transparent
    return array


def make_gif(folder):
    # Screen 24 × 16: a full first frame with holes (kept), a frame cleared afterwards (2), an
    # interlaced frame with its own palette put back afterwards (3) over the cleared area, and an
    # opaque frame without transparency. Method 0 (unspecified) is not used: Pillow lets it repeat
    # the previous frame's method, where viewers keep the frame as method 1 does.
    frames = [
        gif_frame(0, 0, indices(24, 16, 1, 0.2), 1, transparent=7),
        gif_frame(4, 3, indices(10, 8, 2, 0.3), 2, transparent=7),
        gif_frame(10, 6, indices(12, 9, 3, 0.3), 3, transparent=7, local_palette=LOCAL_PALETTE, interlace=True),
        gif_frame(0, 0, indices(6, 6, 4), 1),
        gif_frame(8, 2, indices(5, 5, 5, 0.5), 1, transparent=7),
    ]
    data = gif_file(24, 16, GLOBAL_PALETTE, frames)
    (folder / "anim.gif").write_bytes(data)
    expect_all_frames(folder, "anim.gif")
    # Truncated inside the first frame's data.
    (folder / "truncated.gif").write_bytes(data[:13 + 24 + 19 + 60])
    # A second frame reaching past the screen, drawn clipped (Pillow grows the screen instead:
    # its frames are compared within the screen).
    clipped = gif_file(12, 10, GLOBAL_PALETTE, [
        gif_frame(0, 0, indices(12, 10, 6), 1),
        gif_frame(8, 6, indices(9, 7, 7, 0.3), 1, transparent=7),
    ])
    (folder / "clipped.gif").write_bytes(clipped)
    with Image.open(io.BytesIO(clipped)) as image:
        write_expected(folder, "clipped.gif", [f.convert("RGBA").crop((0, 0, 12, 10)) for f in ImageSequence.Iterator(image)])


def make_png(folder):
    rgb = pattern(13, 7, 3, 10)
    Image.fromarray(rgb.astype(numpy.uint8), "RGB").save(folder / "rgb.png", dpi=(300, 300))
    palette_image = Image.fromarray(indices(9, 5, 11).astype(numpy.uint8), "P")
    palette_image.putpalette(sum(GLOBAL_PALETTE, ()))
    palette_image.save(folder / "palette.png", transparency=2)
    Image.fromarray(pattern(6, 4, 1, 12)[..., 0].astype(numpy.uint8), "L").save(folder / "grey.png")
    rgba = pattern(10, 6, 4, 13)
    Image.fromarray(rgba.astype(numpy.uint8), "RGBA").save(folder / "rgba.png")
    Image.fromarray(pattern(7, 5, 2, 14).astype(numpy.uint8), "LA").save(folder / "grey_alpha.png")
    Image.new("RGB", (1, 1), (255, 0, 0)).save(folder / "red.png")
    # 16-bit RGB: Pillow shows the high byte of each sample.
    deep = pattern(11, 6, 3, 15) * 257 + numpy.arange(11)[None, :, None] * 3
    (folder / "rgb16.png").write_bytes(png_file(11, 6, 16, 2, png_rows(deep, 2)))
    # Adam7-interlaced RGB, 19 × 13 so that every pass has partial rows.
    interlaced = pattern(19, 13, 3, 16)
    (folder / "interlaced.png").write_bytes(png_file(19, 13, 8, 2, png_interlaced_rows(interlaced), interlace=1))
    for name in ("rgb.png", "palette.png", "grey.png", "rgba.png", "grey_alpha.png", "red.png", "rgb16.png",
                 "interlaced.png"):
        expect_all_frames(folder, name)
    # A header claiming 20000 × 20000 pixels over a few bytes of data.
    (folder / "huge.png").write_bytes(png_file(20000, 20000, 8, 2, b"\0" * 64))
    whole = (folder / "rgb.png").read_bytes()
    (folder / "truncated.png").write_bytes(whole[:len(whole) * 2 // 3])


def make_tiff(folder):
    # Three pages of different sizes, kinds, compressions and resolutions.
    pages = [
        (Image.fromarray(pattern(20, 10, 3, 20).astype(numpy.uint8), "RGB"), {"dpi": (300, 300)}),
        (Image.fromarray(pattern(7, 12, 1, 21)[..., 0].astype(numpy.uint8), "L"),
         {"dpi": (72, 72), "compression": "tiff_lzw"}),
        (Image.fromarray(pattern(15, 15, 3, 22).astype(numpy.uint8), "RGB"),
         {"resolution_unit": 3, "x_resolution": 40, "y_resolution": 50, "compression": "tiff_adobe_deflate"}),
    ]
    path = folder / "pages.tif"
    with TiffImagePlugin.AppendingTiffWriter(str(path), True) as writer:
        for image, options in pages:
            image.encoderinfo = options
            image.encoderconfig = ()
            TiffImagePlugin._save(image, writer, str(path))
            writer.newFrame()
    expect_all_frames(folder, "pages.tif")
    single = folder / "single.tif"
    Image.fromarray(pattern(40, 30, 3, 23).astype(numpy.uint8), "RGB").save(single)
    whole = single.read_bytes()
    (folder / "truncated.tif").write_bytes(whole[:len(whole) // 2])


def make_jpeg(folder):
    y, x = numpy.mgrid[0:24, 0:32]
    smooth = numpy.stack([x * 8, y * 10, (x + y) * 4], axis=-1).astype(numpy.uint8)
    Image.fromarray(smooth, "RGB").save(folder / "baseline.jpg", quality=95, dpi=(72, 72))
    Image.fromarray(smooth, "RGB").save(folder / "progressive.jpg", quality=90, progressive=True)
    exif = Image.Exif()
    exif[0x011A] = 150.0
    exif[0x011B] = 150.0
    exif[0x0128] = 2
    Image.fromarray(smooth[..., 1], "L").save(folder / "grey.jpg", quality=90, exif=exif.tobytes())
    cmyk = numpy.stack([x * 8, y * 10, 255 - x * 8, (x * y) % 200], axis=-1).astype(numpy.uint8)
    Image.fromarray(cmyk, "CMYK").save(folder / "cmyk.jpg", quality=95)
    for name in ("baseline.jpg", "progressive.jpg", "grey.jpg", "cmyk.jpg"):
        expect_all_frames(folder, name)
    # A scan that ends early: libjpeg completes it, and Pillow (told to accept truncated pictures)
    # shows what it completed.
    y, x = numpy.mgrid[0:96, 0:128]
    large = numpy.stack([x * 2, y * 2, (x * y) % 256], axis=-1).astype(numpy.uint8)
    buffer = io.BytesIO()
    Image.fromarray(large, "RGB").save(buffer, "JPEG", quality=90)
    whole = buffer.getvalue()
    (folder / "truncated.jpg").write_bytes(whole[:len(whole) * 2 // 3])
    ImageFile.LOAD_TRUNCATED_IMAGES = True
    expect_all_frames(folder, "truncated.jpg")
    ImageFile.LOAD_TRUNCATED_IMAGES = False


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    make_png(folder)
    make_gif(folder)
    make_tiff(folder)
    make_jpeg(folder)
    (folder / "text.txt").write_text("Not a picture, only a few words of text.\n")


if __name__ == "__main__":
    main()
