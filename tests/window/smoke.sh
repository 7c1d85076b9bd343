#!/usr/bin/env bash
# Starts each program on its simulated printers under a real X server, waits for its rows and keeps a
# picture of its window, once in English and once in German: smoke.sh PRINTER_FLASHER SERIAL_SWITCHER
# OUTPUT_DIR. The pictures are OUTPUT_DIR/<program>.png and OUTPUT_DIR/<program>-de.png.
set -euo pipefail
flasher="$1"
switcher="$2"
out="$3"
mkdir -p "$out"

# The program follows the locale Qt reads from the environment; that needs no generated system
# locale, so German works on a fresh machine too. Settings that would override LANG are dropped.
run() {
    local program="$1" lang="$2" picture="$3" log="$4"
    # -a picks a free display number; the program quits by itself once the picture is saved.
    timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" \
        env -u QT_QPA_PLATFORM -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$lang" \
        "$program" --simulate --simulate-pace=instant --screenshot "$picture" >"$log" 2>&1
}

status=0
for program in "$flasher" "$switcher"; do
    name="$(basename "$program")"
    english="$out/$name.png"
    german="$out/$name-de.png"
    rm -f "$english" "$german"
    ok=1
    if ! run "$program" C.UTF-8 "$english" "$out/$name.log"; then
        echo "FAIL: $name did not show its printers (log: $out/$name.log)"
        ok=0
    fi
    if ! run "$program" de_DE.UTF-8 "$german" "$out/$name-de.log"; then
        echo "FAIL: $name in German did not show its printers (log: $out/$name-de.log)"
        ok=0
    fi
    for picture in "$english" "$german"; do
        if [ ! -s "$picture" ]; then
            echo "FAIL: $name saved no picture $picture"
            ok=0
        fi
    done
    # Same printers, other language: the two pictures cannot be the same.
    if [ $ok -eq 1 ] && cmp -s "$english" "$german"; then
        echo "FAIL: $name shows the same window in German as in English"
        ok=0
    fi
    if [ $ok -eq 1 ]; then
        echo "PASS: $name -> $english $german"
    else
        status=1
    fi
done
exit $status
