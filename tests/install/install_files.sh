#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands there.
set -euo pipefail
build=${1:?usage: $0 BUILD_FOLDER}
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: missing tool: $tool (desktop-file-utils, appstream)" >&2; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/plandor-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "install"; }
# Twice: a second install over the first must work (the link is replaced).
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "reinstall"; }

own=$prefix/lib/plandor
for f in plandor plandor-sound.so Shutter.wav PLANDOR.HLP; do
  [[ -f $own/$f ]] || fail "$own/$f missing"
  cmp -s "$own/$f" "$build/bin/$f" || [[ $f == plandor || $f == plandor-sound.so ]] || fail "$f differs from the build's"
done
[[ -x $own/plandor ]] || fail "$own/plandor is not executable"
# The marker that makes the installed copy keep its data in the user's folder.
[[ -f $own/plandor-installed ]] || fail "no install marker beside the program"
[[ ! -e $build/bin/plandor-installed ]] || fail "the build's own program folder carries the install marker"
# The command is a relative link, so the prefix can move (DESTDIR, packages).
[[ -L $prefix/bin/plandor && $(readlink "$prefix/bin/plandor") == ../lib/plandor/plandor ]] ||
  fail "bin/plandor is not the link ../lib/plandor/plandor"
[[ $(realpath "$prefix/bin/plandor") == "$(realpath "$own/plandor")" ]] || fail "bin/plandor does not lead to the program"
[[ -x $own/plandor-ics && $(readlink "$prefix/bin/plandor-ics") == ../lib/plandor/plandor-ics ]] ||
  fail "plandor-ics is not installed beside plandor with its bin link"

# plandor-remind beside the planner, started at login by its autostart entry.
remind=$prefix/etc/xdg/autostart/org.plandor.Remind.desktop
[[ -x $own/plandor-remind ]] || fail "plandor-remind is not installed beside plandor"
desktop-file-validate "$remind" || fail "desktop-file-validate (autostart)"
grep -qx "Exec=\"$own/plandor-remind\"" "$remind" || fail "the autostart entry does not start $own/plandor-remind"
grep -qx 'NoDisplay=true' "$remind" || fail "the autostart entry shows in menus"

desktop=$prefix/share/applications/org.plandor.Plandor.desktop
metainfo=$prefix/share/metainfo/org.plandor.Plandor.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -qx 'Name\[ja\]=プランドール' "$desktop" || fail "no Japanese name"
grep -qx 'Categories=Office;Calendar;' "$desktop" || fail "categories"
grep -q '^Comment\[ja\]=.' "$desktop" || fail "no Japanese comment"
# Software centres list the version and show a picture.
grep -q '<release version="[0-9.]*" date="[0-9]\{4\}-[0-9]\{2\}-[0-9]\{2\}"' "$metainfo" || fail "no release entry"
grep -q '<screenshot type="default">' "$metainfo" && grep -q '<image[^>]*>https://' "$metainfo" || fail "no screenshot entry"

icons=$prefix/share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/plandor.svg" || fail "no scalable icon"
for s in 16 22 24 32 48 64 128 256; do
  png=$icons/${s}x${s}/apps/plandor.png
  [[ -f $png ]] || fail "$png missing"
  # PNG signature, then the IHDR width and height as big-endian words.
  [[ $(od -An -t x1 -N 8 "$png" | tr -d ' ') == 89504e470d0a1a0a ]] || fail "$png is not a PNG"
  dims=$(od -An -t u1 -j 16 -N 8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [[ $dims == "${s}x${s}" ]] || fail "$png is $dims"
done
echo "PASS install_files"
