#!/usr/bin/env python3
"""pack_data.py DATA_DIR OUT: the data folder as one gzip'd package for the page (the format
is described at PACKAGE_MAGIC in page.js). Written under a temporary name, renamed when complete;
the same folder gives the same bytes."""

import gzip
import os
import sys

MAGIC = b"IPK1"


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: pack_data.py DATA_DIR OUT")
    folder, out = sys.argv[1], sys.argv[2]
    if not os.path.isdir(folder):
        sys.exit("pack_data.py: no data folder %s" % folder)
    names = []
    for root, dirs, files in os.walk(folder):
        dirs[:] = sorted(d for d in dirs if not d.startswith("."))
        for name in sorted(files):
            if not name.startswith("."):  # a generator's temporaries are hidden
                names.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    if not names:
        sys.exit("pack_data.py: %s holds no files" % folder)
    temp = os.path.join(os.path.dirname(os.path.abspath(out)), ".%s.tmp-%d" % (os.path.basename(out), os.getpid()))
    try:
        # mtime 0 and no file name in the gzip header: the same data, the same package.
        with open(temp, "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", compresslevel=9, mtime=0,
                                                    filename="") as packed:
            packed.write(MAGIC)
            for name in names:
                encoded = name.encode("utf-8")
                with open(os.path.join(folder, name), "rb") as f:
                    data = f.read()
                if len(encoded) > 0xFFFF or len(data) > 0xFFFFFFFF:
                    sys.exit("pack_data.py: %s is too large for the package" % name)
                packed.write(len(encoded).to_bytes(2, "little") + encoded + len(data).to_bytes(4, "little"))
                packed.write(data)
        os.replace(temp, out)
    finally:
        if os.path.exists(temp):
            os.remove(temp)


if __name__ == "__main__":
    main()
