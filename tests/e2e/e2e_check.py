#!/usr/bin/env python3
"""Byte and pixel checks for the end-to-end tests.

Expected file images are built here from the record layouts, with Shift-JIS
texts encoded by iconv (CP932), and compared with what the program wrote.
Screenshots are raw 8-bit RGB dumps of the whole 1024 x 768 screen.
Every check prints what differs and exits 1 on a mismatch.
"""
import datetime
import os
import struct
import subprocess
import sys

SCREEN_W, SCREEN_H = 1024, 768
SKY_BLUE = (166, 202, 240)
CREAM = (255, 251, 240)
STATUS_BAR_H = 19
DESIGN_PANEL_H = 527


def cp932(text):
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=text.encode("utf-8"),
                          stdout=subprocess.PIPE, check=True).stdout


def short_text(text_bytes, capacity):
    """A length-prefixed field of 1 + capacity bytes, zero after the text."""
    assert len(text_bytes) <= capacity
    return bytes([len(text_bytes)]) + text_bytes + bytes(capacity - len(text_bytes))


def serial_date(iso):
    d = datetime.date.fromisoformat(iso)
    return float((d - datetime.date(1899, 12, 30)).days)


# --- expected images ---------------------------------------------------------

def empty_routine():
    rec = bytearray(400)
    rec[112:120] = b"\xff" * 8   # StartHour, StartMinute
    rec[124:132] = b"\xff" * 8   # EndHour, EndMinute
    return bytes(rec)


def default_routines():
    return empty_routine() * 8


def default_list_entries():
    block = bytearray(3072)

    def put(offset, capacity, text):
        field = short_text(cp932(text), capacity)
        block[offset:offset + len(field)] = field

    put(0x000, 31, "キーワード")
    put(0x300, 63, "説明")
    for i, t in enumerate(["タイトル1", "今日一日をふり返って一言", "今日の反省", "日記"]):
        put(0x900 + 32 * i, 31, t)
    for i, t in enumerate(["タイトル2", "明日に向けて一言", "明日への意気込み", "日記"]):
        put(0xA80 + 32 * i, 31, t)
    return bytes(block)


def empty_bar():
    return b"\x00\x00\x00\x00" + struct.pack("<iii", -1, -1, 0)


def empty_pad():
    rec = bytearray(396)
    struct.pack_into("<ii", rec, 116, -1, -1)   # StartHour, StartMinute
    struct.pack_into("<ii", rec, 128, -1, -1)   # EndHour, EndMinute
    return bytes(rec)


def empty_day_body():
    """Bytes 264..10727 of a day saved with no pads and no diary."""
    return empty_bar() * 24 + empty_pad() * 24 + bytes(576)


# --- comparisons -------------------------------------------------------------

def read(path):
    with open(path, "rb") as f:
        return f.read()


def describe_diff(actual, expected, label, limit=8):
    lines = []
    if len(actual) != len(expected):
        lines.append(f"{label}: {len(actual)} bytes, expected {len(expected)}")
    shown = 0
    for i in range(min(len(actual), len(expected))):
        if actual[i] != expected[i]:
            lines.append(f"{label}: offset {i}: {actual[i]:02X}, expected {expected[i]:02X}")
            shown += 1
            if shown == limit:
                lines.append(f"{label}: (further differences not shown)")
                break
    return lines


def expect_equal(actual, expected, label):
    problems = describe_diff(actual, expected, label)
    for p in problems:
        print(p, file=sys.stderr)
    return not problems


def check_routines(path):
    return expect_equal(read(path), default_routines(), os.path.basename(path))


def check_list_entries(path):
    return expect_equal(read(path), default_list_entries(), os.path.basename(path))


def check_day_header(data, full_path, date_iso):
    ok = True
    want_path = cp932(full_path)[:255]
    if data[0] != len(want_path):
        print(f"day file: path length byte {data[0]}, expected {len(want_path)}", file=sys.stderr)
        ok = False
    if data[1:1 + len(want_path)] != want_path:
        got = data[1:1 + data[0]]
        print(f"day file: header path {got!r}, expected {want_path!r}", file=sys.stderr)
        ok = False
    want_date = struct.pack("<d", serial_date(date_iso))
    if data[256:264] != want_date:
        got = struct.unpack("<d", data[256:264])[0]
        print(f"day file: created date {got!r} ({data[256:264].hex(' ')}), expected "
              f"{serial_date(date_iso)!r} ({want_date.hex(' ')}) for {date_iso}", file=sys.stderr)
        ok = False
    return ok


def check_empty_day(path, full_path, date_iso):
    data = read(path)
    if len(data) != 10728:
        print(f"day file: {len(data)} bytes, expected 10728", file=sys.stderr)
        return False
    ok = check_day_header(data, full_path, date_iso)
    return expect_equal(data[264:], empty_day_body(), "day file body (from offset 264)") and ok


# --- screenshots -------------------------------------------------------------

class Shot:
    def __init__(self, path):
        self.data = read(path)
        if len(self.data) != SCREEN_W * SCREEN_H * 3:
            raise SystemExit(f"{path}: not a 1024x768 RGB dump")

    def px(self, x, y):
        i = (y * SCREEN_W + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, x0, y0, x1, y1, colour):
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if self.px(x, y) == colour)


def measure_layout(shot):
    """Finds the menu bar height from the main panel's own pixels.

    Column 400 runs through the menu bar, then the sky-blue strip of the
    panel above the timeline, then the timeline's frame, which starts 10
    pixels below the panel's top. Returns None until the window is painted
    as expected, so callers can poll.
    """
    x = 400
    y = 0
    while y < 120 and shot.px(x, y) != SKY_BLUE:
        y += 1
    if y == 120:
        return None
    while y < 140 and shot.px(x, y) == SKY_BLUE:
        y += 1
    h_menu = y - 10
    if not 10 <= h_menu <= 60:
        return None
    panel_h = SCREEN_H - h_menu - STATUS_BAR_H
    shift = panel_h - DESIGN_PANEL_H
    # The panel's right column and the gap between 保存 and 終了 must be
    # sky blue; the middle of 保存 must not be.
    if shot.px(795, h_menu + 300) != SKY_BLUE:
        return None
    if shot.px(735, h_menu + 486 + shift) != SKY_BLUE:
        return None
    if shot.px(735, h_menu + 456 + shift) == SKY_BLUE:
        return None
    return h_menu


def main(argv):
    cmd = argv[1]
    if cmd == "routines":
        return 0 if check_routines(argv[2]) else 1
    if cmd == "list-entries":
        return 0 if check_list_entries(argv[2]) else 1
    if cmd == "empty-day":          # FILE FULL_PATH DATE
        return 0 if check_empty_day(argv[2], argv[3], argv[4]) else 1
    if cmd == "day-header":         # FILE FULL_PATH DATE
        return 0 if check_day_header(read(argv[2]), argv[3], argv[4]) else 1
    if cmd == "measure":            # SHOT
        h = measure_layout(Shot(argv[2]))
        if h is None:
            return 1
        print(h)
        return 0
    if cmd == "count":              # SHOT X0 Y0 X1 Y1 R G B
        shot = Shot(argv[2])
        x0, y0, x1, y1, r, g, b = map(int, argv[3:10])
        print(shot.count(x0, y0, x1, y1, (r, g, b)))
        return 0
    raise SystemExit(f"unknown command {cmd}")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
