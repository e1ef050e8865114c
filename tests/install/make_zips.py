#!/usr/bin/env python3
"""Writes the zip packages of the extraction tests that Info-ZIP will not make: empty,
damaged and hostile ones. Python's zipfile writes each archive; fields it will not write
(a wrong checksum, a declared size, raw name bytes, a broken deflate stream) are patched in
its output afterwards.

  make_zips.py OUT_DIR

Entry data that the tests compare with is also written as OUT_DIR/expected/<zip>/<entry>.
"""
import io
import os
import random
import struct
import sys
import zipfile
import zlib

LOCAL = 0x04034B50
CENTRAL = 0x02014B50
END = 0x06054B50


def archive(entries, comment=b""):
    """entries: (name, data, method); data None makes a folder entry."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.comment = comment
        for name, data, method in entries:
            info = zipfile.ZipInfo(name, date_time=(2015, 3, 7, 9, 5, 2))
            info.compress_type = method
            info.external_attr = (0o40755 << 16) | 0x10 if data is None else 0o644 << 16
            z.writestr(info, b"" if data is None else data)
    return bytearray(out.getvalue())


def headers(image):
    """For each entry, the offsets of its local and of its central header."""
    end = image.rindex(struct.pack("<I", END))
    count, size, offset = struct.unpack_from("<HII", image, end + 10)
    result, at = [], offset
    for _ in range(count):
        assert struct.unpack_from("<I", image, at)[0] == CENTRAL
        name_len, extra_len, comment_len = struct.unpack_from("<HHH", image, at + 28)
        local = struct.unpack_from("<I", image, at + 42)[0]
        result.append((local, at))
        at += 46 + name_len + extra_len + comment_len
    return result


def patch(image, index, crc=None, size=None, method=None):
    """Overwrites fields of entry index in both of its headers."""
    local, central = headers(image)[index]
    for base, crc_at, size_at, method_at in ((local, 14, 22, 8), (central, 16, 24, 10)):
        if crc is not None:
            struct.pack_into("<I", image, base + crc_at, crc)
        if size is not None:
            struct.pack_into("<I", image, base + size_at, size)
        if method is not None:
            struct.pack_into("<H", image, base + method_at, method)


def rename_raw(image, placeholder, raw):
    """Puts raw name bytes where the placeholder name stands (same length)."""
    assert len(placeholder) == len(raw)
    return bytearray(bytes(image).replace(placeholder.encode(), raw))


def text(size, seed):
    words = [b"halvora", b"component", b"update", b"varnel", b"package", b"entry"]
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + b" "
    return bytes(out[:size])


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def write_all(folder):
    zips, expected = {}, {}
    S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED

    zips["empty.zip"] = archive([])
    zips["empty-with-comment.zip"] = archive([], comment=b"a package without entries")
    zips["methods.zip"] = archive([("stored.bin", noise(20000, 1), S), ("deflated.txt", text(60000, 2), D)])
    expected["methods/stored.bin"] = noise(20000, 1)
    expected["methods/deflated.txt"] = text(60000, 2)

    # The stored checksum of the middle entry is wrong.
    image = archive([("before.txt", b"before\n", D), ("bad-crc.txt", text(5000, 3), D), ("after.txt", b"after\n", S)])
    patch(image, 1, crc=zlib.crc32(text(5000, 3)) ^ 0x5A5A5A5A)
    zips["bad-crc.zip"] = image
    expected["bad-crc/bad-crc.txt"] = text(5000, 3)

    # A deflate stream that yields 100000 bytes, then a block of the reserved type.
    data = text(200000, 4)
    deflater = zlib.compressobj(6, zlib.DEFLATED, -15)
    stream = deflater.compress(data[:100000]) + deflater.flush(zlib.Z_FULL_FLUSH) + b"\x07" + b"\0" * 64
    image = archive([("first.txt", b"first\n", S), ("broken.txt", stream, S), ("after.txt", b"after\n", S)])
    patch(image, 1, crc=zlib.crc32(data), size=len(data), method=8)
    zips["bad-deflate.zip"] = image

    # A deflate stream that yields 100000 bytes where the headers declare 1000.
    data = text(100000, 5)
    image = archive([("overrun.txt", data, D)])
    patch(image, 0, crc=zlib.crc32(data[:1000]), size=1000)
    zips["overrun.zip"] = image
    expected["overrun/overrun.txt"] = data[:1000]

    # Declared sizes beyond anything a package needs: one entry alone, and two that only
    # together go past the package's limit (600 MiB each).
    image = archive([("ok.txt", b"ok\n", S), ("huge.bin", b"tiny", S), ("after.txt", b"after\n", S)])
    patch(image, 1, size=0xFFFFF000)
    zips["huge-entry.zip"] = image
    image = archive([("first.bin", b"first", S), ("second.bin", b"second", S)])
    patch(image, 0, size=600 << 20)
    patch(image, 1, size=600 << 20)
    zips["huge-package.zip"] = image

    # A compression method the reader does not know (bzip2).
    zips["bzip2.zip"] = archive([("ok.txt", b"ok\n", S), ("bzip2.txt", text(3000, 6), zipfile.ZIP_BZIP2)])

    # The end record counts one entry more than the central directory holds.
    image = archive([("one.txt", b"one\n", S), ("two.txt", b"two\n", S)])
    end = image.rindex(struct.pack("<I", END))
    struct.pack_into("<HH", image, end + 8, 3, 3)
    zips["missing-entry.zip"] = image

    # Names of 511 bytes (the most the name buffer holds) and of 512.
    a, b = "a" * 250, "b" * 250
    zips["long-name.zip"] = archive([(a + "/", None, S), (a + "/" + b + "/", None, S),
                                     (a + "/" + b + "/" + "c" * 5 + ".txt", b"511\n", S)])
    zips["too-long-name.zip"] = archive([("ok.txt", b"ok\n", S), (a + "/", None, S), (a + "/" + b + "/", None, S),
                                         (a + "/" + b + "/" + "c" * 6 + ".txt", b"512\n", S)])

    # A GBK name whose second byte is a backslash (0x81 0x5C), in a GBK folder name.
    image = archive([("gbk-folder/", None, S), ("gbk-folder/xx.txt", b"gbk\n", S)])
    image = rename_raw(image, "gbk-folder", "文件夹".encode("gbk") + b"0000")
    zips["gbk-name.zip"] = rename_raw(image, "xx.txt", "乗".encode("gbk") + b".txt")

    # Names that lead out of the target folder, each between two harmless entries.
    hostile = {
        "escape-parent.zip": "../escape.txt",
        "escape-inner.zip": "sub/../../escape.txt",
        "escape-folder.zip": "../escape-dir/",
        "escape-dotdot.zip": "..",
        "escape-absolute.zip": "/escape.txt",
        "escape-absolute-folder.zip": "/escape-dir/",
        "escape-drive.zip": "C:/escape.txt",
        "escape-drive-relative.zip": "c:escape.txt",
        "escape-backslash.zip": "..\\escape.txt",
        "escape-backslash-inner.zip": "sub\\..\\..\\escape.txt",
    }
    for zip_name, name in hostile.items():
        data = None if name.endswith("/") else b"escaped\n"
        zips[zip_name] = archive([("ok.txt", b"ok\n", S), (name, data, S), ("after.txt", b"after\n", S)])
    image = archive([("ok.txt", b"ok\n", S), ("nulX../escape.txt", b"escaped\n", S), ("after.txt", b"after\n", S)])
    zips["escape-nul.zip"] = rename_raw(image, "nulX../escape.txt", b"nul\0../escape.txt")

    for name, content in list(zips.items()) + [("expected/" + k, v) for k, v in expected.items()]:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)


if __name__ == "__main__":
    write_all(sys.argv[1])
