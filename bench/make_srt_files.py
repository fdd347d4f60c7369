#!/usr/bin/env python3
"""Writes the benchmark's SRT files: 10,000 and 100,000 subs of one to three lines of
realistic text with accented letters and some <i> tags. Variants: UTF-8 with a mark and CR LF
(the main files), LF only, Windows-1252. For the opening benchmark also 1,000 and 50,000 subs,
main variant only. Deterministic: the same seed gives the same bytes."""
import os
import random
import sys

WORDS = ("the and you that was for are with his they this have from one had word but not what "
         "all were when your can said there use each which she how their will other about out "
         "many then them these some her would make like him into time has look two more write "
         "see number way could people than first water been call who its now find long down day "
         "did get come made may part café déjà élève naïve garçon façade où très été mère père "
         "bientôt peut-être Noël crème brûlée señor mañana niño año über müde größer Straße "
         "schön fünf").split()
PUNCT = (".", ",", "!", "?", "...", "", "", "")


def sentence(rng):
    words = [rng.choice(WORDS) for _ in range(rng.randint(2, 8))]
    words[0] = words[0].capitalize()
    line = " ".join(words) + rng.choice(PUNCT)
    if rng.random() < 0.08:
        line = "<i>" + line + "</i>"
    elif rng.random() < 0.1:
        line = "- " + line
    return line


def timecode(ms):
    h, rest = divmod(ms, 3600000)
    m, rest = divmod(rest, 60000)
    s, ms = divmod(rest, 1000)
    return "%02d:%02d:%02d,%03d" % (h, m, s, ms)


def make_text(count, seed):
    rng = random.Random(seed)
    blocks = []
    t = 1000
    for i in range(count):
        start = t + rng.randint(0, 300)
        end = start + rng.randint(800, 4000)
        lines = [sentence(rng) for _ in range(rng.choice((1, 2, 2, 2, 3)))]
        blocks.append("%d\n%s --> %s\n%s\n" % (i + 1, timecode(start), timecode(end), "\n".join(lines)))
        t = end + rng.randint(50, 1200)  # 100,000 subs end before 100 hours
    return "\n".join(blocks)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for count, name in ((10000, "10k"), (100000, "100k")):
        text = make_text(count, seed=count)
        crlf = text.replace("\n", "\r\n")
        with open(os.path.join(out, "subs_%s.srt" % name), "wb") as f:
            f.write(b"\xef\xbb\xbf" + crlf.encode("utf-8"))
        with open(os.path.join(out, "subs_%s_lf.srt" % name), "wb") as f:
            f.write(b"\xef\xbb\xbf" + text.encode("utf-8"))
        with open(os.path.join(out, "subs_%s_1252.srt" % name), "wb") as f:
            f.write(crlf.encode("cp1252"))
    # Sizes of the opening benchmark in the window; the main variant only.
    for count, name in ((1000, "1k"), (50000, "50k")):
        crlf = make_text(count, seed=count).replace("\n", "\r\n")
        with open(os.path.join(out, "subs_%s.srt" % name), "wb") as f:
            f.write(b"\xef\xbb\xbf" + crlf.encode("utf-8"))


if __name__ == "__main__":
    main()
