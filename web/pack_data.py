#!/usr/bin/env python3
"""pack_data.py DATA_DIR OUT: the data folder as one gzip'd package for the page (the format
is described at PACKAGE_MAGIC in page.js). Written under a temporary name, renamed when complete;
the same folder gives the same bytes."""

import gzip
import os
import re
import sys

MAGIC = b"IPK2"
# Runs of zero bytes at least this long are left out of a file's pieces. The pictures are
# mostly black: unpacking then inflates a quarter of the bytes (a tenth of the time), and
# the page fills the runs by allocating the file zeroed.
ZERO_RUN = 16
MAX_SIZE = 0xFFFFFFFF


def pieces(data):
    """A file's bytes as (zeros, bytes) pieces: each a run of zeros left out, then bytes kept."""
    out, at, zeros = [], 0, 0
    for run in re.finditer(rb"\x00{%d,}" % ZERO_RUN, data):
        if run.start() > at:
            out.append((zeros, data[at:run.start()]))
            zeros = 0
        zeros += run.end() - run.start()
        at = run.end()
    if at < len(data) or zeros:
        out.append((zeros, data[at:]))
    return out


def package_body(files):
    """The package before gzip, from [(name with "/", bytes)] in order."""
    body = [MAGIC]
    for name, data in files:
        encoded = name.encode("utf-8")
        if len(encoded) > 0xFFFF or len(data) > MAX_SIZE:
            raise ValueError("%s is too large for the package" % name)
        body.append(len(encoded).to_bytes(2, "little") + encoded + len(data).to_bytes(4, "little"))
        for zeros, kept in pieces(data):
            body.append(zeros.to_bytes(4, "little") + len(kept).to_bytes(4, "little") + kept)
    return b"".join(body)


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
    files = []
    for name in names:
        with open(os.path.join(folder, name), "rb") as f:
            files.append((name, f.read()))
    try:
        body = package_body(files)
    except ValueError as error:
        sys.exit("pack_data.py: %s" % error)
    temp = os.path.join(os.path.dirname(os.path.abspath(out)), ".%s.tmp-%d" % (os.path.basename(out), os.getpid()))
    try:
        # mtime 0 and no file name in the gzip header: the same data, the same package.
        with open(temp, "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", compresslevel=9, mtime=0,
                                                    filename="") as packed:
            packed.write(body)
        os.replace(temp, out)
    finally:
        if os.path.exists(temp):
            os.remove(temp)


if __name__ == "__main__":
    main()
