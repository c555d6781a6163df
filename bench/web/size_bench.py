#!/usr/bin/python3
"""The page's folder as a host serves it: each file raw and gzipped (level 9, as `gzip -9`;
data.pack.gz is gzip already and goes as it is), and the totals against the targets.

    bench/web/size_bench.py BUILD_DIR/web"""

import gzip
import os
import sys

# Decimal megabytes, as hosts and browsers' network panels count.
GZIP_TARGET = 1.5e6
RAW_TARGET = 3e6
ALREADY_GZIPPED = (".gz",)


def main():
    if len(sys.argv) != 2 or not os.path.isdir(sys.argv[1]):
        sys.exit(__doc__)
    folder = sys.argv[1]
    total_raw = total_served = 0
    print("%-20s %12s %12s" % ("file", "raw", "gzip -9"))
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            data = f.read()
        served = len(data) if name.endswith(ALREADY_GZIPPED) else len(gzip.compress(data, 9, mtime=0))
        total_raw += len(data)
        total_served += served
        print("%-20s %12d %12d" % (name, len(data), served))
    print("%-20s %12d %12d" % ("total", total_raw, total_served))
    print("served gzipped: %.3f MB (target: at most %.1f MB); raw: %.3f MB (target: under %.1f MB)"
          % (total_served / 1e6, GZIP_TARGET / 1e6, total_raw / 1e6, RAW_TARGET / 1e6))


if __name__ == "__main__":
    main()
