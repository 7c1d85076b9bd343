#!/usr/bin/env bash
# install-tree.sh BUILD_DIR LRELEASE: `cmake --install` into a scratch prefix, then check what is there
# (files, modes, desktop entries, AppStream metadata, manual pages against the options) and that the
# installed programs find their package there rather than in the source tree.
source "$(dirname "$0")/common.sh"
build="$1"
lrelease="$2"
prefix="$work/usr"
cmake --install "$build" --prefix "$prefix" >/dev/null

programs=(printer-flasher serial-switcher)
ids=(org.printertools.PrinterFlasher org.printertools.SerialSwitcher)
units=(printer-flasher-metrics.service printer-flasher-metrics.timer printer-flasher-update-at-boot.service)
expected=(lib/udev/rules.d/60-printer-tools.rules share/doc/printer-tools/copyright
    share/doc/printer-tools/changelog.Debian.gz share/doc/printer-tools/fleets.md share/doc/printer-tools/captures.md
    share/printer-tools/wireshark/printer-tools.lua lib/sysusers.d/printer-tools.conf
    libexec/printer-tools/no-other-printer-flasher "${units[@]/#/lib/systemd/system/}")
for p in "${programs[@]}"; do
    expected+=("bin/$p" "share/man/man1/$p.1.gz" "share/$p/translations/printer-tools_de.qm"
        "share/$p/firmware/HVC_300_0100.cwd")
done
for id in "${ids[@]}"; do
    expected+=("share/applications/$id.desktop" "share/icons/hicolor/scalable/apps/$id.svg"
        "share/metainfo/$id.metainfo.xml")
done
for f in "${expected[@]}"; do [ -s "$prefix/$f" ] || fail "not installed: $f"; done

# Modes: the programs 0755, every other file 0644, every folder 0755; nothing group- or world-writable.
while IFS= read -r line; do
    mode="${line%% *}" path="${line#* }"
    case "$path" in
    "$prefix"/bin/* | "$prefix"/libexec/printer-tools/*) want=755 ;;
    *) want=644 ;;
    esac
    [ -d "$path" ] && want=755
    [ "$mode" = "$want" ] || fail "$path has mode $mode, not $want"
done < <(find "$prefix" -mindepth 1 -printf '%m %p\n')

for id in "${ids[@]}"; do
    desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "$id.desktop does not validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
        { cat "$work/appstream.log"; fail "$id.metainfo.xml does not validate"; }
done

# The fleet units, as systemd reads them, with the installed programs in place of /usr's: not a word
# from systemd-analyze verify.
mkdir "$work/units"
for unit in "${units[@]}"; do
    sed "s|/usr/bin/|$prefix/bin/|g; s|/usr/libexec/|$prefix/libexec/|g" "$prefix/lib/systemd/system/$unit" >"$work/units/$unit"
done
verified="$(systemd-analyze verify --man=no "$work"/units/* 2>&1)" || fail "systemd-analyze verify failed: $verified"
[ -z "$verified" ] || fail "systemd-analyze verify: $verified"

# Each manual page is gzip data and names every option its program's help lists.
for p in "${programs[@]}"; do
    page="$prefix/share/man/man1/$p.1.gz"
    gzip -t "$page" || fail "$p.1.gz is not gzip data"
    text="$(gzip -dc "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g')"
    options="$(run_isolated "$prefix/bin/$p" --help-all | grep -oE -- '--[a-z][a-z-]*' | sort -u)"
    [ -n "$options" ] || fail "$p --help-all lists no option"
    for option in $options; do
        grep -qF -- "$option" <<<"$text" || fail "the manual page of $p does not name $option"
    done
done

# The installed programs verify their packaged firmware; with a file taken away they report it
# missing, so the files read are the installed ones, not the source tree's.
for p in "${programs[@]}"; do
    run_isolated "$prefix/bin/$p" --verify-package --json >"$work/verify.json" ||
        fail "$p --verify-package failed: $(cat "$work/verify.json")"
    python3 -c 'import json,sys; sys.exit(0 if json.load(open(sys.argv[1]))["verified"] is True else 1)' \
        "$work/verify.json" || fail "$p --verify-package: not verified"
done
rm "$prefix/share/printer-flasher/firmware/HVC_300_0100.cwd"
if run_isolated "$prefix/bin/printer-flasher" --verify-package --json >"$work/verify.json"; then
    fail "printer-flasher verified a package with a file missing"
fi
grep -q '"missing"' "$work/verify.json" || fail "the missing file is not reported: $(cat "$work/verify.json")"

# An installed translation is preferred to the one compiled in: replace it and see its text.
cat >"$work/printer-tools_de.ts" <<'TS'
<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>TBPrinters</name>
    <message>
        <source>Printer Status</source>
        <translation>Druckerstatus (installiert)</translation>
    </message>
</context>
</TS>
TS
"$lrelease" -silent "$work/printer-tools_de.ts" -qm "$prefix/share/printer-flasher/translations/printer-tools_de.qm"
run_isolated env LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES= "$prefix/bin/printer-flasher" --simulate=hvc --simulate-pace=instant --list \
    >"$work/list.txt" 2>&1 || fail "printer-flasher --list failed: $(cat "$work/list.txt")"
grep -q 'Druckerstatus (installiert):' "$work/list.txt" ||
    fail "the installed translation is not used: $(cat "$work/list.txt")"
echo "install.tree: ${#expected[@]} files, modes, metadata, manual pages and the installed package checked"
