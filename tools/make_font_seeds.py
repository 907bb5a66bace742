#!/usr/bin/env python3
"""Writes small synthetic TrueType files for the font reader's tests and fuzz corpus.

    tools/make_font_seeds.py <output folder>

Each file exercises one path of the reader: a complete font with a kern table and three
character maps, a font with an OS/2 table of version 1 and no post table, a symbolic font,
a font of 2048 units per em, a collection of two fonts, and truncated copies.
"""
import os
import struct
import sys


def name_table(ps_name, full_name):
    records, storage = [], b""
    for platform, encoding, nameid, text in [
        (1, 0, 4, full_name.encode("latin-1")),
        (3, 1, 4, full_name.encode("utf-16-be")),
        (3, 1, 6, ps_name.encode("utf-16-be")),
    ]:
        records.append(struct.pack(">6H", platform, encoding, 0x409 if platform == 3 else 0, nameid,
                                   len(text), len(storage)))
        storage += text
    header = struct.pack(">3H", 0, len(records), 6 + 12 * len(records))
    return header + b"".join(records) + storage


def head_table(upem, mac_style=0):
    return struct.pack(">iiIIHHqqhhhhHHhhh", 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0, upem, 0, 0,
                       -100, -200, 900, 800, mac_style, 8, 2, 0, 0)


def hhea_table(num_metrics, caret_rise=1, caret_run=0):
    return struct.pack(">ihhhHhhhhhh4hhH", 0x00010000, 800, -200, 0, 1000, 0, 0, 900, caret_rise, caret_run,
                       0, 0, 0, 0, 0, 0, num_metrics)


def os2_table(version, upem):
    data = struct.pack(">HhHHH", version, 500, 400, 5, 0)
    data += struct.pack(">10h", 0, 0, 0, 0, 0, 0, 0, 0, 50, 250) + struct.pack(">h", 0)
    data += bytes(10) + struct.pack(">4I", 1, 0, 0, 0) + b"TEST"
    data += struct.pack(">HHH", 0x40, 32, 255)
    data += struct.pack(">hhhHH", int(upem * 0.75), -int(upem * 0.25), 0, upem, int(upem * 0.25))
    if version >= 1:
        data += struct.pack(">II", 0x00000001 | (1 << 17) | (1 << 31), 0)
    if version >= 2:
        data += struct.pack(">hhHHH", int(upem * 0.5), int(upem * 0.66), 0, 32, 0)
    return data


def post_table(italic=0, fixed=0):
    return struct.pack(">iihhIIIII", 0x00030000, italic, -100, 50, fixed, 0, 0, 0, 0)


def hmtx_table(widths):
    return b"".join(struct.pack(">Hh", w, 0) for w in widths)


def cmap_format4(mapping):
    # One segment per code, plus the closing 0xFFFF segment.
    codes = sorted(mapping)
    ends = codes + [0xFFFF]
    starts = codes + [0xFFFF]
    deltas = [(mapping[c] - c) & 0xFFFF for c in codes] + [1]
    seg = len(ends)
    body = struct.pack(">HHHH", seg * 2, 0, 0, 0)
    body += struct.pack(">%dH" % seg, *ends) + b"\0\0" + struct.pack(">%dH" % seg, *starts)
    body += struct.pack(">%dH" % seg, *deltas) + struct.pack(">%dH" % seg, *([0] * seg))
    return struct.pack(">HHH", 4, 6 + len(body), 0) + body


def cmap_format0(mapping):
    glyphs = bytes(mapping.get(c, 0) for c in range(256))
    return struct.pack(">HHH", 0, 262, 0) + glyphs


def cmap_format6(first, glyphs):
    return struct.pack(">HHHHH", 6, 10 + 2 * len(glyphs), 0, first, len(glyphs)) + struct.pack(
        ">%dH" % len(glyphs), *glyphs)


def cmap_table(subtables):
    header = struct.pack(">HH", 0, len(subtables))
    offset = 4 + 8 * len(subtables)
    records, data = b"", b""
    for platform, encoding, sub in subtables:
        records += struct.pack(">HHI", platform, encoding, offset + len(data))
        data += sub
    return header + records + data


def kern_table(pairs):
    body = struct.pack(">HHHH", len(pairs), 0, 0, 0) + b"".join(struct.pack(">HHh", l, r, v) for l, r, v in pairs)
    sub = struct.pack(">HHH", 0, 6 + len(body), 1) + body
    return struct.pack(">HH", 0, 1) + sub


def sfnt(tables, version=0x00010000):
    tags = sorted(tables)
    out = struct.pack(">IHHHH", version, len(tags), 0, 0, 0)
    offset = 12 + 16 * len(tags)
    directory, data = b"", b""
    for tag in tags:
        body = tables[tag]
        directory += struct.pack(">4sIII", tag.encode("latin-1"), 0, offset + len(data), len(body))
        data += body + bytes((-len(body)) % 4)
    return out + directory + data


def collection(fonts):
    header_size = 12 + 4 * len(fonts)
    out, offsets, body = b"", [], b""
    for font in fonts:
        # Table offsets inside each font are relative to the file start: shift them.
        base = header_size + len(body)
        count = struct.unpack(">H", font[4:6])[0]
        fixed = bytearray(font)
        for i in range(count):
            at = 12 + 16 * i + 8
            fixed[at:at + 4] = struct.pack(">I", struct.unpack(">I", font[at:at + 4])[0] + base)
        offsets.append(base)
        body += bytes(fixed)
    out = b"ttcf" + struct.pack(">II", 0x00010000, len(fonts)) + b"".join(struct.pack(">I", o) for o in offsets)
    return out + body


# Glyphs: 0 .notdef, 1 space, 2 A, 3 B, 4 e-acute, 5 euro.
LATIN = {32: 1, 65: 2, 66: 3, 0xE9: 4, 0x20AC: 5}
MAC = {32: 1, 65: 2, 66: 3, 0x8E: 4}


def regular(upem=1000, widths=(500, 250, 600, 700, 450, 550), os2_version=2, post=True, ps="QxTest-Regular",
            full="QxTest Regular", symbolic=False, kern=True, mac_format=0):
    tables = {
        "name": name_table(ps, full),
        "head": head_table(upem),
        "hhea": hhea_table(len(widths), 1, 0),
        "OS/2": os2_table(os2_version, upem),
        "hmtx": hmtx_table(widths),
    }
    if post:
        tables["post"] = post_table()
    if mac_format == 0:
        mac = cmap_format0(MAC)
    else:
        mac = cmap_format6(32, [1] + [0] * 32 + [2, 3])
    subs = [(1, 0, mac)]
    if symbolic:
        subs.append((3, 0, cmap_format4({0xF020: 1, 0xF041: 2})))
    else:
        subs.append((3, 1, cmap_format4(LATIN)))
    tables["cmap"] = cmap_table(subs)
    if kern:
        tables["kern"] = kern_table([(2, 3, -50), (3, 2, -20)])
    return sfnt(tables)


def main():
    out = sys.argv[1]
    files = {
        "regular.ttf": regular(),
        "os2v1-nopost.ttf": regular(os2_version=1, post=False, ps="QxTest-Plain", full="QxTest Plain"),
        "symbol.ttf": regular(symbolic=True, ps="QxTest-Symbol", full="QxTest Symbol"),
        "em2048.ttf": regular(upem=2048, widths=(1229, 512, 1229, 1229, 1229, 1229), ps="QxTest-Mono",
                              full="QxTest Mono", mac_format=6),
        "collection.ttc": collection([regular(ps="QxPair-One", full="QxPair One"),
                                      regular(ps="QxPair-Two", full="QxPair Two", widths=(400, 300, 650, 720, 460, 560))]),
        "cff.otf": regular()[:0] + struct.pack(">I", 0x4F54544F) + regular()[4:],
    }
    whole = files["regular.ttf"]
    for cut in (3, 11, 40, 120, len(whole) // 2, len(whole) - 3):
        files["truncated-%d.ttf" % cut] = whole[:cut]
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
