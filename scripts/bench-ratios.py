#!/usr/bin/env python3
"""Speed ratios of Quillon's rows to OpenSSL's, from Google Benchmark JSON files.

Rows are named <operation>/<impl>[/<argument>...]: each row whose impl starts with "quillon" is
compared with the row of the same file that has "openssl" there and the same operation and
arguments (or the one such row whose impl starts with "openssl"), as OpenSSL's time divided by
Quillon's, so above 1 is faster than OpenSSL. With repetitions the medians are used.

    python3 scripts/bench-ratios.py RESULT.json...
"""
import json
import sys


def row_times(path):
    with open(path, encoding="utf-8") as file:
        rows = json.load(file)["benchmarks"]
    medians = [r for r in rows if r.get("aggregate_name") == "median"]
    chosen = medians or [r for r in rows if r.get("run_type", "iteration") == "iteration"]
    times = {}
    for row in chosen:
        name = row.get("run_name", row["name"])
        times[name] = row["real_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[row["time_unit"]]
    return times


def split(name):
    """(the name with its impl part left out, the impl part)."""
    parts = name.split("/")
    for i, part in enumerate(parts):
        if part.startswith(("quillon", "openssl")):
            return "/".join(parts[:i] + ["*"] + parts[i + 1:]), part
    return name, ""


def ratios(times):
    lines = []
    for name, quillon_time in times.items():
        operation, impl = split(name)
        if not impl.startswith("quillon"):
            continue
        openssl = [n for n in times if split(n)[0] == operation and split(n)[1].startswith("openssl")]
        exact = [n for n in openssl if split(n)[1] == "openssl"]
        reference = exact or (openssl if len(openssl) == 1 else [])
        if not reference:
            continue
        lines.append((name, reference[0], times[reference[0]] / quillon_time))
    return lines


def main(paths):
    print("| Quillon row | OpenSSL row | ratio |")
    print("|---|---|---|")
    for path in paths:
        for quillon, openssl, ratio in ratios(row_times(path)):
            note = " (below 0.95)" if ratio < 0.95 else ""
            print(f"| `{quillon}` | `{openssl}` | {ratio:.2f}{note} |")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
