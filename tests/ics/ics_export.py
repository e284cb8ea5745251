#!/usr/bin/env python3
"""plandor-ics against a crafted program folder, read back by an independent
iCalendar reader: times across midnight, texts at their byte capacity,
routines on the dates routine display would show them, a hostile day file,
the default range, and the errors that must leave --output as it was."""
import datetime
import hashlib
import os
import random
import shutil
import stat
import subprocess
import sys
import tempfile
import warnings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from plandor_files import day_file, pad, routine, write  # noqa: E402

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
    r = run("--from", "2026-01-04", "--to", "2026-01-14", "--routines", "--output", out, folder)
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
    # Routines: on each date without a day file, as routine display lays
    # them that weekday; none where the user's day file exists (5th to 7th).
    routine_dates = {u: (dt(e, "DTSTART"), dt(e, "DTEND")) for u, e in items.items() if "-routine" in u}
    check(routine_dates == {
        "20260109-routine1@plandor": (datetime.datetime(2026, 1, 9, 7, 0), datetime.datetime(2026, 1, 9, 7, 30)),
        "20260112-routine1@plandor": (datetime.datetime(2026, 1, 12, 7, 0), datetime.datetime(2026, 1, 12, 7, 30)),
        "20260114-routine1@plandor": (datetime.datetime(2026, 1, 14, 7, 0), datetime.datetime(2026, 1, 14, 7, 30)),
        # Tuesday's routine after midnight: the calendar's Wednesday.
        "20260113-routine2@plandor": (datetime.datetime(2026, 1, 14, 1, 0), datetime.datetime(2026, 1, 14, 2, 0)),
    }, f"routines on their own dates (got {sorted(routine_dates)})")
    check(not any("RRULE" in e for e in items.values()), "no repeat rules")
    check(str(items.get("20260112-routine1@plandor", {}).get("X-PLANDOR-DATE")) == "20260112", "routine's day mark")
    check(str(items.get("20260105-pad3@plandor", {}).get("X-PLANDOR-DATE")) == "20260105",
          "a pad after midnight belongs to its planner day")

    # Standard output, a second time: the same UIDs, so an import updates.
    r = run("--from", "2026-01-04", "--to", "2026-01-14", "--routines", folder)
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
        # One end alone: from that date to today, or from today to that date;
        # +N and -N count from today.
        for args, first, last in [
            (["--from", "2026-01-03"], "20260103", "20260105"),
            (["--to", "2026-01-07"], "20260105", "20260107"),
            (["--from", "2026-01-07"], "20260107", "20260107"),
            (["--from", "-2", "--to", "+2"], "20260103", "20260107"),
        ]:
            r = subprocess.run([os.path.join(prog, "plandor-ics"), "--routines", "--diary-events", *args],
                               capture_output=True, env=env, timeout=30)
            got = events(r.stdout)[1] if r.returncode == 0 else {}
            dates = sorted(str(e["X-PLANDOR-DATE"]) for e in got.values())
            check(dates and dates[0] >= first and dates[-1] <= last and
                  ("20260105-pad1@plandor" in got) == (first <= "20260105" <= last),
                  f"{args}: {first}..{last} (got {dates})")

    # Diaries as all-day events for calendars that ignore journals.
    r = run("--from", "2026-01-05", "--to", "2026-01-05", "--diary-events", folder)
    d = events(r.stdout)[1].get("20260105-diary@plandor", {}) if r.returncode == 0 else {}
    check(getattr(d, "name", "") == "VEVENT" and dt(d, "DTSTART") == datetime.date(2026, 1, 5)
          and dt(d, "DTEND") == datetime.date(2026, 1, 6) and str(d.get("SUMMARY")) == "今日一日をふり返って一言 / 反省",
          "diary as an all-day event")

    # Nothing in the range: a subscribed file becomes a calendar without
    # events (said on stderr); standard output is refused.
    empty_out = os.path.join(work, "empty.ics")
    with open(empty_out, "wb") as f:
        f.write(read(out))  # last week's export, longer than what replaces it
    r = run("--from", "2026-02-01", "--to", "2026-02-03", "--output", empty_out, folder)
    check(r.returncode == 0 and "2026-02-01 〜 2026-02-03" in r.stderr.decode(),
          f"empty range written (got {r.returncode}: {r.stderr.decode()})")
    emptied = read(empty_out)
    check(events(emptied)[1] == {} and emptied.count(b"END:VCALENDAR") == 1 and emptied.endswith(b"END:VCALENDAR\r\n"),
          f"the file holds a calendar without events, nothing of the old one (got {emptied[:300]!r})")
    r = run("--from", "2026-02-01", "--to", "2026-02-03", folder)
    check(r.returncode == 3 and r.stdout == b"" and "2026-02-01 〜 2026-02-03" in r.stderr.decode(),
          f"empty range on standard output refused (got {r.returncode})")

    # The help says what each option does and the default range.
    r = run("--help")
    helptext = r.stdout.decode()
    check(r.returncode == 0 and all(w in helptext for w in (
        "--from", "--to", "--routines", "--diary-events", "--output", "--publish", "--user",
        "PLANDOR_CALDAV_PASSWORD", "今日だけ", "その日から今日まで", "標準出力", "~/.local/share/plandor")),
        "help names every option, the default range, the folder and the output")

    # Errors: a message, a non-zero exit, the output file as it was.
    fifo_folder = os.path.join(work, "fifo")
    os.makedirs(os.path.join(fifo_folder, "Y202601"))
    os.mkfifo(os.path.join(fifo_folder, "Y202601", "Y2026015.sdf"))
    with open(out, "wb") as f:
        f.write(b"old")
    for args, what in [
        (["--from", "2026-01-04", os.path.join(work, "missing")], "missing folder"),
        (["--from", "2026-02-30", folder], "bad date"),
        (["--from", "0999-12-31", "--to", "1000-01-01", folder], "a date before the planner's first"),
        (["--from", "2026-01-05", "--to", "2026-01-04", folder], "reversed range"),
        (["--from", "2026-01-05", fifo_folder], "unreadable day file"),
    ]:
        r = run(*args, "--output", out)
        check(r.returncode != 0 and r.stderr.strip() != b"", f"{what}: message and failure")
        check(read(out) == b"old" and sorted(os.listdir(work)) == ["empty.ics", "fifo", "prog", "week.ics", "プランドール"],
              f"{what}: output untouched")

    # Standard output, which cannot be taken back, gets nothing either, even
    # when the unreadable day comes after a readable one.
    write(os.path.join(fifo_folder, "Y202601", "Y2026014.sdf"), monday)
    r = run("--from", "2026-01-04", "--to", "2026-01-05", fifo_folder)
    check(r.returncode == 1 and r.stdout == b"" and b"Y2026015.sdf" in r.stderr,
          f"unreadable day on standard output: nothing written (got {r.returncode}: {r.stdout[:80]!r})")

    # An output that is, or is named like, one of the data folder's files is
    # refused, by any path to it; any other name there is written.
    os.symlink(folder, os.path.join(work, "link"))
    os.symlink(os.path.join(folder, "Routines.rdf"), os.path.join(work, "to-routines"))
    for name in ("Recovery.pdr", "Recovery-2.pdr", "Settings.ini", ".Routines.rdf.plandor-save-a1B2c3"):
        write(os.path.join(folder, name), b"unsaved work")
    os.symlink(os.path.join(folder, "Settings.ini"), os.path.join(work, "to-settings"))
    os.link(os.path.join(folder, "Y202601", "Y2026015.sdf"), os.path.join(work, "day-hardlink.ics"))
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
        (os.path.join(folder, "Recovery.pdr"), "the recovery file"),
        (os.path.join(folder, "rEcOvErY-2.PDR"), "the second recovery file in mixed case"),
        (os.path.join(folder, "SETTINGS.INI"), "the settings in capitals"),
        (os.path.join(folder, "Y202601", "..", "Settings.ini"), "the settings through .."),
        (os.path.join(work, "to-settings"), "a link to the settings"),
        (os.path.join(folder, ".Routines.rdf.plandor-save-a1B2c3"), "a save's temporary"),
        (os.path.join(work, "day-hardlink.ics"), "another name of a day file"),
    ]:
        r = run("--from", "2026-01-04", "--routines", "--output", target, folder)
        check(r.returncode == 2 and "データフォルダ" in r.stderr.decode(), f"output onto {what}: refused")
    check(snapshot(folder) == before, "refused outputs: the data folder as it was")
    r = run("--from", "2026-01-04", "--output", os.path.join(folder, "export.ics"), folder)
    check(r.returncode == 0 and os.path.exists(os.path.join(folder, "export.ics")), "another name in the folder: written")
    # A link at the output's name is replaced, never written through; the
    # new file keeps the old one's mode, and no temporary is left.
    victim = os.path.join(work, "victim")
    write(victim, b"another program's file")
    os.symlink(victim, os.path.join(work, "linked.ics"))
    r = run("--from", "2026-01-05", "--to", "2026-01-05", "--output", os.path.join(work, "linked.ics"), folder)
    check(r.returncode == 0 and read(victim) == b"another program's file" and
          not os.path.islink(os.path.join(work, "linked.ics")) and b"20260105-pad1@plandor" in read(os.path.join(work, "linked.ics")),
          "a link at the output's name replaced, its target untouched")
    os.chmod(os.path.join(work, "linked.ics"), 0o640)
    run("--from", "2026-01-05", "--to", "2026-01-05", "--output", os.path.join(work, "linked.ics"), folder)
    check(stat.S_IMODE(os.stat(os.path.join(work, "linked.ics")).st_mode) == 0o640 and
          not any(".plandor-ics-" in n for n in os.listdir(work)), "mode kept, no temporary left")
finally:
    shutil.rmtree(work, ignore_errors=True)

sys.exit(1 if failures else 0)
