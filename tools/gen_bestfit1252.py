#!/usr/bin/env python3
"""Writes platform/src/BestFit1252.inc, the best-fit part of code page 1252's Unicode-to-byte table.

A character that code page 1252 cannot hold exactly is written as the nearest character it can:
a letter with diacritics outside the code page becomes the closest letter inside it (U+0100 -> A,
U+01D5 -> U+00DC), a fullwidth or letter-like form becomes its plain form, and a small set of
symbols and letters without decompositions (strokes, Greek letters, math signs) follow the
traditional best-fit choices listed in EXTRA below.

The output is committed; the build never runs this script. Run it from the repository root:
    python3 tools/gen_bestfit1252.py > platform/src/BestFit1252.inc
"""

import sys
import unicodedata

# The five bytes that have no character in code page 1252 stand for the C1 controls of the same
# value, so every byte decodes to something and the table round-trips.
UNDEFINED_1252 = (0x81, 0x8D, 0x8F, 0x90, 0x9D)


def exact_table():
    """Returns {code point: byte} for every character code page 1252 holds exactly."""
    table = {}
    for byte in range(256):
        if byte in UNDEFINED_1252:
            table[byte] = byte
        else:
            table[ord(bytes([byte]).decode("cp1252"))] = byte
    return table


# Best-fit choices that no Unicode decomposition yields.
EXTRA = {
    # Latin letters with strokes, bars and hooks
    0x0110: 0xD0, 0x0111: ord("d"), 0x0126: ord("H"), 0x0127: ord("h"), 0x0131: ord("i"),
    0x013F: ord("L"), 0x0140: ord("l"), 0x0141: ord("L"), 0x0142: ord("l"), 0x014A: ord("N"),
    0x014B: ord("n"), 0x0166: ord("T"), 0x0167: ord("t"), 0x0180: ord("b"), 0x0189: 0xD0,
    0x0191: 0x83, 0x0197: ord("I"), 0x019A: ord("l"), 0x019F: ord("O"), 0x01AB: ord("t"),
    0x01AE: ord("T"), 0x01B6: ord("z"), 0x01C0: ord("|"), 0x01C3: ord("!"), 0x01E4: ord("G"),
    0x01E5: ord("g"),
    # spacing modifier letters and combining marks shown as their spacing forms
    0x02B9: ord("'"), 0x02BA: ord('"'), 0x02BC: ord("'"), 0x02C4: ord("^"), 0x02C8: ord("'"),
    0x02C9: 0xAF, 0x02CA: 0xB4, 0x02CB: ord("`"), 0x02CD: ord("_"), 0x02DA: 0xB0,
    0x0300: ord("`"), 0x0301: 0xB4, 0x0302: ord("^"), 0x0303: ord("~"), 0x0304: 0xAF,
    0x0305: 0xAF, 0x0308: 0xA8, 0x030A: 0xB0, 0x030E: ord('"'), 0x0327: 0xB8, 0x0331: ord("_"),
    0x0332: ord("_"),
    # Greek letters with a Latin look-alike
    0x0393: ord("G"), 0x0398: ord("T"), 0x03A3: ord("S"), 0x03A6: ord("F"), 0x03A9: ord("O"),
    0x03B1: ord("a"), 0x03B2: 0xDF, 0x03B4: ord("d"), 0x03B5: ord("e"), 0x03BC: 0xB5,
    0x03C0: ord("p"), 0x03C3: ord("s"), 0x03C4: ord("t"), 0x03C6: ord("f"),
    # punctuation, currency and letter-like symbols
    0x2000: 0x20, 0x2001: 0x20, 0x2002: 0x20, 0x2003: 0x20, 0x2004: 0x20, 0x2005: 0x20,
    0x2006: 0x20, 0x2010: ord("-"), 0x2011: ord("-"), 0x2017: ord("="), 0x2032: ord("'"),
    0x2035: ord("`"), 0x2044: ord("/"), 0x20A1: 0xA2, 0x20A4: 0xA3, 0x20A7: ord("P"),
    0x2118: ord("P"), 0x212E: ord("e"),
    # mathematical operators and technical signs
    0x2212: ord("-"), 0x2213: 0xB1, 0x2215: ord("/"), 0x2216: ord("\\"), 0x2217: ord("*"),
    0x2218: 0xB0, 0x2219: 0xB7, 0x221A: ord("v"), 0x221E: ord("8"), 0x2223: ord("|"),
    0x2229: ord("n"), 0x2236: ord(":"), 0x223C: ord("~"), 0x2261: ord("="), 0x2264: ord("="),
    0x2265: ord("="), 0x226A: 0xAB, 0x226B: 0xBB, 0x22C5: 0xB7, 0x2302: 0xA6, 0x2303: ord("^"),
    0x2310: 0xAC, 0x2320: ord("("), 0x2321: ord(")"), 0x2329: ord("<"), 0x232A: ord(">"),
    # CJK punctuation
    0x3008: ord("<"), 0x3009: ord(">"), 0x300A: 0xAB, 0x300B: 0xBB, 0x301A: ord("["),
    0x301B: ord("]"), 0x30FB: 0xB7,
}

# Compatibility forms whose plain character is used: fullwidth ASCII, letter-like "font" variants.
COMPAT_TAGS = ("<wide>", "<font>")


def nearest_by_decomposition(cp, exact):
    """The byte of the closest character reached by dropping combining marks, or None."""
    decomposition = unicodedata.decomposition(chr(cp))
    if not decomposition:
        return None
    if decomposition.startswith("<"):
        tag = decomposition.split()[0]
        in_sub_super_digits = tag in ("<super>", "<sub>") and 0x2070 <= cp <= 0x209F
        if tag not in COMPAT_TAGS and not in_sub_super_digits:
            return None
        plain = unicodedata.normalize("NFKD", chr(cp))
        if len(plain) == 1 and ord(plain) in exact:
            return exact[ord(plain)]
        return None
    # Canonical: keep the base and as many leading marks as still compose to a 1252 character.
    decomposed = unicodedata.normalize("NFD", chr(cp))
    if not all(unicodedata.combining(mark) for mark in decomposed[1:]):
        return None
    for keep in range(len(decomposed), 0, -1):
        candidate = unicodedata.normalize("NFC", decomposed[:keep])
        if len(candidate) == 1 and ord(candidate) in exact:
            return exact[ord(candidate)]
    return None


def main():
    exact = exact_table()
    best_fit = {}
    # C1 controls that 1252 uses for other characters are written as the byte of the same value.
    for cp in range(0x80, 0xA0):
        if cp not in exact:
            best_fit[cp] = cp
    for cp in range(0xA0, 0x10000):
        if cp in exact or 0xD800 <= cp <= 0xDFFF:
            continue
        byte = EXTRA.get(cp)
        if byte is None:
            byte = nearest_by_decomposition(cp, exact)
        if byte is not None:
            best_fit[cp] = byte
    out = sys.stdout
    out.write("// Generated by tools/gen_bestfit1252.py (Unicode %s); do not edit.\n"
              % unicodedata.unidata_version)
    out.write("// Best-fit bytes of code page 1252 for characters it cannot hold exactly,\n")
    out.write("// sorted by code point: { UTF-16 code unit, byte },\n")
    for cp in sorted(best_fit):
        name = unicodedata.name(chr(cp), "<control>")
        out.write("{0x%04X, 0x%02X},  // %s\n" % (cp, best_fit[cp], name))


if __name__ == "__main__":
    main()
