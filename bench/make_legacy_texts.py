#!/usr/bin/env python3
"""Writes the code page detection benchmark's files: for each language of
tools/text_sources.py, texts of 200 to 2,000 characters made of sentences from half 1 of its
words or manual pages (the tables come from half 0), stored in the language's code page.
Also 100,000-sub files like those of bench/make_srt_files.py with Russian text in
Windows-1251 and Chinese text in GBK, each with a UTF-8 copy. Deterministic.

    bench/make_legacy_texts.py OUT_DIR [TEXTS_PER_LANGUAGE]

OUT_DIR/legacy/index.tsv lists each text file with its code page and language."""
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import text_sources  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_srt_files  # noqa: E402


def words_text(rng, words, length):
    sentences = []
    size = 0
    while size < length:
        sentence = [rng.choice(words) for _ in range(rng.randint(3, 12))]
        sentence[0] = sentence[0][:1].upper() + sentence[0][1:]
        line = " ".join(sentence) + rng.choice((".", ".", ",", "?", "!"))
        sentences.append(line)
        size += len(line) + 1
    return " ".join(sentences)[:length].rsplit(" ", 1)[0]


def prose_text(rng, paragraphs, length):
    start = rng.randrange(len(paragraphs))
    text = ""
    k = start
    while len(text) < length:
        text += paragraphs[k % len(paragraphs)] + "\n"
        k += 1
    return text[:length]


def srt_in(language, code_page, count, out, utf8_out):
    """The 100,000-sub file with the words of one language, in its code page and in UTF-8."""
    units = text_sources.text_units(language, 1)
    rng = random.Random(count)
    if language.startswith("zh"):
        pieces = [p[i:i + rng.randint(2, 6)] for p in units[:4000] for i in range(0, len(p), 6)]
    else:
        pieces = units
    make_srt_files.WORDS = [p for p in pieces if p.strip()][:5000]
    text = make_srt_files.make_text(count, seed=count).replace("\n", "\r\n")
    legacy = text_sources.to_code_page(text, code_page)
    with open(out, "wb") as f:
        f.write(legacy)
    with open(utf8_out, "wb") as f:
        f.write(b"\xef\xbb\xbf" + legacy.decode("gbk" if code_page == 936 else "cp%d" % code_page).encode("utf-8"))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    per_language = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    text_sources.ensure_packages()
    folder = os.path.join(out, "legacy")
    os.makedirs(folder, exist_ok=True)
    index = []
    for language, code_page, source in text_sources.LANGUAGES:
        units = text_sources.text_units(language, 1)
        rng = random.Random(language)
        for n in range(per_language):
            length = rng.randint(200, 2000)
            if source.startswith("man:"):
                text = prose_text(rng, units, length)
            else:
                text = words_text(rng, units, length)
            name = "%s_%02d.txt" % (language, n)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(text_sources.to_code_page(text, code_page))
            index.append("%s\t%d\t%s" % (name, code_page, language))
    # Western European text that mixes its languages, as a film's names and quotes do.
    western = [w for language, page, _ in text_sources.LANGUAGES if page == 1252
               for w in text_sources.text_units(language, 1)]
    rng = random.Random("mixed")
    for n in range(per_language):
        name = "mixed_%02d.txt" % n
        with open(os.path.join(folder, name), "wb") as f:
            f.write(text_sources.to_code_page(words_text(rng, western, rng.randint(200, 2000)), 1252))
        index.append("%s\t%d\t%s" % (name, 1252, "mixed"))
    with open(os.path.join(folder, "index.tsv"), "w") as f:
        f.write("\n".join(index) + "\n")
    srt_in("ru", 1251, 100000, os.path.join(out, "subs_100k_1251.srt"), os.path.join(out, "subs_100k_1251_utf8.srt"))
    srt_in("zh_CN", 936, 100000, os.path.join(out, "subs_100k_936.srt"), os.path.join(out, "subs_100k_936_utf8.srt"))


if __name__ == "__main__":
    main()
