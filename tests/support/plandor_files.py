"""Program-folder files built byte by byte from the record layouts, for the
tests that drive the command-line tools (plandor-ics)."""
import os
import struct


def text(value, capacity):
    """A length-prefixed field; `value` is text (encoded CP932) or raw bytes."""
    raw = value if isinstance(value, bytes) else value.encode("cp932")
    assert len(raw) <= capacity, value
    return bytes([len(raw)]) + raw + b"\0" * (capacity - len(raw))


def empty_pad():
    rec = bytearray(396)
    struct.pack_into("<iiii", rec, 116, -1, -1, 0, 0)
    struct.pack_into("<ii", rec, 128, -1, -1)
    return rec


def pad(no, start, end, keyword="", content="", memo="", color=0, completed=0):
    """start/end: (hour 0..11, minute, pm)."""
    rec = empty_pad()
    struct.pack_into("<iii", rec, 0, no, 0, 0)
    rec[12:44] = text(keyword, 31)
    rec[44:108] = text(content, 63)
    rec[108] = completed
    struct.pack_into("<iiiB", rec, 112, color, start[0], start[1], start[2])
    struct.pack_into("<iiB", rec, 128, end[0], end[1], end[2])
    rec[137:393] = text(memo, 255)
    return rec


def day_file(pads, diary=("", "", "", "")):
    data = bytearray(10728)
    struct.pack_into("<d", data, 256, 0.0)
    for i in range(24):
        struct.pack_into("<4xiii", data, 264 + 16 * i, -1, -1, 0)
        data[648 + 396 * i:648 + 396 * (i + 1)] = pads[i] if i < len(pads) else empty_pad()
    t1, c1, t2, c2 = diary
    data[10152:10728] = text(t1, 31) + text(c1, 255) + text(t2, 31) + text(c2, 255)
    return bytes(data)


def routine(no, start, end, keyword, days, show=1):
    rec = bytearray(400)
    struct.pack_into("<iii", rec, 0, no, 0, 0)
    rec[12:44] = text(keyword, 31)
    rec[44:108] = text("", 63)
    struct.pack_into("<iiiB", rec, 108, 0x00FF00, start[0], start[1], start[2])
    struct.pack_into("<iiB", rec, 124, end[0], end[1], end[2])
    rec[133:389] = text("", 255)
    rec[389] = show
    for d in days:
        rec[390 + d] = 1
    return bytes(rec)


def day_path(folder, date):
    """The day file of a datetime.date in a program folder."""
    month = f"Y{date.year:04d}{date.month:02d}"
    return os.path.join(folder, month, f"{month}{date.day}.sdf")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
