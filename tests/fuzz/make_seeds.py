#!/usr/bin/env python3
"""Builds seed folders for the fuzz targets from the read-only corpus: make_seeds.py CORPUS OUT."""
import os
import struct
import sys

corpus, out = sys.argv[1], sys.argv[2]


def save(target, name, data):
    os.makedirs(os.path.join(out, target), exist_ok=True)
    with open(os.path.join(out, target, name), "wb") as f:
        f.write(data)


files = []
for root, _, names in os.walk(corpus):
    for n in sorted(names):
        if n.lower().endswith((".mdb", ".accdb")):
            files.append(os.path.join(root, n))

for i, path in enumerate(sorted(files)):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 4096 or data[4:19] not in (b"Standard Jet DB", b"Standard ACE DB"):
        continue
    jet3 = data[0x14] == 0
    size = 2048 if jet3 else 4096
    flag = 1 if jet3 else 0
    pages = [data[p:p + size] for p in range(0, min(len(data), 64 * size), size)]
    head = b"".join(pages[:16])
    tag = "%03d" % i
    save("header", tag, data[:size])
    save("usage_map", tag, bytes([flag]) + struct.pack("<I", 0x100) + head)
    save("table_def", tag, bytes([flag | (2 << 1)]) + head)
    if len(pages) > 2:
        tdef_first = b"".join([pages[0], pages[2]] + pages[3:16])
        for p in pages[3:]:  # the first row of a data page of MSysObjects
            if p[0] == 1 and struct.unpack_from("<I", p, 4)[0] == 2:
                count_at, table_at = (8, 10) if jet3 else (12, 14)
                if struct.unpack_from("<H", p, count_at)[0] == 0:
                    continue
                start = struct.unpack_from("<H", p, table_at)[0] & 0x1FFF
                row = p[start:]
                save("row", tag, bytes([flag]) + struct.pack("<H", len(row)) + row + tdef_first)
                break
        save("long_value", tag, bytes([flag]) + struct.pack("<III", 0x40000010, 0x300, 0) + head)
    for n, p in enumerate(pages):
        if p[0] in (3, 4) and p[1] == 1:
            save("index_page", "%s_%d" % (tag, n), bytes([flag]) + b"".join(pages[n:n + 4]))
            break
    if len(data) <= 400 * 1024:
        save("database", tag, data)

save("property_map", "empty", b"MR2\0")
for n, text in enumerate([b"a\tb\nc\td\n", b"\xff\xfea\0\t\0b\0\n\0", b"\xef\xbb\xbfx,y\r\n"]):
    save("set_file", str(n), bytes([n]) + text)
for n, text in enumerate([
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\a.mdb;Jet OLEDB:Database Password=x",
        "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=\"/tmp/a;b.accdb\";"
        "Jet OLEDB:Database Password=\"p\"\"q\""]):
    save("connection_string", str(n), text.encode())
