#!/usr/bin/env python3
"""Turns the benchmark JSON, the peers' timings and the peak memory into a Markdown table and
the ratio lines that end the output of tools/bench. Times are medians of the repetitions, in CPU time: the code is single-threaded, and CPU time
stays meaningful on a machine shared with other work, where wall time does not."""
import json
import sys


def main():
    bench_json, peers_json, peak, file_size, subs = sys.argv[1:6]
    peak, file_size = int(peak), int(file_size)
    medians = {}
    for b in json.load(open(bench_json))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
            medians[b["run_name"]] = b["cpu_time"] * unit
    peers = json.load(open(peers_json))

    def t(name, subs_count):
        return medians.get("%s/%d" % (name, subs_count))

    def shown(seconds):
        if seconds is None:
            return "-"
        if seconds >= 1e-3:
            return "%.2f ms" % (seconds * 1e3)
        if seconds >= 1e-6:
            return "%.1f us" % (seconds * 1e6)
        return "%.0f ns" % (seconds * 1e9)

    names = ["BM_read_floor", "BM_read_srt_file", "BM_read_srt_file_lf", "BM_read_srt_file_1252",
             "BM_read_srt_file_1251", "BM_read_srt_file_1251_utf8", "BM_read_srt_file_936",
             "BM_read_srt_file_936_utf8",
             "BM_write_floor", "BM_write_srt", "BM_write_srt_text_only", "BM_find_overlaps",
             "BM_find_at", "BM_lower_bound_start", "BM_count_from", "BM_replace_all_step",
             "BM_replace_all_step_expression"]
    print()
    print("| Benchmark | 10k subs | 100k subs |")
    print("|---|---|---|")
    for n in names:
        print("| `%s` | %s | %s |" % (n[3:], shown(t(n, 10000)), shown(t(n, 100000))))
    read_floor = t("BM_read_floor", 100000)
    print("| Python `srt.parse` (python3-srt) | | %s |" % shown(peers["python3_srt"]))
    print("| Python `pysrt.from_string` (python3-pysrt) | | %s |" % shown(peers["pysrt"]))
    print()
    print("Peak memory loading the 100k file: %.1f MB for a %.1f MB file (%s subs)."
          % (peak / 1e6, file_size / 1e6, subs))
    print()
    print("read_100k_vs_floor %.1f" % (t("BM_read_srt_file", 100000) / read_floor))
    print("write_100k_vs_floor %.1f" % (t("BM_write_srt", 100000) / t("BM_write_floor", 100000)))
    # Each legacy file against the same text in UTF-8; the worse of the two.
    legacy = max(t("BM_read_srt_file_1251", 100000) / t("BM_read_srt_file_1251_utf8", 100000),
                 t("BM_read_srt_file_936", 100000) / t("BM_read_srt_file_936_utf8", 100000))
    print("read_legacy_100k_vs_utf8 %.2f" % legacy)
    print("peak_mem_vs_file %.1f" % (peak / file_size))
    print("python3_srt_vs_floor %.1f" % (peers["python3_srt"] / read_floor))
    print("pysrt_vs_floor %.1f" % (peers["pysrt"] / read_floor))


if __name__ == "__main__":
    main()
