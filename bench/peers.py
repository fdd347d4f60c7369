#!/usr/bin/env python3
"""Times the parse call of the two Python SRT libraries on one file, as black boxes: the file
is read and decoded first, only parsing is timed, and the best of several runs is kept.
Prints JSON: {"python3_srt": seconds, "pysrt": seconds, "subs": {...}}."""
import json
import sys
import time

import pysrt
import srt


def best_of(runs, parse):
    best = None
    count = 0
    for _ in range(runs):
        begin = time.perf_counter()
        count = parse()
        elapsed = time.perf_counter() - begin
        best = elapsed if best is None else min(best, elapsed)
    return best, count


def main():
    with open(sys.argv[1], encoding="utf-8-sig") as f:
        text = f.read()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    srt_time, srt_count = best_of(runs, lambda: len(list(srt.parse(text))))
    pysrt_time, pysrt_count = best_of(runs, lambda: len(pysrt.from_string(text)))
    print(json.dumps({"python3_srt": srt_time, "pysrt": pysrt_time,
                      "subs": {"python3_srt": srt_count, "pysrt": pysrt_count}}))


if __name__ == "__main__":
    main()
