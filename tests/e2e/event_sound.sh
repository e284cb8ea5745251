#!/usr/bin/env bash
# The event sound with a sound server: 保存 plays Shutter.wav through it as
# an event sound of the program; when the desktop switches event sounds off
# (XSETTINGS Net/EnableEventSounds 0) nothing reaches the server; a file
# that is no sound is reported; a FIFO in the sound's place neither plays
# nor holds up the window.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
for tool in pulseaudio pactl xsettingsd; do
  command -v "$tool" >/dev/null || e2e_skip "missing tool: $tool"
done

# A private server with a null sink, reached through $XDG_RUNTIME_DIR.
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr -L module-null-sink \
  -L module-native-protocol-unix 2>"$E2E_WORK/pulse.log" &
pulse=$!
_server() { pactl info >/dev/null 2>&1; }
e2e_wait_until 10 _server || { kill "$pulse"; e2e_fail "the sound server did not start"; }
trap 'kill "$pulse" 2>/dev/null; e2e_cleanup' EXIT

_streams() { pactl list sink-inputs | grep -c 'application.name = "プランドール"' || true; }
_client() { pactl list clients | grep -c 'application.name = "プランドール"' || true; }
# An event sound, which the desktop's volume for alerts governs.
_playing() { pactl list sink-inputs | grep -q 'media.role = "event"' && [[ $(_streams) -gt 0 ]]; }

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
day=$prog/Y200601/Y2006011.sdf
e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_click_save
e2e_wait_file "$day" 10728
e2e_wait_until 10 _playing || e2e_fail "保存 played no sound through the server"
e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC after a sound"

# The desktop's switch off: the program never even connects.
printf 'Net/EnableEventSounds 0\n' >"$E2E_WORK/xsettings"
xsettingsd -c "$E2E_WORK/xsettings" 2>"$E2E_WORK/xsettingsd.log" &
xsettings=$!
trap 'kill "$pulse" "$xsettings" 2>/dev/null; e2e_cleanup' EXIT
# xsettingsd serves once it owns the screen's settings selection.
_serving() {
  $E2E_PYTHON - <<'PY'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(None)
sys.exit(0 if d and x.XGetSelectionOwner(d, x.XInternAtom(d, b"_XSETTINGS_S0", 0)) else 1)
PY
}
e2e_wait_until 5 _serving || e2e_fail "xsettingsd did not take the settings selection"
e2e_age "$day"
stamp=$(e2e_stamp "$day")
e2e_start "$prog" "2006-01-01 09:00:00"   # today's file is there: the start plays the sound
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_click_save
e2e_wait_rewritten "$day" "$stamp"
e2e_wait_idle "$pid"  # the save's sound asked for and refused
[[ $(_client) -eq 0 ]] || e2e_fail "a sound reached the server with event sounds switched off"
e2e_click_exit
e2e_wait_exit "$pid"
kill "$xsettings"
wait "$xsettings" 2>/dev/null || true

# A Shutter.wav that is no sound: the box says it cannot be played.
printf 'not a sound' >"$prog/Shutter.wav"
e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
_box() { [[ $(e2e_window_count) -ge 2 ]]; }
e2e_wait_until 10 _box || e2e_fail "no box for a sound file that cannot be played"
xdotool key Return
e2e_wait_until 5 eval '[[ $(e2e_window_count) -eq 1 ]]' || e2e_fail "the box stayed after Return"
e2e_click_exit
e2e_wait_exit "$pid"

# A FIFO named Shutter.wav: nobody writes to it, and opening it to read
# would wait for ever. The start's sound is refused (a box may say so, which
# Return closes), and the window and its end are not held up.
rm "$prog/Shutter.wav"
mkfifo "$prog/Shutter.wav"
e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_wait_idle "$pid"  # the start's sound asked for
e2e_alive "$pid" || e2e_fail "a FIFO in the sound's place stopped the start"
[[ $(_streams) -eq 0 ]] || e2e_fail "a FIFO was played"
xdotool key Return
e2e_wait_until 5 eval '[[ $(e2e_window_count) -eq 1 ]]' || e2e_fail "the box stayed after Return"
e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC with a FIFO in the sound's place"
e2e_pass
