#!/usr/bin/env python3
"""Checks that a release yanqing.exe carries one version everywhere a user
or Windows reads it, and no build time.

  title          "砚青<version>" (GBK), the main window's and the frame's
  status line    "主程序版本:<version>" (GBK), also what /My.txt is compared with
  manifest       assemblyIdentity version="<file version>"
  version info   the fixed file and product versions, the strings of block
                 080404b0 (FileVersion, ProductVersion, and the Chinese
                 names below), the translation 0x0804/1200
  time stamps    the PE header's and every resource directory's are 0

Every GBK text of the first two kinds found in the file must hold the
version: a second, stale version is refused as a wrong one is.

usage: check-release-version.py EXE VERSION
VERSION is the project version ("3.6"); Windows' four numbers are made from
it ("3.6.0.0"). Exits 1 and names every place that is wrong.
"""
import re
import struct
import sys

# The names the version resource gives the program (Windows shows them on
# the file's 详细信息 page).
NAMES = {
    "ProductName": "砚青",
    "CompanyName": "砚青工作室",
    "FileDescription": "砚青字体下载器",
}
COPYRIGHT_HOLDER = "砚青工作室"
RT_VERSION, RT_MANIFEST = 16, 24


class Pe:
    """The parts of a PE file this check reads: header time, resources."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, self.time_stamp = struct.unpack_from("<HI", data, pe + 6)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        directories = opt + {0x10B: 96, 0x20B: 112}[magic]
        self.rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        for i in range(sections):
            at = opt + optional_size + 40 * i
            vsize, rva, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((rva, max(vsize, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address %#x is in no section" % rva)

    def resources(self):
        """[(type, name, language, bytes)] and the resource directories' time stamps."""
        base = self.offset(self.rsrc_rva)
        found, stamps = [], []

        def walk(at, path):
            stamps.append(struct.unpack_from("<I", self.data, base + at + 4)[0])
            named, ids = struct.unpack_from("<HH", self.data, base + at + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + at + 16 + 8 * i)
                key = name if not name & 0x80000000 else "#named"
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + [key])
                else:
                    rva, size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(rva)
                    found.append((*(path + [key]), self.data[start:start + size]))

        walk(0, [])
        return found, stamps


def version_blocks(data, at=0):
    """One VS_VERSIONINFO block at `at`: (key, value, children)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    if kind == 1 and value_length == 0:  # a block that holds only children
        value = ""
    elif kind == 1:  # text: UTF-16 up to its NUL
        stop = pos
        while stop + 1 < end and data[stop:stop + 2] != b"\0\0":
            stop += 2
        value = data[pos:stop].decode("utf-16-le")
        pos = stop + 2
    else:
        value = data[pos:pos + value_length]
        pos += value_length
    children = []
    pos = (pos + 3) & ~3
    while pos + 6 <= end:
        child = version_blocks(data, pos)
        children.append(child[:3])
        if child[3] == 0:
            break
        pos = (pos + child[3] + 3) & ~3
    return key, value, children, length


def gbk_texts(data, prefix, tail):
    """Every version written after the GBK prefix and ended by tail."""
    pattern = re.escape(prefix.encode("gbk")) + rb"([0-9][0-9A-Za-z.]*)" + re.escape(tail)
    return sorted(set(m.decode() for m in re.findall(pattern, data)))


def file_version_of(version):
    numbers = version.split(".")
    return ".".join(numbers + ["0"] * (4 - len(numbers)))


def check(path, version):
    file_version = file_version_of(version)
    with open(path, "rb") as f:
        data = f.read()
    faults, seen = [], []

    def expect(place, found, wanted):
        if found == wanted:
            seen.append(place)
        else:
            faults.append("%s: %r, not %r" % (place, found, wanted))

    for place, prefix in (("title", "砚青"), ("status line", "主程序版本:")):
        expect(place, gbk_texts(data, prefix, b"\0"), [version])

    pe = Pe(data)
    expect("PE time stamp", pe.time_stamp, 0)
    resources, stamps = pe.resources()
    expect("resource time stamps", sorted(set(stamps)), [0])

    manifests = [r[3] for r in resources if r[0] == RT_MANIFEST]
    identity = [re.findall(rb'<assemblyIdentity type="win32" name="Yanqing[.]FontManager" '
                           rb'version="([^"]*)"', m) for m in manifests]
    expect("manifest", [v.decode() for found in identity for v in found], [file_version])

    infos = [r for r in resources if r[0] == RT_VERSION]
    expect("version resources", [(r[1], r[2]) for r in infos], [(1, 0x0804)])
    if infos:
        key, fixed, children, _ = version_blocks(infos[0][3])
        def dotted(ms, ls):
            return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

        sig, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
        expect("fixed file version", (hex(sig), dotted(file_ms, file_ls)),
               (hex(0xFEEF04BD), file_version))
        expect("fixed product version", dotted(product_ms, product_ls), file_version)
        tables = {k: c for name, _, blocks in children if name == "StringFileInfo"
                  for k, _, c in blocks}
        expect("string blocks", sorted(tables), ["080404b0"])
        strings = {k: v for k, v, _ in tables.get("080404b0", [])}
        for name, wanted in [("FileVersion", file_version), ("ProductVersion", file_version),
                             *NAMES.items()]:
            expect(name, strings.get(name), wanted)
        copyright = strings.get("LegalCopyright", "")
        expect("LegalCopyright names", COPYRIGHT_HOLDER in copyright, True)
        translations = [v for name, _, blocks in children if name == "VarFileInfo"
                        for k, v, _ in blocks if k == "Translation"]
        expect("translation", [struct.unpack("<HH", t) for t in translations], [(0x0804, 1200)])
    return faults, seen


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    me = "check-release-version.py"
    try:
        faults, seen = check(*argv[1:])
    except (OSError, ValueError, KeyError, struct.error, UnicodeDecodeError) as e:
        print("%s: %s: cannot read: %s" % (me, argv[1], e), file=sys.stderr)
        return 1
    for fault in faults:
        print("%s: %s: %s" % (me, argv[1], fault), file=sys.stderr)
    if faults:
        print("%s: %s: FAILED" % (me, argv[1]), file=sys.stderr)
        return 1
    print("%s: %s: version %s (%s) in: %s" % (me, argv[1], argv[2], file_version_of(argv[2]),
                                             ", ".join(seen)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
