#!/usr/bin/env python3
"""plandor-ics against a crafted program folder, read back by an independent
iCalendar reader: times across midnight, texts at their byte capacity,
weekly routines, a hostile day file, and the errors that must leave
--output as it was."""
import datetime
import hashlib
import os
import random
import shutil
import stat
import struct
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

EXE = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def text(value, capacity):
    raw = value.encode("cp932")
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


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def snapshot(folder):
    seen = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            p = os.path.join(root, name)
            st = os.lstat(p)
            digest = ""
            if stat.S_ISREG(st.st_mode):
                with open(p, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
            seen[p] = (st.st_mode, st.st_mtime_ns, digest)
    return seen


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run(*args, env=None):
    return subprocess.run([EXE, *args], capture_output=True, env=env, timeout=30)


def events(cal_bytes):
    cal = icalendar.Calendar.from_ical(cal_bytes)
    return cal, {str(c["UID"]): c for c in cal.walk() if c.name in ("VEVENT", "VJOURNAL")}


work = tempfile.mkdtemp(prefix="plandor-ics.")
try:
    folder = os.path.join(work, "プランドール")
    keyword31 = "漢" * 15 + "A"          # 31 bytes
    content63 = "ア" * 31 + "b"          # 63 bytes
    memo255 = "予" * 127 + "X"           # 255 bytes; 予 ends in 0x5C
    monday = day_file([
        pad(1, (9, 0, 0), (10, 30, 0), "会議", "定例", "一行目\r\n二行目", color=0x0000FF, completed=1),
        pad(2, (11, 30, 1), (1, 15, 0), "夜更かし"),
        pad(3, (0, 30, 0), (2, 0, 0), "深夜"),
        pad(4, (1, 0, 1), (2, 0, 1), keyword31, content63, memo255, color=0xFFFFFF),
        pad(5, (10, 0, 0), (9, 0, 0), "逆"),
        pad(6, (10, 0, 0), (-1, -1, 0), "終わりなし"),
    ], ("今日一日をふり返って一言", "よい日\r\n明日も", "反省", ""))
    write(os.path.join(folder, "Y202601", "Y2026015.sdf"), monday)
    rng = random.Random(13)
    hostile = os.path.join(folder, "Y202601", "Y2026016.sdf")
    write(hostile, bytes(rng.randrange(256) for _ in range(12000)))
    write(os.path.join(folder, "Y202601", "Y2026017.sdf"), monday[:1100])  # short: pad 1 whole, pad 2 cut before its times
    write(os.path.join(folder, "Routines.rdf"),
          routine(1, (7, 0, 0), (7, 30, 0), "体操", [1, 3, 5]) +
          routine(2, (1, 0, 0), (2, 0, 0), "夜勤", [2]) +
          routine(3, (8, 0, 0), (9, 0, 0), "隠す", [1], show=0) + bytes(400 * 5))
    before = snapshot(folder)

    out = os.path.join(work, "week.ics")
    r = run("--from", "2026-01-04", "--to", "2026-01-10", "--routines", "--output", out, folder)
    check(r.returncode == 0, f"export exits 0 (got {r.returncode}: {r.stderr.decode(errors='replace')})")
    err = r.stderr.decode()
    check("Y2026015.sdf: パッド 5" in err and "Y2026015.sdf: パッド 6" in err, "reversed and open pads named")
    check("Y2026016.sdf" in err, "hostile day file's pads named")
    check(snapshot(folder) == before, "program folder untouched")
    raw = read(out)
    raw.decode("utf-8")  # strict: folding never splits a character
    lines = raw.split(b"\r\n")
    check(all(len(line) <= 75 for line in lines), "lines folded to 75 octets")
    check(lines[-1] == b"" and b"\n" not in raw.replace(b"\r\n", b""), "CR LF line ends")
    cal, items = events(raw)

    def ev(uid):
        check(uid in items, f"{uid} present")
        return items.get(uid, {})

    def dt(e, key):
        return e[key].dt if key in e else None

    e1 = ev("20260105-pad1@plandor")
    check(dt(e1, "DTSTART") == datetime.datetime(2026, 1, 5, 9, 0), "pad 1 start")
    check(dt(e1, "DTEND") == datetime.datetime(2026, 1, 5, 10, 30), "pad 1 end")
    check(dt(e1, "DTSTART").tzinfo is None, "floating time")
    check(str(e1.get("SUMMARY")) == "会議", "pad 1 summary")
    check(str(e1.get("DESCRIPTION")) == "定例\n一行目\n二行目", "memo line breaks kept")
    check(str(e1.get("COLOR")) == "red", "nearest colour name")
    check(str(e1.get("X-PLANDOR-COMPLETED")) == "TRUE", "completed mark")
    e2 = ev("20260105-pad2@plandor")
    check((dt(e2, "DTSTART"), dt(e2, "DTEND")) ==
          (datetime.datetime(2026, 1, 5, 23, 30), datetime.datetime(2026, 1, 6, 1, 15)), "pad across midnight")
    check("X-PLANDOR-COMPLETED" not in e2, "no completed mark on an open pad")
    e3 = ev("20260105-pad3@plandor")
    check((dt(e3, "DTSTART"), dt(e3, "DTEND")) ==
          (datetime.datetime(2026, 1, 6, 0, 30), datetime.datetime(2026, 1, 6, 2, 0)), "pad after midnight")
    e4 = ev("20260105-pad4@plandor")
    check(str(e4.get("SUMMARY")) == keyword31, "keyword at capacity")
    check(str(e4.get("DESCRIPTION")) == content63 + "\n" + memo255, "content and memo at capacity")
    check(str(e4.get("COLOR")) == "white", "white bar")
    check(not any(u.startswith("20260105-pad5") or u.startswith("20260105-pad6") for u in items), "bad pads skipped")
    j = ev("20260105-diary@plandor")
    check(j.name == "VJOURNAL" and dt(j, "DTSTART") == datetime.date(2026, 1, 5), "diary as a journal of its day")
    check(str(j.get("SUMMARY")) == "今日一日をふり返って一言 / 反省", "diary titles")
    check(str(j.get("DESCRIPTION")) == "今日一日をふり返って一言\nよい日\n明日も\n\n反省", "diary contents")
    check("20260107-pad1@plandor" in items and "20260107-pad2@plandor" not in items, "short file: what it holds")
    r1 = ev("routine1@plandor")
    check(dt(r1, "DTSTART") == datetime.datetime(2026, 1, 5, 7, 0), "routine starts on the first Monday")
    check(r1.get("RRULE") == {"FREQ": ["WEEKLY"], "BYDAY": ["MO", "WE", "FR"]}, "Mon/Wed/Fri rule")
    r2 = ev("routine2@plandor")
    check(dt(r2, "DTSTART") == datetime.datetime(2026, 1, 7, 1, 0) and r2.get("RRULE", {}).get("BYDAY") == ["WE"],
          "Tuesday's after-midnight routine on Wednesdays")
    check("routine3@plandor" not in items, "hidden routine left out")

    # Standard output, a second time: the same UIDs, so an import updates.
    r = run("--from", "2026-01-04", "--to", "2026-01-10", "--routines", folder)
    check(r.returncode == 0 and set(events(r.stdout)[1]) == set(items), "stable UIDs on standard output")
    check(subprocess.run([sys.executable, "-W", "error", "-c",
                          "import sys, icalendar; icalendar.Calendar.from_ical(sys.stdin.buffer.read())"],
                         input=r.stdout, capture_output=True).returncode == 0, "parses with no warning")

    # Defaults: today from the clock, the folder beside the command.
    prog = os.path.join(work, "prog")
    os.makedirs(prog)
    shutil.copy(EXE, prog)
    shutil.copytree(os.path.join(folder, "Y202601"), os.path.join(prog, "Y202601"))
    env = dict(os.environ, FAKETIME="@2026-01-05 12:00:00")
    lib = next((p for p in ("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                            "/usr/lib/faketime/libfaketime.so.1") if os.path.exists(p)), None)
    if lib:
        env["LD_PRELOAD"] = lib
        r = subprocess.run([os.path.join(prog, "plandor-ics")], capture_output=True, env=env, timeout=30)
        got = events(r.stdout)[1] if r.returncode == 0 else {}
        check("20260105-pad1@plandor" in got and not any(u.startswith("20260107") for u in got),
              "defaults: today in the folder beside the command")

    # Errors: a message, a non-zero exit, the output file as it was.
    fifo_folder = os.path.join(work, "fifo")
    os.makedirs(os.path.join(fifo_folder, "Y202601"))
    os.mkfifo(os.path.join(fifo_folder, "Y202601", "Y2026015.sdf"))
    with open(out, "wb") as f:
        f.write(b"old")
    for args, what in [
        (["--from", "2026-01-04", os.path.join(work, "missing")], "missing folder"),
        (["--from", "2026-02-30", folder], "bad date"),
        (["--from", "2026-01-05", "--to", "2026-01-04", folder], "reversed range"),
        (["--from", "2026-01-05", fifo_folder], "unreadable day file"),
    ]:
        r = run(*args, "--output", out)
        check(r.returncode != 0 and r.stderr.strip() != b"", f"{what}: message and failure")
        check(read(out) == b"old" and sorted(os.listdir(work)) == ["fifo", "prog", "week.ics", "プランドール"],
              f"{what}: output untouched")

    # An output that is, or is named like, one of the data folder's files is
    # refused, by any path to it; any other name there is written.
    os.symlink(folder, os.path.join(work, "link"))
    os.symlink(os.path.join(folder, "Routines.rdf"), os.path.join(work, "to-routines"))
    before = snapshot(folder)
    for target, what in [
        (os.path.join(folder, "Routines.rdf"), "the routine file"),
        (os.path.join(folder, "LEntries.lef"), "the list file"),
        (os.path.join(folder, "Y202601", "Y2026015.sdf"), "a day file"),
        (os.path.join(folder, "Y202601", "Y20260131.sdf"), "a day not yet made"),
        (os.path.join(folder, "ROUTINES.RDF"), "the routine file in capitals"),
        (os.path.join(folder, "Temporary.sdf"), "the staging day"),
        (os.path.join(work, "link", "Routines.rdf"), "the routine file through a linked folder"),
        (os.path.join(work, "to-routines"), "a link to the routine file"),
    ]:
        r = run("--from", "2026-01-04", "--routines", "--output", target, folder)
        check(r.returncode == 2 and "データフォルダ" in r.stderr.decode(), f"output onto {what}: refused")
    check(snapshot(folder) == before, "refused outputs: the data folder as it was")
    r = run("--from", "2026-01-04", "--output", os.path.join(folder, "export.ics"), folder)
    check(r.returncode == 0 and os.path.exists(os.path.join(folder, "export.ics")), "another name in the folder: written")
finally:
    shutil.rmtree(work, ignore_errors=True)

sys.exit(1 if failures else 0)
