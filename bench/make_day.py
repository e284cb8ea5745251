#!/usr/bin/env python3
"""Write a day file with N pads, as the planner saves it.

Usage: make_day.py PADS OUT [HEADER_PATH]

PADS is 0 to 24. With up to 3 pads they sit around 08:00, where a start
scrolls to; more spread one an hour over the whole day, alternating sides.
HEADER_PATH is the path recorded in the header (the planner shows only its
file name); it defaults to OUT. The created date is today.
"""
import datetime
import struct
import sys

SLOTS = 24
FILE_SIZE = 10728
BAR = struct.Struct("<B1s2xiii")  # 16 bytes
PAD = struct.Struct("<iiiB31sB63sB3xiiiB3xiiBB255s3x")  # 396 bytes
DIARY = struct.Struct("<B31sB255sB31sB255s")  # 576 bytes
HEADER = struct.Struct("<B255sd")  # 264 bytes


def text(s, capacity):
    b = s.encode("cp932")[:capacity]
    return len(b), b.ljust(capacity, b"\0")


def dial(hour24, minute):
    """12-hour dial, PM flag and timeline row of a time of the 06:00 day."""
    return hour24 % 12, minute, int(12 <= hour24 < 24), ((hour24 - 6) % 24) * 120 + minute * 2


def pads_for(n):
    if n <= 3:
        times = [(8, 0, 8, 30, "L"), (9, 0, 10, 0, "R"), (10, 30, 11, 45, "L")][:n]
    else:
        times = [((6 + i) % 24, 0, (6 + i) % 24, 30, "R" if i % 2 else "L") for i in range(n)]
    words = [("会議", "週次の進捗確認"), ("資料作成", "見積書と提案書"), ("移動", "駅まで徒歩")]
    colors = [0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF]
    out = []
    for i, (sh, sm, eh, em, side) in enumerate(times):
        keyword, content = words[i % len(words)]
        out.append((i + 1, side, dial(sh, sm), dial(eh, em), keyword, content, colors[i % len(colors)]))
    return out


def main():
    if len(sys.argv) not in (3, 4) or not sys.argv[1].isdigit() or int(sys.argv[1]) > SLOTS:
        sys.exit(__doc__)
    n, out = int(sys.argv[1]), sys.argv[2]
    header_path = sys.argv[3] if len(sys.argv) == 4 else out
    created = (datetime.date.today() - datetime.date(1899, 12, 30)).days

    bars, pads = [], []
    for no, side, start, end, keyword, content, color in pads_for(n):
        top, bottom = start[3], end[3]
        bars.append(BAR.pack(1, side.encode(), top, bottom, color))
        pads.append(PAD.pack(no, 4 if side == "L" else 351, top + 1, *text(keyword, 31), *text(content, 63), 0,
                             color, start[0], start[1], start[2], end[0], end[1], end[2], *text("", 255)))
    while len(bars) < SLOTS:
        bars.append(BAR.pack(0, b"\0", -1, -1, 0))
        pads.append(PAD.pack(0, 0, 0, *text("", 31), *text("", 63), 0, 0, -1, -1, 0, -1, -1, 0, *text("", 255)))

    data = (HEADER.pack(*text(header_path, 255), float(created)) + b"".join(bars) + b"".join(pads) +
            DIARY.pack(*text("", 31), *text("", 255), *text("", 31), *text("", 255)))
    assert len(data) == FILE_SIZE, len(data)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
