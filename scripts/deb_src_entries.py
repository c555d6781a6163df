#!/usr/bin/env python3
"""deb_src_entries.py APT_DIR CODENAME [SKIP_FILE]: prints, as a deb822 .sources file, a
"deb-src" twin of every enabled "deb" entry of release CODENAME (suites CODENAME and
CODENAME-*) in APT_DIR's sources.list and sources.list.d/*.list and *.sources, so that apt
can fetch Debian's source packages from the very archives this machine uses. SKIP_FILE (the
file the output goes to) is not read. Exit 1 when there is no such entry."""

import glob
import os
import re
import sys


def of_release(suites, codename):
    return [s for s in suites if s == codename or s.startswith(codename + "-")]


def one_line_entries(path):
    """(uris, suites, components, signed_by) of the "deb" lines of a one-line-style list."""
    for line in open(path, encoding="utf-8", errors="replace"):
        line = line.split("#", 1)[0].strip()
        m = re.match(r"deb\s+(?:\[([^\]]*)\]\s+)?(\S+)\s+(\S+)\s*(.*)$", line)
        if m:
            options = dict(o.split("=", 1) for o in (m.group(1) or "").split() if "=" in o)
            yield [m.group(2)], [m.group(3)], m.group(4).split(), options.get("signed-by")


def deb822_entries(path):
    """The same of the enabled stanzas of a deb822 .sources file whose types include "deb"."""
    text = open(path, encoding="utf-8", errors="replace").read()
    for block in re.split(r"\n[ \t]*\n", text):
        fields, key = {}, None
        for line in block.splitlines():
            if line.startswith("#"):
                continue
            if line[:1] in (" ", "\t") and key:
                fields[key] += "\n" + line  # a continued field, such as a key written inline
            elif ":" in line:
                key, value = line.split(":", 1)
                key = key.strip().lower()
                fields[key] = value.strip()
        if "deb" not in fields.get("types", "").split() or fields.get("enabled", "yes").lower() == "no":
            continue
        yield (fields.get("uris", "").split(), fields.get("suites", "").split(),
               fields.get("components", "").split(), fields.get("signed-by"))


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit("usage: deb_src_entries.py APT_DIR CODENAME [SKIP_FILE]")
    apt, codename = sys.argv[1], sys.argv[2]
    skip = os.path.abspath(sys.argv[3]) if len(sys.argv) == 4 else None
    entries = []
    lists = [os.path.join(apt, "sources.list")] + sorted(glob.glob(os.path.join(apt, "sources.list.d", "*.list")))
    sources = sorted(glob.glob(os.path.join(apt, "sources.list.d", "*.sources")))
    for path, read in [(p, one_line_entries) for p in lists] + [(p, deb822_entries) for p in sources]:
        if os.path.isfile(path) and os.path.abspath(path) != skip:
            for uris, suites, components, signed_by in read(path):
                suites = of_release(suites, codename)
                if uris and suites:
                    entries.append((uris, suites, components or ["main"], signed_by))
    if not entries:
        sys.exit("no deb entry for %s in the apt sources of %s" % (codename, apt))
    out = ["# deb-src twins of this machine's own entries (scripts/web-deps)"]
    for uris, suites, components, signed_by in entries:
        out += ["", "Types: deb-src", "URIs: " + " ".join(uris), "Suites: " + " ".join(suites),
                "Components: " + " ".join(components)]
        if signed_by:
            out.append("Signed-By: " + signed_by)
    print("\n".join(out))


if __name__ == "__main__":
    main()
