#!/usr/bin/python3
# Writes the two tiny metafiles of the picture tests: a 100 by 50 drawing whose left
# half is a red rectangle without outline, once as placeable WMF, once as EMF.
import struct


def wmf():
    records = b""

    def record(function, *words, signed=False):
        nonlocal records
        body = b"".join(struct.pack("<h" if signed else "<H", w) for w in words)
        records += struct.pack("<IH", 3 + len(words), function) + body

    record(0x020B, 0, 0)  # SETWINDOWORG y, x
    record(0x020C, 50, 100)  # SETWINDOWEXT y, x
    # CREATEBRUSHINDIRECT: solid, COLORREF 0x000000FF (red), hatch 0
    record(0x02FC, 0, 0x00FF, 0x0000, 0)
    record(0x012D, 0)  # SELECTOBJECT brush
    # CREATEPENINDIRECT: PS_NULL, width (0, 0), colour 0
    record(0x02FA, 5, 0, 0, 0, 0)
    record(0x012D, 1)  # SELECTOBJECT pen
    record(0x041B, 50, 50, 0, 0)  # RECTANGLE bottom, right, top, left
    record(0x0000)  # EOF
    total_words = (18 + len(records)) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, total_words, 2, 8, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 100, 50, 96, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    return placeable + struct.pack("<H", checksum) + header + records


def emf():
    records = [
        struct.pack("<IIIIII", 39, 24, 1, 0, 0x000000FF, 0),  # CREATEBRUSHINDIRECT red
        struct.pack("<III", 37, 12, 1),  # SELECTOBJECT brush
        struct.pack("<III", 37, 12, 0x80000008),  # SELECTOBJECT stock NULL_PEN
        struct.pack("<IIiiii", 43, 24, 0, 0, 50, 50),  # RECTANGLE
        struct.pack("<IIIII", 14, 20, 0, 16, 20),  # EOF
    ]
    body = b"".join(records)
    total = 88 + len(body)
    header = struct.pack(
        "<II4i4iIIIIHHIIIiiii",
        1, 88,
        0, 0, 99, 49,  # bounds, device pixels
        0, 0, 2646, 1323,  # frame, hundredths of a millimetre (100 x 50 at 96 dpi)
        0x464D4520, 0x10000, total, 1 + len(records), 2, 0,
        0, 0, 0,  # description, palette
        1024, 768, 271, 203)  # reference device: pixels and millimetres (96 dpi)
    return header + body


with open("halfred.wmf", "wb") as f:
    f.write(wmf())
with open("halfred.emf", "wb") as f:
    f.write(emf())
