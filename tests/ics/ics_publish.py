#!/usr/bin/env python3
"""plandor-ics --publish against a real CalDAV server (Radicale, started here
on 127.0.0.1 with a password file), whose calendar already holds an event of
someone else: a publish, a pad removed (the pads after it renumbered), a
second publish, then an unchanged one that must send nothing. The server's
own files are read back with an independent iCalendar reader. Then the
password from ~/.netrc, a wrong password, and a publish that fails half-way
and is completed by the next one."""
import base64
import datetime
import hashlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
import warnings

warnings.simplefilter("error")
try:
    import icalendar
    import radicale  # noqa: F401
except ImportError as e:
    print(f"SKIP: {e.name} missing (python3-icalendar, radicale)", file=sys.stderr)
    sys.exit(77)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from plandor_files import day_file, day_path, pad, routine, write  # noqa: E402

EXE = sys.argv[1]
PASSWORD = "pw-s3cret-\u30d1\u30b9"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def request(method, url, body=None, headers=None, password=PASSWORD):
    auth = base64.b64encode(f"u:{password}".encode()).decode()
    req = urllib.request.Request(url, data=body, method=method,
                                 headers={"Authorization": "Basic " + auth, **(headers or {})})
    try:
        with urllib.request.urlopen(req, timeout=10) as r:
            return r.status
    except urllib.error.HTTPError as e:
        return e.code


def stored(collection_dir):
    """UID -> (file name, component, sha256 of the bytes, mtime) of each stored object."""
    out = {}
    for name in sorted(os.listdir(collection_dir)):
        if name.startswith(".") or not name.endswith(".ics"):
            continue
        path = os.path.join(collection_dir, name)
        with open(path, "rb") as f:
            raw = f.read()
        cal = icalendar.Calendar.from_ical(raw)
        comp = next(c for c in cal.walk() if c.name in ("VEVENT", "VJOURNAL"))
        out[str(comp["UID"])] = (name, comp, hashlib.sha256(raw).hexdigest(), os.stat(path).st_mtime_ns)
    return out


def foreign_event(uid, summary):
    return (f"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//someone//EN\r\nBEGIN:VEVENT\r\nUID:{uid}\r\n"
            f"DTSTAMP:20260101T000000Z\r\nDTSTART:20260105T090000\r\nDTEND:20260105T100000\r\n"
            f"SUMMARY:{summary}\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n").encode()


work = tempfile.mkdtemp(prefix="plandor-ics-publish.")
server = None
try:
    store = os.path.join(work, "radicale")
    htpasswd = os.path.join(work, "users")
    with open(htpasswd, "w", encoding="utf-8") as f:
        f.write(f"u:{PASSWORD}\n")
    port = free_port()
    log = open(os.path.join(work, "radicale.log"), "w")
    server = subprocess.Popen(
        ["/usr/bin/python3", "-m", "radicale", "--storage-filesystem-folder=" + store,
         f"--server-hosts=127.0.0.1:{port}", "--auth-type=htpasswd", "--auth-htpasswd-filename=" + htpasswd,
         "--auth-htpasswd-encryption=plain", "--logging-level=info"],
        stdout=log, stderr=subprocess.STDOUT)
    base = f"http://127.0.0.1:{port}"
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            break
        except OSError:
            time.sleep(0.1)
    url = base + "/u/plan/"
    check(request("MKCALENDAR", url) == 201, "calendar made")
    check(request("PUT", url + "foreign.ics", foreign_event("foreign-1@example.org", "他人の予定"),
                  {"Content-Type": "text/calendar"}) == 201, "foreign event stored")
    collection = os.path.join(store, "collection-root", "u", "plan")
    foreign_before = stored(collection)["foreign-1@example.org"]

    folder = os.path.join(work, "prog")
    monday = datetime.date(2026, 1, 5)
    pads = [pad(1, (9, 0, 0), (10, 0, 0), "会議", "週次", "資料は\\なし"),
            pad(2, (1, 0, 1), (2, 0, 1), "昼食"),
            pad(3, (11, 0, 1), (0, 0, 0), "夜の作業")]
    write(day_path(folder, monday), day_file(pads, ("日記", "よい日", "", "")))
    write(os.path.join(folder, "Routines.rdf"),
          routine(1, (7, 0, 0), (7, 30, 0), "体操", [1, 2, 3, 4, 5]) + bytes(400 * 7))
    # A home of its own: no ~/.netrc of the user's.
    env = dict(os.environ, PLANDOR_CALDAV_PASSWORD=PASSWORD, HOME=os.path.join(work, "home"))
    os.makedirs(env["HOME"])

    def publish(*extra, env=env, target=url, user="u"):
        r = subprocess.run([EXE, "--publish", target, *(["--user", user] if user else []),
                            "--from", "2026-01-04", "--to", "2026-01-10", "--routines", *extra, folder],
                           capture_output=True, env=env, timeout=60, start_new_session=True)
        out, err = r.stdout.decode(), r.stderr.decode()
        check(PASSWORD not in out + err and "s3cret" not in out + err, "the password is never printed")
        return r.returncode, out, err

    def planner_summaries():
        return {u: str(c.get("SUMMARY")) for u, (_, c, _, _) in stored(collection).items()}

    rc, out, err = publish()
    check(rc == 0 and "新規 8, 更新 0, 削除 0, 変更なし 0" in out, f"first publish (got {rc}: {out} {err})")
    check(planner_summaries() == {
        "foreign-1@example.org": "他人の予定",
        "20260105-pad1@plandor": "会議", "20260105-pad2@plandor": "昼食", "20260105-pad3@plandor": "夜の作業",
        "20260105-diary@plandor": "日記",
        # No day file on these dates: the routine as routine display lays it.
        "20260106-routine1@plandor": "体操", "20260107-routine1@plandor": "体操",
        "20260108-routine1@plandor": "体操", "20260109-routine1@plandor": "体操",
    }, f"the planner's events and the foreign one (got {planner_summaries()})")
    held = stored(collection)
    e3 = held["20260105-pad3@plandor"][1]
    check((e3["DTSTART"].dt, e3["DTEND"].dt) ==
          (datetime.datetime(2026, 1, 5, 23, 0), datetime.datetime(2026, 1, 6, 0, 0)), "pad ending at midnight")
    check(str(held["20260105-pad1@plandor"][1]["DESCRIPTION"]) == "週次\n資料は¥なし", "texts as the user saw them")

    # Pad 1 removed: the others move up to slots 1 and 2 (renumbered); a text
    # ending in a blank, which a reader of the server's copy drops.
    write(day_path(folder, monday), day_file([pad(1, (1, 0, 1), (2, 0, 1), "昼食", "弁当 "),
                                              pad(2, (11, 0, 1), (0, 0, 0), "夜の作業")], ("日記", "よい日", "", "")))
    rc, out, err = publish()
    check(rc == 0 and "新規 0, 更新 2, 削除 1, 変更なし 5" in out, f"second publish (got {rc}: {out} {err})")
    now = planner_summaries()
    check({u: s for u, s in now.items() if "-pad" in u} ==
          {"20260105-pad1@plandor": "昼食", "20260105-pad2@plandor": "夜の作業"},
          f"exactly the remaining pads, no stale one (got {now})")
    check(len(now) == 8 and stored(collection)["foreign-1@example.org"][2:] == foreign_before[2:],
          "the foreign event untouched")

    # Unchanged: nothing is sent, nothing on the server changes.
    before = stored(collection)
    log.flush()
    log_size = os.path.getsize(os.path.join(work, "radicale.log"))
    rc, out, err = publish()
    check(rc == 0 and "新規 0, 更新 0, 削除 0, 変更なし 7" in out, f"unchanged publish (got {rc}: {out} {err})")
    check({u: v[2:] for u, v in stored(collection).items()} == {u: v[2:] for u, v in before.items()},
          "unchanged publish leaves every stored file as it was")
    with open(os.path.join(work, "radicale.log"), encoding="utf-8", errors="replace") as f:
        f.seek(log_size)
        later = f.read()
    check("PUT" not in later and "DELETE" not in later, "unchanged publish sends no PUT or DELETE")

    def log_since(size):
        log.flush()
        with open(os.path.join(work, "radicale.log"), encoding="utf-8", errors="replace") as f:
            f.seek(size)
            return f.read()

    def log_size():
        log.flush()
        return os.path.getsize(os.path.join(work, "radicale.log"))

    def comparable(comp):
        """An event as a reader sees it, without what each write stamps."""
        return sorted((k, comp[k].to_ical() if hasattr(comp[k], "to_ical") else str(comp[k]))
                      for k in comp if k not in ("DTSTAMP", "SEQUENCE", "LAST-MODIFIED", "CREATED")) + \
            [sub.to_ical() for sub in comp.subcomponents]

    def edited(uid, change):
        """PUTs the server's copy of `uid`, changed by `change` (text -> text), as another client would."""
        name, _, _, _ = stored(collection)[uid]
        with open(os.path.join(collection, name), encoding="utf-8") as f:
            text = f.read()
        return request("PUT", url + name, change(text).encode(), {"Content-Type": "text/calendar"})

    def set_line(key, value):
        def change(text):
            lines = [l for l in text.split("\n") if not l.startswith(key + ":") and not l.startswith(key + ";")]
            at = next(i for i, l in enumerate(lines) if l in ("END:VEVENT", "END:VJOURNAL"))
            return "\n".join(lines[:at] + [f"{key}:{value}"] + lines[at:])
        return change

    def drop_line(key):
        return lambda text: "\n".join(l for l in text.split("\n") if not l.startswith(key + ":"))

    # Edits made in another calendar: each is put back by the next publish,
    # read back by an independent reader as the planner has it, and a second
    # publish sends nothing.
    reference = {u: comparable(c) for u, (_, c, _, _) in stored(collection).items()}
    alarm = "BEGIN:VALARM\nACTION:DISPLAY\nDESCRIPTION:x\nTRIGGER:-PT15M\nEND:VALARM"
    stray = foreign_event("20260106-pad7@plandor", "消えたパッド").replace(b"20260105T", b"20260301T")
    for what, uid, change, counts in [
        ("moved to another date", "20260105-pad1@plandor",
         lambda t: set_line("DTEND", "20260110T140000")(set_line("DTSTART", "20260110T130000")(t)), "更新 1, 削除 0"),
        ("a repeat rule, status, place and alarm added", "20260105-pad2@plandor",
         lambda t: set_line("LOCATION", "会議室")(set_line("STATUS", "CANCELLED")(set_line("RRULE", "FREQ=DAILY;COUNT=5")(t)))
         .replace("END:VEVENT", alarm + "\nEND:VEVENT"), "更新 1, 削除 0"),
        ("the date mark lost", "20260107-routine1@plandor", drop_line("X-PLANDOR-DATE"), "更新 1, 削除 0"),
        ("a text changed", "20260105-diary@plandor", set_line("SUMMARY", "別の題"), "更新 1, 削除 0"),
        ("only stamps and order changed", "20260105-pad1@plandor",
         lambda t: set_line("SEQUENCE", "3")(set_line("DTSTAMP", "20300101T000000Z")(t)), "更新 0, 削除 0"),
        # One of ours, of a date of the range the planner does not have, with
        # its mark gone and placed months away: the UID says whose it is.
        ("an own UID the planner no longer has", None, stray, "更新 0, 削除 1"),
    ]:
        if uid:
            check(edited(uid, change) in (201, 204), f"{what}: edited on the server")
        else:
            check(request("PUT", url + "stray.ics", change, {"Content-Type": "text/calendar"}) == 201, f"{what}: stored")
        rc, out, err = publish()
        check(rc == 0 and f"新規 0, {counts}" in out, f"{what}: put back (got {rc}: {out} {err})")
        back = {u: comparable(c) for u, (_, c, _, _) in stored(collection).items()}
        check(back == reference, f"{what}: the server holds the planner's events again "
              f"(differs: {sorted(u for u in set(back) | set(reference) if back.get(u) != reference.get(u))})")
        size = log_size()
        rc, out, err = publish()
        later = log_since(size)
        check(rc == 0 and "新規 0, 更新 0, 削除 0, 変更なし 7" in out and "PUT" not in later and "DELETE" not in later,
              f"{what}: the next publish sends nothing (got {rc}: {out} {err})")

    # Targets that are not a calendar: told what they are, nothing written.
    import http.server
    import threading

    class NotDav(http.server.BaseHTTPRequestHandler):
        def do_PROPFIND(self):
            if self.path.startswith("/moved"):
                self.send_response(301)
                self.send_header("Location", "https://cal.example.org/u/plan/")
                self.send_header("Content-Length", "0")
                self.end_headers()
            else:
                body = b"<html>hello</html>"
                self.send_response(200)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

        def log_message(self, *args):
            pass

    plain = http.server.HTTPServer(("127.0.0.1", 0), NotDav)
    threading.Thread(target=plain.serve_forever, daemon=True).start()
    plain_base = f"http://127.0.0.1:{plain.server_address[1]}"
    tree_before = sorted(os.walk(os.path.join(store, "collection-root")))
    for target, said in [
        (base + "/u/", "はカレンダーではありません。サーバーのカレンダーの URL を指定してください。この URL はユーザーのフォルダです。"),
        (base + "/", "この URL はカレンダーでない WebDAV のフォルダです。"),
        (url + "foreign.ics", "この URL はフォルダでなく、一つのファイルです。"),
        (plain_base + "/calendar/", "この URL は WebDAV を話さない HTTP サーバー (HTTP 200) です。"),
        (plain_base + "/moved/", "HTTP 301 (転送先 https://cal.example.org/u/plan/)"),
    ]:
        size = log_size()
        rc, out, err = publish(target=target)
        check(rc == 1 and said in err and "何も送っていません" in err and "PUT" not in log_since(size),
              f"target {target}: refused, saying {said} (got {rc}: {err})")
    plain.shutdown()
    check(sorted(os.walk(os.path.join(store, "collection-root"))) == tree_before, "refused targets: nothing made")

    # Passwords only where they belong, and said before any request when
    # there is none; the refused user is named.
    netrc = os.path.join(env["HOME"], ".netrc")
    no_pw = {k: v for k, v in env.items() if k != "PLANDOR_CALDAV_PASSWORD"}
    for what, text, mode, run_env, user, code, said in [
        ("another login's password", f"machine 127.0.0.1 login u password {PASSWORD}\n", 0o600, no_pw, "v", 1,
         'ユーザー "v" のパスワードがありません'),
        ("a default entry over plain http", f"default login u password {PASSWORD}\n", 0o600, no_pw, "u", 1,
         'ユーザー "u" のパスワードがありません'),
        ("a .netrc others can read", f"machine 127.0.0.1 login u password {PASSWORD}\n", 0o644, no_pw, "u", 1,
         "chmod 600 " + netrc),
        ("the password without a user", "", 0o600, env, None, 2, "--user"),
        ("a wrong password", "", 0o600, dict(env, PLANDOR_CALDAV_PASSWORD="wrong"), "u", 1, 'ユーザー "u" は受け付けられませんでした'),
        ("the entry of this machine and login among others",
         f"machine example.org login u password x\nmachine 127.0.0.1 login v password y\n"
         f"machine 127.0.0.1\n  login u\n  password \"{PASSWORD}\"\n", 0o600, no_pw, "u", 0, ""),
    ]:
        with open(netrc, "w", encoding="utf-8") as f:
            f.write(text)
        os.chmod(netrc, mode)
        size = log_size()
        rc, out, err = publish(env=run_env, user=user)
        later = log_since(size)
        check(rc == code and said in err, f"{what}: exit {code}, saying {said} (got {rc}: {out} {err})")
        if code != 0:
            check(PASSWORD not in later and ("request" not in later.lower() or "401" in err),
                  f"{what}: no request sent (got {later})")

    # The password from ~/.netrc; a wrong one changes nothing and says so.
    no_pw = {k: v for k, v in env.items() if k != "PLANDOR_CALDAV_PASSWORD"}
    with open(os.path.join(env["HOME"], ".netrc"), "w", encoding="utf-8") as f:
        f.write(f"machine 127.0.0.1 login u password {PASSWORD}\n")
    os.chmod(os.path.join(env["HOME"], ".netrc"), 0o600)
    rc, out, err = publish(env=no_pw)
    check(rc == 0 and "変更なし 7" in out, f"password from ~/.netrc (got {rc}: {out} {err})")
    wrong = dict(env, PLANDOR_CALDAV_PASSWORD="wrong")
    rc, out, err = publish(env=wrong)
    check(rc == 1 and "401" in err and "何も送っていません" in err, f"wrong password refused (got {rc}: {err})")

    # Half-way: another resource sits where pad 3's would be created, so
    # that one creation fails; the rest is done, the failure named, and the
    # next publish, once the way is clear, completes it.
    write(day_path(folder, monday), day_file([pad(1, (1, 0, 1), (2, 0, 1), "昼食", "弁当 "),
                                              pad(2, (11, 0, 1), (0, 0, 0), "夜の作業"),
                                              pad(3, (3, 0, 1), (4, 0, 1), "追加")], ("日記", "よい日 2", "", "")))
    check(request("PUT", url + "20260105-pad3-plandor.ics", foreign_event("blocker@example.org", "邪魔"),
                  {"Content-Type": "text/calendar"}) == 201, "blocker stored")
    rc, out, err = publish()
    check(rc == 1 and "新規 0, 更新 1" in out and "20260105-pad3@plandor" in err and "412" in err
          and "新規 1, 更新 0, 削除 0" in err, f"half-way failure reported (got {rc}: {out} {err})")
    check(str(stored(collection)["20260105-diary@plandor"][1]["DESCRIPTION"]) == "日記\nよい日 2",
          "the rest was done")
    check(request("DELETE", url + "20260105-pad3-plandor.ics") == 200, "blocker removed")
    rc, out, err = publish()
    check(rc == 0 and "新規 1, 更新 0, 削除 0, 変更なし 7" in out, f"next publish completes it (got {rc}: {out} {err})")
    check(planner_summaries().get("20260105-pad3@plandor") == "追加", "pad 3 published")

    # A routine hidden since: its events in the range go.
    write(os.path.join(folder, "Routines.rdf"),
          routine(1, (7, 0, 0), (7, 30, 0), "体操", [1, 2, 3, 4, 5], show=0) + bytes(400 * 7))
    rc, out, err = publish()
    check(rc == 0 and "新規 0, 更新 0, 削除 4, 変更なし 4" in out, f"hidden routine removed (got {rc}: {out} {err})")
    check(not any("-routine" in u for u in planner_summaries()) and "foreign-1@example.org" in planner_summaries(),
          "no routine event left, the foreign one kept")

    # A collection that is not there: nothing sent, a failure.
    rc, out, err = publish(target=base + "/u/missing/")
    check(rc == 1 and "何も送っていません" in err, f"missing calendar (got {rc}: {err})")

    # HTTPS with a certificate the system does not trust: refused before
    # anything is sent (the password included).
    cert, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
    made = subprocess.run([shutil.which("openssl") or "false", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                           "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                           "-keyout", key, "-out", cert], capture_output=True)
    check(made.returncode == 0, "test certificate made (openssl)")
    if made.returncode == 0:
        tls_port = free_port()
        tls = subprocess.Popen(
            ["/usr/bin/python3", "-m", "radicale", "--storage-filesystem-folder=" + store,
             f"--server-hosts=127.0.0.1:{tls_port}", "--auth-type=htpasswd",
             "--auth-htpasswd-filename=" + htpasswd, "--auth-htpasswd-encryption=plain", "--logging-level=info",
             "--server-ssl", "--server-certificate=" + cert, "--server-key=" + key],
            stdout=log, stderr=subprocess.STDOUT)
        try:
            for _ in range(100):
                try:
                    socket.create_connection(("127.0.0.1", tls_port), timeout=0.2).close()
                    break
                except OSError:
                    time.sleep(0.1)
            log.flush()
            log_size = os.path.getsize(os.path.join(work, "radicale.log"))
            rc, out, err = publish(target=f"https://127.0.0.1:{tls_port}/u/plan/")
            check(rc == 1 and "何も送っていません" in err and "certificate" in err.lower(),
                  f"untrusted certificate refused (got {rc}: {err})")
            with open(os.path.join(work, "radicale.log"), encoding="utf-8", errors="replace") as f:
                f.seek(log_size)
                check("REPORT" not in f.read(), "no request reached the server")
        finally:
            tls.terminate()
            tls.wait(timeout=10)
finally:
    if server:
        server.terminate()
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
    shutil.rmtree(work, ignore_errors=True)

sys.exit(1 if failures else 0)
