#!/usr/bin/env bash
# Set-up, build, and then run the planner or every test.
#   tools/dev.sh run    install what is missing, build, start the planner
#   tools/dev.sh test   install what is missing, build, run every test
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PLANDOR_BUILD_DIR:-$here/build}

# What building and running the planner need.
packages=(cmake make g++ pkg-config qt6-base-dev libgl-dev qt6-translations-l10n fonts-ipafont-gothic
  libpulse-dev libxcb1-dev libical-dev libcurl4-openssl-dev libexpat1-dev)
# What the tests add: a display and its tools, sound, odd file systems, the
# CalDAV server and notification daemon, sanitizers and fuzzers, a window manager.
if [ "${1:-run}" = test ]; then
  packages+=(xvfb xauth xdotool x11-utils x11-apps imagemagick sox faketime python3 libx11-dev
    pulseaudio pulseaudio-utils xsettingsd dosfstools fusefat desktop-file-utils appstream
    python3-icalendar valgrind strace radicale openssl dbus dunst libnotify-bin openbox
    clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${PLANDOR_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"

case "${1:-run}" in
  run) exec "$build/bin/plandor" ;;
  test) ctest --test-dir "$build" --output-on-failure ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
