#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/) and the unsigned
component that the signature target signs into (fuzz/data/component-unsigned.dll).

  make_corpus.py BUILD_DIR

Binary seeds are copied from the test fixtures of a build folder configured with the tests
(build them first: cmake --build BUILD_DIR --target vorel_signed_fixtures vorel_pe_fixtures
vorel_zip_fixtures); text seeds are written here. Every seed is named after what it shows.
"""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def gbk(text):
    return text.encode("gbk")


def der_of_first_entry(image):
    """The PKCS#7 bytes of the first certificate-table entry of a signed PE file."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    entry = optional + (96 if magic == 0x10B else 112) + 4 * 8
    offset, _ = struct.unpack_from("<II", image, entry)
    length = struct.unpack_from("<I", image, offset)[0]
    blob = image[offset + 8:offset + length]
    first = blob[1]
    if first < 0x80:
        return blob[:2 + first]
    count = first & 0x7F
    return blob[:2 + count + int.from_bytes(blob[2:2 + count], "big")]


def manifest_seeds():
    demo = open(os.path.join(HERE, "..", "tools", "demo", "KdVorelV2.xml"), "rb").read()
    element = lambda name, value: b"<%s>%s</%s>" % (name, value, name)
    write("manifest", "demo-no-state", b"\x00" + b"4.0.3.11\n" + demo)
    write("manifest", "demo-state-0", b"\x01" + b"4.0.1.7\n" + demo)
    write("manifest", "demo-state-1", b"\x02" + b"4.0.3.12\n" + demo)
    write("manifest", "no-local-version", b"\x00" + b"\n" + demo)
    write("manifest", "close-before-open", b"\x00" + b"4.0.3.12\n" +
          b"</NormalInstallVersion><NormalInstallVersion>4.0.3.13</NormalInstallVersion>")
    write("manifest", "gbk-values", b"\x01" + b"4.0.3.12\n" + element(b"InstallProjID", gbk(" 哈沃拉\t")) +
          element(b"SpecifyInstallVersion", gbk("版本4.0.3.12")) + element(b"NormalInstallVersion", b"4.0.3.13"))
    write("manifest", "nested-and-blank", b"\x02" + b"1.2.3.4\n" +
          b"<KD><ForceInstallVersion>\r\n 9.9.9.9 \r\n</ForceInstallVersion><ForceInstallVersion>1"
          b"</ForceInstallVersion><MiniInstallVersion><MiniInstallVersion>2.0</MiniInstallVersion></KD>")


def compare_version_seeds():
    pairs = {
        "newer": (b"4.0.3.13", b"4.0.3.12"),
        "equal": (b"4.0.3.12", b"4.0.3.12"),
        "short": (b"4.0.3", b"4.0.3.0"),
        "no-dots": (b"7", b""),
        "empty-fields": (b"1..2.", b".1.2.3"),
        "signs-and-blanks": (b" +4.-1.\t3.0x10", b"4.0.3.12"),
        "overflow": (b"99999999999.2147483648.-2147483649.1", b"2147483647.0.0.0"),
        "gbk-dot": (gbk("4.版.3.12"), b"4.\x81.3.12"),
        "letters": (b"a.b.c.d", b"4.0.3.12 beta"),
    }
    for name, (a, b) in pairs.items():
        write("compare_version", name, a + b"\0" + b)


def registry_seeds():
    def hive(text, name=0, key=0, kind=0, value=b"0"):
        return bytes([name, key, kind, len(value)]) + value + text

    typical = (b"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"=\"1\"\r\n"
               b"\"LastServerOCXVersion\"=\"4.0.3.12\"\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n"
               b"@=\"default\"\r\n\"Count\"=dword:0000000a\r\n")
    write("registry_hive", "typical", hive(typical))
    write("registry_hive", "new-value-in-new-key", hive(typical, name=1, key=1, value=b"4.0.3.13"))
    write("registry_hive", "empty", hive(b"REGEDIT4\r\n\r\n", kind=3, value=b"\x00\x01\xff"))
    write("registry_hive", "lf-only", hive(typical.replace(b"\r\n", b"\n"), name=3, key=3, kind=4, value=b"\x01\x02"))
    write("registry_hive", "hex-continued", hive(
        b"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n"
        b"\"Blob\"=hex:01,02,03,\\\r\n  04,05\r\n\"Path\"=hex(2):25,00,54,00,\\\r\n  00,00\r\n"
        b"\"Multi\"=hex(7):61,00,62,00,00,00\r\n\"NormalUpdateFlag\"=\"0\"\r\n", name=3, kind=2, value=b"%TEMP%"))
    write("registry_hive", "gbk-and-escapes", hive(
        b"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n" + gbk("\"名称\"=\"值\\\\\\\"\"") + b"\r\n"
        b"\"\x81\\\"=\"\x81\\\"\r\n; a comment\r\n  \"Indented\" = \"x\"\r\n", name=3, value=gbk("新值")))
    write("registry_hive", "duplicates-and-case", hive(
        b"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\software\\vrn\\kd40]\r\n\"NORMALUPDATEFLAG\"=\"1\"\r\n"
        b"[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"=\"2\"\r\n", name=0, key=0, value=b"0"))
    write("registry_hive", "no-final-line-break", hive(
        b"REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"=\"1\"", name=0, value=b"0"))
    write("registry_hive", "unparsable", hive(b"REGEDIT4\r\n\r\n\"Orphan\"=\"value\"\r\n"))


def http_seeds():
    def response(options, text):
        write("http_response", text[0], bytes([options]) + text[1])

    body = b"<KD><NormalInstallVersion>4.0.3.13</NormalInstallVersion></KD>"
    seeds = [
        (0, ("ok-with-length", b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body) + body)),
        (0, ("ok-without-length", b"HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n" + body)),
        (2 | (20 << 2), ("ok-install-file", b"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789")),
        (3 | (1 << 2), ("second-stage", b"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabcd")),
        (0, ("cut-body", b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this")),
        (0, ("chunked", b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")),
        (0, ("not-found", b"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone")),
        (0, ("proxy-auth", b"HTTP/1.1 407 Proxy Authentication Required\r\n\r\n")),
        (0, ("redirect", b"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/other\r\n\r\n")),
        (0, ("continue-then-ok", b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")),
        (0, ("huge-announced", b"HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nabc")),
        (0, ("gzip-announced", b"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 3\r\n\r\nabc")),
        (0, ("lf-only-head", b"HTTP/1.1 200 OK\nContent-Length: 2\n\nok")),
        (0x82, ("called-off", b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")),
        (0, ("status-only", b"HTTP/1.1 200")),
        (0, ("nothing", b"")),
    ]
    for options, seed in seeds:
        response(options, seed)


def token_seeds():
    write("service_token", "time-text", b"2015-03-07 09:05:02 Saturday")
    write("service_token", "every-byte", bytes(range(256)))
    write("service_token", "gbk", gbk("哈沃拉 <Token>&\"'"))
    write("service_token", "far-future", struct.pack("<q", 40000000000) + b" tail")
    write("service_token", "far-past", struct.pack("<q", -(2 ** 62)))
    write("service_token", "epoch", struct.pack("<q", 0))


def gbk_seeds():
    write("gbk_text", "ascii", b"hello world\0world")
    write("gbk_text", "gbk-trail-letter", gbk("乗乗A") + b"\0" + b"\\A")
    write("gbk_text", "mixed", gbk("瓦内尔银行哈沃拉专业版") + b"\0" + gbk("哈沃拉"))
    write("gbk_text", "utf8", "版本 ünïcødé €".encode("utf-8") + b"\0" + b"\xe2\x82")
    write("gbk_text", "lone-lead", b"abc\x81\0\x81")
    write("gbk_text", "empty-needle", b"text\0")


def copy_seeds(build):
    signed = os.path.join(build, "tests", "platform", "signed")
    pe = os.path.join(build, "tests", "pe-fixtures")
    zips = os.path.join(build, "tests", "install", "zips")
    shutil.copyfile(os.path.join(signed, "unsigned.dll"), os.path.join(HERE, "data", "component-unsigned.dll"))

    for name in ["component-4.0.3.12.ocx", "component-65535.ocx", "no-version.dll"]:
        shutil.copyfile(os.path.join(pe, name), os.path.join(HERE, "corpus", "pe_version", name))
    shutil.copyfile(os.path.join(signed, "unsigned-pe32.dll"), os.path.join(HERE, "corpus", "pe_version", "pe32.dll"))

    for name in ["signed-symantec", "signed-verisign", "signed-pe32", "signed-sha1", "crowded-symantec",
                 "two-entries", "no-signer", "no-certificate", "garbage", "signed-chinese", "signed-email",
                 "signed-unit", "truncate", "trailing"]:
        shutil.copyfile(os.path.join(signed, name + ".dll"), os.path.join(HERE, "corpus", "authenticode", name + ".dll"))
    # Signatures of the very image the signature target attaches them to, and others.
    for name in ["signed-symantec", "signed-verisign", "signed-sha1", "crowded-verisign", "signed-chinese",
                 "signed-two-common-names", "signed-first-attribute", "flip-signature", "flip-content"]:
        der = der_of_first_entry(open(os.path.join(signed, name + ".dll"), "rb").read())
        write("signature", name + ".p7", der)
    for name in ["no-signer", "no-certificate"]:
        shutil.copyfile(os.path.join(signed, name + ".p7"), os.path.join(HERE, "corpus", "signature", name + ".p7"))

    for name in ["package", "no-folder-entries", "empty", "empty-with-comment", "bad-crc", "bad-deflate",
                 "overrun", "huge-entry", "huge-package", "bzip2", "missing-entry", "long-name", "too-long-name",
                 "gbk-name", "escape-parent", "escape-inner", "escape-folder", "escape-absolute", "escape-drive",
                 "escape-backslash-inner", "escape-nul"]:
        shutil.copyfile(os.path.join(zips, name + ".zip"), os.path.join(HERE, "corpus", "unzip", name + ".zip"))


def main(build):
    for target in ["manifest", "compare_version", "pe_version", "authenticode", "signature", "registry_hive",
                   "unzip", "http_response", "service_token", "gbk_text"]:
        folder = os.path.join(HERE, "corpus", target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    os.makedirs(os.path.join(HERE, "data"), exist_ok=True)
    manifest_seeds()
    compare_version_seeds()
    registry_seeds()
    http_seeds()
    token_seeds()
    gbk_seeds()
    copy_seeds(build)


if __name__ == "__main__":
    main(sys.argv[1])
