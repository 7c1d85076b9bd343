#!/usr/bin/env bash
# install-deb.sh BUILD_DIR: build the Debian package with cpack, let lintian judge it (no errors), unpack
# it into a scratch root and run the unpacked programs from there.
source "$(dirname "$0")/common.sh"
build="$1"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made ${#debs[@]} packages: ${debs[*]}"
deb="${debs[0]}"

# The runtime libraries' packages, never their -dev packages, and what the programs load at run time.
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6core6 libqt6widgets6 libusb-1.0-0 libssl3 qt6-qpa-plugins libqt6sql6-sqlite; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
! grep -q -- '-dev\b' <<<"$depends" || fail "Depends names a -dev package: $depends"

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' || true
    lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"
fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
for p in printer-flasher serial-switcher; do
    version="$(run_isolated "$root/usr/bin/$p" --version)" || fail "$p --version failed"
    [[ "$version" == "$p "[0-9]* ]] || fail "$p --version says: $version"
    run_isolated env QT_QPA_PLATFORM=offscreen "$root/usr/bin/$p" --list --simulate=hvc --simulate-pace=instant \
        --json >"$work/list.json" ||
        fail "$p --list failed: $(cat "$work/list.json")"
    python3 -c 'import json,sys; sys.exit(0 if len(json.load(open(sys.argv[1]))["printers"]) == 1 else 1)' \
        "$work/list.json" || fail "$p --list does not list the one printer: $(cat "$work/list.json")"
    # The window on a real X server (the package's platform plugin), not Qt's offscreen one.
    rm -f "$work/shot.png"
    run_isolated env -u QT_QPA_PLATFORM xvfb-run -a "$root/usr/bin/$p" --simulate --simulate-pace=instant --screenshot "$work/shot.png" \
        >"$work/shot.log" 2>&1 || fail "$p --screenshot failed: $(cat "$work/shot.log")"
    [ "$(head -c 8 "$work/shot.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "$p --screenshot saved no PNG picture"
done
echo "install.deb: $(basename "$deb") passes lintian and runs unpacked"
