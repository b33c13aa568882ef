#!/usr/bin/env bash
# Builds the Debian package from this build tree, unpacks it into a
# temporary root and checks that the installed viewer is complete: program,
# libraries found through its own folder, skins, sounds, desktop entry, icon.
set -euo pipefail
build=${1:?build dir}
work=$(mktemp -d /tmp/kelvo-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$build"
cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pkg/*.deb)
info=$(dpkg-deb --info "$deb")
grep -q "Package: kelvoview" <<<"$info"
grep -Eq "Depends:.*libsdl2-2.0-0" <<<"$info" || { echo "no library dependencies"; exit 1; }
dpkg -x "$deb" "$work/root"
root=$work/root/usr
fail=0
need() { [ -e "$1" ] || { echo "missing: ${1#$work/root}"; fail=1; }; }
need "$root/lib/kelvoview/KelvoView"
need "$root/lib/kelvoview/libKelvoNetwork.so"
need "$root/lib/kelvoview/libTamvox.so"
need "$root/lib/kelvoview/skin/MainForm.xml"
need "$root/lib/kelvoview/skin/img/logo.png"
need "$root/lib/kelvoview/wav/snap.wav"
need "$root/include/kelvoview/KelvoNetwork.h"
need "$root/share/applications/kelvoview.desktop"
need "$root/share/icons/hicolor/256x256/apps/kelvoview.png"
[ "$(readlink "$root/bin/kelvoview")" = "../lib/kelvoview/KelvoView" ] || { echo "bad /usr/bin/kelvoview link"; fail=1; }
grep -q "^Exec=kelvoview" "$root/share/applications/kelvoview.desktop" || { echo "desktop entry does not start the link"; fail=1; }
# The program finds its libraries in its own folder, not in the build tree.
if ldd "$root/lib/kelvoview/KelvoView" | grep -E "libKelvoNetwork|not found" | grep -v "$root/lib/kelvoview/" ; then
  echo "libraries not resolved inside the installed folder"; fail=1
fi
exit $fail
