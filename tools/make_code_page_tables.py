#!/usr/bin/env python3
"""Writes io/code_page_tables.cpp: the Windows code pages the program reads (1250-1258, 874,
932, 936, 949, 950) as decoding tables, and for each language written in them how often its
characters occur, the data behind detect_code_page.

Run once; the output is kept in the repository. Needs the Debian packages listed in
tools/text_sources.py (installed when missing) and Python's own codecs for the mappings.
The tables are made from half 0 of the text only (see text_sources.py).

    tools/make_code_page_tables.py [io/code_page_tables.cpp]
"""
import collections
import functools
import math
import os
import sys
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import text_sources  # noqa: E402

SINGLE_BYTE = (1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 874)
DOUBLE_BYTE = (932, 936, 949, 950)
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFE
UNDEFINED = 0xFFFD

# Characters whose cost is kept per language: the most frequent, up to this many.
KEEP = {"ja": 3500, "zh_CN": 4000, "zh_TW": 4000, "ko": 1800}
KEEP_ALPHABET = 160
# An upper-case letter counts as this share of its lower-case letter.
UPPER_SHARE = 0.25
UNIT = 4  # costs in quarter bits


def codec_of(code_page):
    return "gbk" if code_page == 936 else "cp%d" % code_page


def decode_one(data, code_page):
    try:
        text = data.decode(codec_of(code_page))
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else None


def single_byte_table(code_page):
    # Bytes the code page leaves undefined: 80..9F keep their value as C1 controls, as
    # Windows does for 1252; the others are U+FFFD.
    out = []
    for b in range(0x80, 0x100):
        u = decode_one(bytes([b]), code_page)
        out.append(u if u is not None else (b if b < 0xA0 else UNDEFINED))
    return out


def pair(lead, trail, code_page):
    # Python's 950 reads the ETEN extension (C6A1..C8FE) that Windows keeps for characters
    # users define: those stay undefined here.
    if code_page == 950 and ((lead == 0xC6 and trail >= 0xA1) or lead in (0xC7, 0xC8)):
        return None
    return decode_one(bytes([lead, trail]), code_page)


def double_byte_table(code_page):
    """(singles for 0x80..0xFF, 0 where the byte leads a pair; rows by lead byte)."""
    singles, rows = [], {}
    for b in range(0x80, 0x100):
        row = [pair(b, t, code_page) for t in range(TRAIL_FIRST, TRAIL_LAST + 1)]
        if any(u is not None for u in row):
            singles.append(0)
            rows[b] = [u if u is not None else UNDEFINED for u in row]
            continue
        u = decode_one(bytes([b]), code_page)
        if code_page == 936 and b == 0x80:
            u = 0x20AC  # Windows' 936 holds the euro sign there; Python's GBK does not
        singles.append(u if u is not None else UNDEFINED)
    return singles, rows


def literal(units):
    """A u"" literal; characters that could confuse a reader or a compiler are escaped."""
    out = []
    for u in units:
        c = chr(u)
        if c in '"\\?':
            out.append("\\" + c)
        elif u < 0x20 or u == 0x7F:
            out.append("\\%03o" % u)
        elif u < 0x7F:
            out.append(c)
        elif c.isprintable() and unicodedata.category(c) not in ("Mn", "Me", "Cf", "Co") and u != 0xFFFD:
            out.append(c)
        else:
            out.append("\\u%04X" % u)
    return 'u"' + "".join(out) + '"'


def decoded(text, code_page):
    """The text after a round trip through the code page's bytes and this program's tables."""
    data = text_sources.to_code_page(text, code_page)
    return data.decode(codec_of(code_page), "replace")


@functools.lru_cache(maxsize=None)
def frequencies(language, code_page):
    counts = collections.Counter()
    for unit in text_sources.text_units(language, 0):
        for c in decoded(unit, code_page):
            if ord(c) >= 0x80:
                counts[c] += 1
    for c, n in list(counts.items()):
        upper = c.upper()
        if upper != c and len(upper) == 1 and ord(upper) >= 0x80:
            counts[upper] += n * UPPER_SHARE
    return counts


def cost(p):
    return min(255, max(0, int(round(-math.log2(p) * UNIT))))


def model(languages, code_page, name):
    """The costs of one language, or of several pooled with equal weight (text that mixes
    the languages of a code page)."""
    counts = collections.Counter()
    for language in languages:
        own = frequencies(language, code_page)
        total = sum(own.values())
        for c, n in own.items():
            counts[c] += n / total
    total = sum(counts.values())
    keep = KEEP.get(name, KEEP_ALPHABET)
    ranked = [c for c, _ in counts.most_common() if c != "\ufffd"][:keep]
    kept = sum(counts[c] for c in ranked)
    # What the kept characters leave, spread over the characters a text might still hold.
    left = max(total - kept, total * 0.001)
    others = 20000 if name in KEEP else 1000
    unknown = cost(left / total / others)
    return ranked, [cost(counts[c] / total) for c in ranked], unknown


def main():
    text_sources.ensure_packages()
    target = sys.argv[1] if len(sys.argv) > 1 else "io/code_page_tables.cpp"
    lines = [
        "// Generated by tools/make_code_page_tables.py from Python's codecs and from text in",
        "// Debian's packages (see tools/text_sources.py). Do not edit by hand.",
        '#include "io/code_page_tables.h"',
        "",
        "// clang-format off",
        "namespace {",
        "",
    ]
    for cp in SINGLE_BYTE:
        lines.append("constexpr char16_t high_%d[] = %s;" % (cp, literal(single_byte_table(cp))))
    lines.append("")
    for cp in DOUBLE_BYTE:
        singles, rows = double_byte_table(cp)
        lines.append("constexpr char16_t singles_%d[] = %s;" % (cp, literal(singles)))
        for lead, row in sorted(rows.items()):
            lines.append("constexpr char16_t row_%d_%02X[] = %s;" % (cp, lead, literal(row)))
        lines.append("constexpr const char16_t* rows_%d[128] = {" % cp)
        for b in range(0x80, 0x100):
            lines.append("    %s," % ("row_%d_%02X" % (cp, b) if b in rows else "nullptr"))
        lines.append("};")
        lines.append("")
    models = []
    groups = [([language], cp, language) for language, cp, _ in text_sources.LANGUAGES]
    for cp in SINGLE_BYTE:
        languages = [language for language, page, _ in text_sources.LANGUAGES if page == cp]
        if len(languages) > 1:
            groups.append((languages, cp, "mixed_%d" % cp))
    for languages, cp, language in groups:
        chars, costs, unknown = model(languages, cp, language)
        lines.append("constexpr char16_t chars_%s[] = %s;" % (language, literal(ord(c) for c in chars)))
        lines.append("constexpr std::uint8_t costs_%s[] = {" % language)
        for i in range(0, len(costs), 24):
            lines.append("    " + ", ".join(str(c) for c in costs[i:i + 24]) + ",")
        lines.append("};")
        models.append((language, cp, len(chars), unknown))
    lines += ["", "}  // namespace", "", "const Single_Byte_Table single_byte_tables[] = {"]
    for cp in SINGLE_BYTE:
        lines.append("    {%d, high_%d}," % (cp, cp))
    lines += ["};", "", "const Double_Byte_Table double_byte_tables[] = {"]
    for cp in DOUBLE_BYTE:
        lines.append("    {%d, singles_%d, rows_%d}," % (cp, cp, cp))
    lines += ["};", "", "const Language_Model language_models[] = {"]
    for language, cp, count, unknown in models:
        lines.append('    {"%s", %d, chars_%s, costs_%s, %d, %d},' % (language, cp, language, language, count, unknown))
    lines += ["};", "", "const std::size_t single_byte_table_count = std::size(single_byte_tables);",
              "const std::size_t double_byte_table_count = std::size(double_byte_tables);",
              "const std::size_t language_model_count = std::size(language_models);", ""]
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
