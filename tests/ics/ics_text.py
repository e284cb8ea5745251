#!/usr/bin/env python3
"""The text rules of plandor-ics, one table: each row a pad whose texts are
stored as given (CP932 bytes) and must arrive as the user saw them, read back
by an independent iCalendar reader, with every physical line of the file at
most 75 octets, whole UTF-8 characters only, and CR LF only as line ends.

The folding rows put the last physical piece of a DESCRIPTION line at every
length from 70 to 78 octets (before folding), in ASCII and in 3-byte
characters; libical alone breaks a line between CR and LF at one of them."""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import warnings

warnings.simplefilter("error")
try:
    import icalendar
except ImportError:
    print("SKIP: python3-icalendar missing", file=sys.stderr)
    sys.exit(77)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from plandor_files import day_file, day_path, pad, write  # noqa: E402

EXE = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def filler(octets, three_byte):
    """`octets` of UTF-8: 3-byte kana after as few ASCII letters as needed."""
    if not three_byte:
        return "a" * octets
    return "b" * (octets % 3) + "あ" * (octets // 3)


PREFIX = len("DESCRIPTION:")
# (keyword stored, content stored, memo stored, summary expected, description expected or None)
ROWS = []
for three in (False, True):
    for last in range(70, 79):
        # Unfolded, then folded once at 75: the rest plus its blank is `last`.
        for line in (last, 75 + last - 1):
            memo = filler(line - PREFIX, three)
            ROWS.append(("", "", memo, "", memo))
    for size in range(71, 76):  # the memo lengths around libical's fault
        memo = filler(size, three)
        ROWS.append(("", "", memo, "", memo))
ROWS += [
    # 0x5C is ¥ on the planner's screen; the trail byte of 予 is 0x5C too.
    (b"\\1000", b"C:\\\x97\\\x92\xe8", b"\x97\\\\", "¥1000", "C:¥予定\n予¥"),
    ("～~", "", "", "～~", None),
    # Control bytes are dropped; CR LF and CR become line breaks; tabs stay.
    (b"a\x01b\x1fc\x7fd", b"x\r\ny\rz\n", b"\tt\x00u", "abcd", "x\ny\nz\n\n\ttu"),
    # Empty texts, and texts of nothing but control bytes.
    ("", "", "", "", None),
    (b"\x01\x02", b"\x7f", b"\x1b", "", None),
    # Characters iCalendar escapes.
    ("a,b;c:d\"e", "\\n", "", "a,b;c:d\"e", "¥n"),
]

work = tempfile.mkdtemp(prefix="plandor-ics-text.")
try:
    folder = os.path.join(work, "prog")
    first = datetime.date(2026, 3, 2)
    per_day = 20
    expected = {}
    for start in range(0, len(ROWS), per_day):
        date = first + datetime.timedelta(days=start // per_day)
        pads = []
        for i, (k, c, m, summary, description) in enumerate(ROWS[start:start + per_day]):
            pads.append(pad(i + 1, (8, 0, 0), (8, 30, 0), k, c, m))
            expected[f"{date:%Y%m%d}-pad{i + 1}@plandor"] = (summary, description)
        write(day_path(folder, date), day_file(pads, diary=(b"\\", b"a\x05\\b", "", "")))
    last_date = first + datetime.timedelta(days=(len(ROWS) - 1) // per_day)

    r = subprocess.run([EXE, "--from", first.isoformat(), "--to", last_date.isoformat(), folder],
                       capture_output=True, timeout=30)
    check(r.returncode == 0, f"export (got {r.returncode}: {r.stderr.decode(errors='replace')})")
    raw = r.stdout
    check(raw.endswith(b"\r\n"), "ends with CR LF")
    for n, line in enumerate(raw.split(b"\r\n")):
        check(b"\r" not in line and b"\n" not in line, f"line {n}: no stray CR or bare LF: {line[:40]!r}")
        check(len(line) <= 75, f"line {n}: {len(line)} octets")
        try:
            line.decode("utf-8")
        except UnicodeDecodeError:
            check(False, f"line {n}: a character split by a fold: {line!r}")

    cal = icalendar.Calendar.from_ical(raw)
    got = {str(c["UID"]): c for c in cal.walk() if c.name in ("VEVENT", "VJOURNAL")}
    for uid, (summary, description) in expected.items():
        e = got.get(uid)
        check(e is not None, f"{uid} present")
        if e is None:
            continue
        check(str(e.get("SUMMARY")) == summary, f"{uid}: summary {str(e.get('SUMMARY'))!r} != {summary!r}")
        got_description = str(e["DESCRIPTION"]) if "DESCRIPTION" in e else None
        check(got_description == description, f"{uid}: description {got_description!r} != {description!r}")
    diary = got.get(f"{first:%Y%m%d}-diary@plandor", {})
    check(str(diary.get("SUMMARY")) == "¥" and str(diary.get("DESCRIPTION")) == "¥\na¥b", "diary texts")
finally:
    shutil.rmtree(work, ignore_errors=True)

sys.exit(1 if failures else 0)
