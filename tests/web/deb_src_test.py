"""scripts/deb_src_entries.py on apt folders made here: the deb-src twins of exactly the
enabled deb entries of this release, from one-line lists and deb822 files alike."""

import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "deb_src_entries.py")

ONE_LINE = textwrap.dedent("""\
    deb [arch=amd64 signed-by=/keys/a.gpg] http://mirror.example/debian bookworm main contrib # trailing note
    # deb http://commented.example/debian bookworm main
    deb-src http://mirror.example/debian bookworm main
    deb http://other.example/node nodistro main
    deb http://newer.example/debian trixie main
""")
DEB822 = textwrap.dedent("""\
    Types: deb
    URIs: http://deb.example/debian
    Suites: bookworm bookworm-updates
    Components: main
    Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

    # the security archive, with its key inline
    Types: deb
    URIs: http://deb.example/debian-security
    Suites: bookworm-security
    Components: main non-free-firmware
    Signed-By:
     -----BEGIN PGP PUBLIC KEY BLOCK-----
     .
     mQINBGPL
     -----END PGP PUBLIC KEY BLOCK-----

    Types: deb
    URIs: http://disabled.example/debian
    Suites: bookworm
    Components: main
    Enabled: no

    Types: deb
    URIs: http://cloud.example/apt
    Suites: cloud-sdk-bookworm
    Components: main
""")
WANTED = textwrap.dedent("""\
    # deb-src twins of this machine's own entries (scripts/web-deps)

    Types: deb-src
    URIs: http://mirror.example/debian
    Suites: bookworm
    Components: main contrib
    Signed-By: /keys/a.gpg

    Types: deb-src
    URIs: http://deb.example/debian
    Suites: bookworm bookworm-updates
    Components: main
    Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

    Types: deb-src
    URIs: http://deb.example/debian-security
    Suites: bookworm-security
    Components: main non-free-firmware
    Signed-By: 
     -----BEGIN PGP PUBLIC KEY BLOCK-----
     .
     mQINBGPL
     -----END PGP PUBLIC KEY BLOCK-----
""")


def run(apt, *extra):
    return subprocess.run([sys.executable, SCRIPT, apt, "bookworm", *extra], capture_output=True, text=True)


def apt_folder(test, files):
    apt = tempfile.mkdtemp(prefix="invitation-apt-")
    test.addCleanup(shutil.rmtree, apt, ignore_errors=True)
    os.mkdir(os.path.join(apt, "sources.list.d"))
    for name, text in files.items():
        with open(os.path.join(apt, name), "w") as f:
            f.write(text)
    return apt


class DebSrcTest(unittest.TestCase):
    def test_twins_of_this_release_only(self):
        apt = apt_folder(self, {"sources.list": ONE_LINE, "sources.list.d/debian.sources": DEB822,
                          "sources.list.d/old.list.disabled": "deb http://old.example/debian bookworm main\n",
                          "sources.list.d/ours.sources": "Types: deb\nURIs: http://ours.example/\nSuites: bookworm\n"})
        result = run(apt, os.path.join(apt, "sources.list.d", "ours.sources"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, WANTED)

    def test_no_entry_of_this_release_is_an_error(self):
        for files in [{}, {"sources.list": "deb http://newer.example/debian trixie main\n"},
                      {"sources.list.d/x.sources": "Types: deb\nURIs: http://x.example/\nSuites: bookworm\nEnabled: no\n"}]:
            with self.subTest(files=files):
                result = run(apt_folder(self, files))
                self.assertEqual(result.returncode, 1)
                self.assertIn("no deb entry for bookworm", result.stderr)
                self.assertEqual(result.stdout, "")


if __name__ == "__main__":
    unittest.main()
