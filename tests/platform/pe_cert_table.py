#!/usr/bin/env python3
"""Makes variants of signed PE files for the Authenticode tests by editing the certificate
table (data directory 4) and the bytes around it.

  pe_cert_table.py attach IN OUT BLOB...       IN without its table, then one entry per BLOB
                                               (a WIN_CERTIFICATE of type PKCS_SIGNED_DATA)
  pe_cert_table.py extract SIGNED OUT          the first entry's PKCS#7 bytes
  pe_cert_table.py append SIGNED OTHER OUT     SIGNED with OTHER's first entry added second
  pe_cert_table.py truncate SIGNED OUT         the file cut in the middle of its table
  pe_cert_table.py flip-image SIGNED OUT       one byte of the signed image changed
  pe_cert_table.py flip-checksum SIGNED OUT    the header checksum changed (not signed)
  pe_cert_table.py flip-signature SIGNED OUT   the last byte of the signer's signature changed
  pe_cert_table.py flip-content SIGNED OUT     one byte of the signed content's link text
                                               ("<<<Obsolete>>>") changed, lengths kept
  pe_cert_table.py trailing SIGNED OUT         bytes added after the table, outside it
"""
import struct
import sys


def layout(image):
    """(offset of CheckSum, offset of data directory 4, table offset, table size)."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0", "not a PE image"
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    entry = directories + 4 * 8
    offset, size = struct.unpack_from("<II", image, entry)
    return optional + 64, entry, offset, size


def entry_bytes(blob):
    data = struct.pack("<IHH", len(blob) + 8, 0x0200, 0x0002) + blob
    return data + b"\0" * (-len(data) % 8)


def set_table(image, entries):
    _, entry, offset, size = layout(image)
    body = bytearray(image[:offset] if offset else image)
    body += b"\0" * (-len(body) % 8)
    table = b"".join(entries)
    struct.pack_into("<II", body, entry, len(body), len(table))
    return bytes(body) + table


def first_entry(image):
    _, _, offset, size = layout(image)
    length = struct.unpack_from("<I", image, offset)[0]
    return image[offset:offset + length + (-length % 8)]


def der_length(blob):
    """Total length of the DER element at the start of blob."""
    first = blob[1]
    if first < 0x80:
        return 2 + first
    count = first & 0x7F
    return 2 + count + int.from_bytes(blob[2:2 + count], "big")


def flip(image, at):
    out = bytearray(image)
    out[at] ^= 0x01
    return bytes(out)


def main(argv):
    command, args = argv[1], argv[2:]
    read = lambda path: open(path, "rb").read()
    if command == "attach":
        out = set_table(read(args[0]), [entry_bytes(read(b)) for b in args[2:]])
    elif command == "extract":
        entry = first_entry(read(args[0]))
        out = entry[8:8 + der_length(entry[8:])]
    elif command == "append":
        signed = read(args[0])
        out = set_table(signed, [first_entry(signed), first_entry(read(args[1]))])
        args = [args[0], args[2]]
    elif command == "truncate":
        signed = read(args[0])
        _, _, offset, size = layout(signed)
        out = signed[:offset + size // 2]
    elif command == "flip-image":
        signed = read(args[0])
        _, _, offset, _ = layout(signed)
        out = flip(signed, offset // 2)
    elif command == "flip-checksum":
        signed = read(args[0])
        out = flip(signed, layout(signed)[0])
    elif command == "flip-signature":
        signed = read(args[0])
        _, _, offset, _ = layout(signed)
        out = flip(signed, offset + 8 + der_length(signed[offset + 8:]) - 1)
    elif command == "flip-content":
        signed = read(args[0])
        _, _, offset, _ = layout(signed)
        at = signed.index("<<<Obsolete>>>".encode("utf-16-be"), offset)
        out = flip(signed, at + 7)
    elif command == "trailing":
        out = read(args[0]) + b"unsigned bytes after the signature\0\0"
    else:
        raise SystemExit("unknown command " + command)
    open(args[1], "wb").write(out)


if __name__ == "__main__":
    main(sys.argv)
