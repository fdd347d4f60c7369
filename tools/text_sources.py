"""Text in many languages from Debian's packages, for the code page tables
(tools/make_code_page_tables.py) and for the detection benchmark (bench/make_legacy_texts.py).

Every word of a dictionary and every manual page falls into one of two halves by a hash of
itself: the tables are made from half 0 only, the benchmark's text from half 1 only, so the
benchmark never measures the text the tables came from.

Packages: hunspell-{fr,de-de,es,pt-pt,it,nl,sv,da,no,is} (Windows-1252),
hunspell-{pl,cs,sk,hu,hr,sl,ro} (1250), hunspell-{ru,uk,bg} (1251), hunspell-el (1253),
hunspell-tr (1254), myspell-he (1255), hunspell-ar (1256), hunspell-{lt,lv} (1257),
hunspell-vi (1258), hunspell-th (874), manpages-ja (932), manpages-zh (936 and 950),
hunspell-ko (949).
"""
import glob
import gzip
import os
import re
import subprocess
import unicodedata
import zlib

PACKAGES = ("hunspell-fr hunspell-de-de hunspell-es hunspell-pt-pt hunspell-it hunspell-nl "
            "hunspell-sv hunspell-da hunspell-no hunspell-is hunspell-pl hunspell-cs hunspell-sk "
            "hunspell-hu hunspell-hr hunspell-sl hunspell-ro hunspell-ru hunspell-uk hunspell-bg "
            "hunspell-el hunspell-tr myspell-he hunspell-ar hunspell-lt hunspell-lv hunspell-vi "
            "hunspell-th manpages-ja manpages-zh hunspell-ko").split()

HUNSPELL = "/usr/share/hunspell"


def ensure_packages():
    """Installs the packages above that are missing (root or sudo)."""
    missing = [p for p in PACKAGES if subprocess.run(
        ["dpkg-query", "-W", "-f=${Status}", p], capture_output=True, text=True).stdout != "install ok installed"]
    if missing:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(sudo + ["apt-get", "install", "-y", "-q", "--no-install-recommends"] + missing,
                       check=True, env=env)

MAN = "/usr/share/man"

# (language, code page, where its text comes from)
LANGUAGES = (
    ("fr", 1252, "fr"), ("de", 1252, "de_DE"), ("es", 1252, "es_ES"), ("pt", 1252, "pt_PT"),
    ("it", 1252, "it_IT"), ("nl", 1252, "nl"), ("sv", 1252, "sv_SE"), ("da", 1252, "da_DK"),
    ("nb", 1252, "nb_NO"), ("is", 1252, "is_IS"),
    ("pl", 1250, "pl_PL"), ("cs", 1250, "cs_CZ"), ("sk", 1250, "sk_SK"), ("hu", 1250, "hu_HU"),
    ("hr", 1250, "hr_HR"), ("sl", 1250, "sl_SI"), ("ro", 1250, "ro_RO"),
    ("ru", 1251, "ru_RU"), ("uk", 1251, "uk_UA"), ("bg", 1251, "bg_BG"),
    ("el", 1253, "el_GR"), ("tr", 1254, "tr_TR"), ("he", 1255, "he"), ("ar", 1256, "ar"),
    ("lt", 1257, "lt_LT"), ("lv", 1257, "lv_LV"), ("vi", 1258, "vi_VN"), ("th", 874, "th_TH"),
    ("ja", 932, "man:ja"), ("zh_CN", 936, "man:zh_CN"), ("ko", 949, "ko"), ("zh_TW", 950, "man:zh_TW"),
)


def half_of(text):
    return zlib.crc32(text.encode("utf-8")) & 1


def dictionary_words(name, half):
    """The words of a hunspell dictionary (without their affix flags) that fall in `half`."""
    encoding = "utf-8"
    with open(os.path.join(HUNSPELL, name + ".aff"), "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            line = line.lstrip("\ufeff\xef\xbb\xbf")
            if line.startswith("SET"):
                encoding = line.split()[1].lower().replace("iso8859", "iso8859_")
                break
    with open(os.path.join(HUNSPELL, name + ".dic"), "rb") as f:
        lines = f.read().decode(encoding, "replace").splitlines()[1:]
    words = []
    for line in lines:
        word = re.split(r"[/\t ]", line.strip(), maxsplit=1)[0]
        if word and not word.isdigit() and half_of(word) == half:
            words.append(word)
    return words


_ROFF = re.compile(r"\\f(\[[^]]*\]|\(..|.)|\\s[-+]?\d+|\\\(..|\\\*\(..|\\\*.|\\[-&|^e0 ]|\\\\")


def manual_paragraphs(language, half):
    """Runs of prose (lines holding non-ASCII letters) from the manual pages in `half`."""
    paragraphs = []
    for path in sorted(glob.glob(os.path.join(MAN, language, "man*", "*.gz"))):
        if half_of(os.path.basename(path)) != half:
            continue
        try:
            text = gzip.open(path).read().decode("utf-8")
        except (OSError, UnicodeDecodeError):
            continue
        current = []
        for line in text.splitlines():
            if line.startswith((".\\\"", "'\\\"")):
                continue
            if line.startswith("."):
                parts = line.split(None, 1)
                line = parts[1] if len(parts) > 1 and parts[0] in (".B", ".I", ".BR", ".IR", ".SH", ".SS", ".TP", ".IP") else ""
            line = _ROFF.sub("", line).replace('"', "").strip()
            if any(ord(c) > 0x2E7F for c in line):
                current.append(line)
            elif current:
                paragraphs.append("".join(current))
                current = []
        if current:
            paragraphs.append("".join(current))
    return paragraphs


def text_units(language, half):
    """Words (dictionaries) or paragraphs (manual pages) of one language."""
    source = dict((l, s) for l, _, s in LANGUAGES)[language]
    units = manual_paragraphs(source[4:], half) if source.startswith("man:") else dictionary_words(source, half)
    # hunspell-ko holds its syllables as separate jamo.
    return [unicodedata.normalize("NFC", u) for u in units]


def _encodable(ch, codec):
    try:
        ch.encode(codec)
        return True
    except UnicodeEncodeError:
        return False


def to_code_page(text, code_page):
    """The text as a Windows program in that code page would hold it: Romanian comma-below
    letters become the cedilla forms of 1250, Vietnamese splits into base letters and tone
    marks as 1258 does, characters the code page lacks are left out."""
    codec = "cp%d" % code_page
    if code_page == 936:
        codec = "gbk"
    if code_page == 1250:
        text = text.translate({0x218: 0x15E, 0x219: 0x15F, 0x21A: 0x162, 0x21B: 0x163})
    out = bytearray()
    if code_page == 1258:
        for ch in unicodedata.normalize("NFC", text):
            if _encodable(ch, codec):
                out += ch.encode(codec)
                continue
            parts = unicodedata.normalize("NFD", ch)
            base, marks = parts[0], list(parts[1:])
            # Compose the base with the marks 1258 holds precomposed (circumflex, breve, horn).
            for m in list(marks):
                joined = unicodedata.normalize("NFC", base + m)
                if len(joined) == 1 and _encodable(joined, codec):
                    base = joined
                    marks.remove(m)
            for piece in [base] + marks:
                if _encodable(piece, codec):
                    out += piece.encode(codec)
        return bytes(out)
    for ch in text:
        if _encodable(ch, codec):
            out += ch.encode(codec)
    return bytes(out)
