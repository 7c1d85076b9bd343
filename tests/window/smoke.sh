#!/usr/bin/env bash
# Starts each program on its simulated printers under a real X server, waits for its rows and keeps a
# picture of its window: smoke.sh PRINTER_FLASHER SERIAL_SWITCHER OUTPUT_DIR
set -euo pipefail
flasher="$1"
switcher="$2"
out="$3"
mkdir -p "$out"

status=0
for program in "$flasher" "$switcher"; do
    name="$(basename "$program")"
    picture="$out/$name.png"
    rm -f "$picture"
    # -a picks a free display number; the program quits by itself once the picture is saved.
    if ! timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" \
            env -u QT_QPA_PLATFORM LANG=C.UTF-8 "$program" --simulate --screenshot "$picture" \
            >"$out/$name.log" 2>&1; then
        echo "FAIL: $name did not show its printers (log: $out/$name.log)"
        status=1
        continue
    fi
    if [ ! -s "$picture" ]; then
        echo "FAIL: $name saved no picture"
        status=1
        continue
    fi
    echo "PASS: $name -> $picture"
done
exit $status
