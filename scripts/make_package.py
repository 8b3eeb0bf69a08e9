#!/usr/bin/env python3
"""Makes the zip users download: yanqing.exe as the release build made it,
使用说明.txt, and the licence notices of the libraries linked into the exe.

usage: make_package.py --exe EXE --version VERSION --arch win64|win32 --out ZIP
                       [--doc-root /usr/share/doc]

Writes ZIP and ZIP.sha256 (a line as sha256sum writes it). The same inputs
always give the same bytes: entries in a fixed order, one fixed time, no
extra fields, deflate at level 9. Names are GBK with the UTF-8 flag clear,
which is how a Chinese Windows (code page 936) and the archivers its users
run read them. The texts are GBK or UTF-8 with a byte order mark, with CRLF
line ends, so that Notepad shows them on any Windows.
"""
import argparse
import hashlib
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
README = os.path.join(ROOT, "resources", "package", "使用说明.txt")
# Debian's name for each architecture in its mingw-w64 package names.
DEBIAN_ARCH = {"win64": "x86-64", "win32": "i686"}
# What yanqing.exe links statically, and the Debian package whose copyright
# file (under the doc root) holds its copyright and licence texts.
NOTICES = [
    ("licenses/zlib.txt", "libz-mingw-w64-dev",
     "zlib: the compression library yanqing.exe uses to unpack what the catalogue server sends."),
    ("licenses/mingw-w64.txt", "mingw-w64-{arch}-dev",
     "The mingw-w64 runtime (start-up code, C runtime additions, import libraries of\n"
     "Windows' own DLLs) and winpthreads (the threads of the C++ library), from the\n"
     "mingw-w64 project; winpthreads is the part under mingw-w64-libraries/winpthreads."),
    ("licenses/gcc-runtime.txt", "g++-mingw-w64-{arch}-posix",
     "libstdc++ and libgcc, the runtime libraries of GCC, used under the GCC Runtime\n"
     "Library Exception, version 3.1, whose text is in this file."),
]
# 1980-02-01 00:00:00: zip times are local times with no zone, and a date a
# month past the format's first day stays valid wherever it is read.
FIXED_TIME = (1980, 2, 1, 0, 0, 0)
FIXED_DOS_DATE = (FIXED_TIME[0] - 1980) << 9 | FIXED_TIME[1] << 5 | FIXED_TIME[2]
FIXED_DOS_TIME = FIXED_TIME[3] << 11 | FIXED_TIME[4] << 5 | FIXED_TIME[5] // 2
MSDOS_ARCHIVE = 0x20
VERSION_DEFLATE = 20


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def readme(version):
    with open(README, encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    return crlf(text).encode("gbk")


def notice(doc_root, arch, package, about):
    path = os.path.join(doc_root, package.format(arch=DEBIAN_ARCH[arch]), "copyright")
    with open(path, encoding="utf-8") as f:
        licence = f.read()
    header = "%s\n\nLinked statically into yanqing.exe. Copyright and licence as Debian's package\n" \
             "%s gives them:\n\n" % (about, package.format(arch=DEBIAN_ARCH[arch]))
    return b"\xef\xbb\xbf" + crlf(header + licence).encode("utf-8")


def zip_bytes(entries):
    """A zip of (GBK name, bytes) entries, in the order given."""
    out, central = bytearray(), bytearray()
    for name, data in entries:
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = packer.compress(data) + packer.flush()
        crc = zlib.crc32(data)
        fields = (VERSION_DEFLATE, 0, 8, FIXED_DOS_TIME, FIXED_DOS_DATE, crc, len(packed),
                  len(data), len(name), 0)
        offset = len(out)
        out += struct.pack("<I5H3I2H", 0x04034B50, *fields) + name + packed
        central += struct.pack("<I6H3I5H2I", 0x02014B50, VERSION_DEFLATE, *fields, 0, 0, 0,
                               MSDOS_ARCHIVE, offset) + name
    end = struct.pack("<I4H2IH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                      len(out), 0)
    return bytes(out + central + end)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--arch", required=True, choices=sorted(DEBIAN_ARCH))
    parser.add_argument("--out", required=True)
    parser.add_argument("--doc-root", default="/usr/share/doc")
    a = parser.parse_args(argv)
    try:
        with open(a.exe, "rb") as f:
            entries = [(b"yanqing.exe", f.read()), ("使用说明.txt".encode("gbk"), readme(a.version))]
        for name, package, about in NOTICES:
            entries.append((name.encode("ascii"), notice(a.doc_root, a.arch, package, about)))
    except (OSError, UnicodeError) as e:
        print("make_package.py: %s" % e, file=sys.stderr)
        return 1
    data = zip_bytes(entries)
    os.makedirs(os.path.dirname(os.path.abspath(a.out)), exist_ok=True)
    for path, content in ((a.out, data), (a.out + ".sha256", ("%s  %s\n" % (
            hashlib.sha256(data).hexdigest(), os.path.basename(a.out))).encode())):
        with open(path + ".part", "wb") as f:
            f.write(content)
        os.replace(path + ".part", path)
    print("make_package.py: %s: %d bytes, %d files" % (a.out, len(data), len(entries)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
