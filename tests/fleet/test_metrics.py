#!/usr/bin/env python3
"""printer-flasher --list --metrics while another printer-flasher updates one of the printers.

Two simulated HVC printers are kept in one folder; one run updates the first at the realistic pace
(about a minute, both restarts included) while a metrics run starts every second, as a textfile
collector's timer would. Every metrics run must pass `promtool check metrics`, carry each family with
the printers' labels, show the update under way from the first restart to the outcome, and only look:
no command that changes a printer, no update of its own in the record of updates under way. The
update must end as it would have alone.

Usage: test_metrics.py PRINTER_FLASHER
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

FLASHER = sys.argv[1]
PER_PRINTER = {"printer_flasher_printer_up", "printer_flasher_printer_info",
               "printer_flasher_printer_update_needed", "printer_flasher_printer_update_in_progress"}
LABELS = {"key", "serial_number", "model"}
# What only a run that changes a printer sends: the update's commands and the colour-table writes.
CHANGING = re.compile(r"sending printer command (FW_UPD\w*|TBL_W\w*|TBL_CL\w*)")
SERIES = re.compile(r'^(\w+)\{([^}]*)\} (\S+)$')

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def series(text):
    """{(family, key): [(labels, value)]} of the exposition's samples."""
    found = {}
    for line in text.splitlines():
        match = SERIES.match(line)
        if not match:
            continue
        labels = dict(re.findall(r'(\w+)="([^"]*)"', match.group(2)))
        found.setdefault((match.group(1), labels.get("key")), []).append((labels, float(match.group(3))))
    return found


def main():
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=home + "/data", XDG_STATE_HOME=home + "/state",
                   XDG_CONFIG_HOME=home + "/config")
        state = home + "/printers"
        base = [FLASHER, "--simulate-state=" + state]
        listed = json.loads(subprocess.run(base + ["--simulate=hvc,hvc", "--simulate-pace=instant", "--list", "--json"],
                                           env=env, capture_output=True, check=True, text=True).stdout)
        keys = [p["key"] for p in listed["printers"]]
        if not check(len(keys) == 2, "two printers listed: %r" % listed):
            return
        updated, idle = keys
        serials = {p["key"]: p["serialNumber"] for p in listed["printers"]}

        events = []
        updater = subprocess.Popen(base + ["--update", updated, "--yes", "--json"], env=env, text=True,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        reader = threading.Thread(target=lambda: events.extend((time.monotonic(), json.loads(line))
                                                               for line in updater.stdout))
        reader.start()
        snapshots = []  # (began, ended, exposition)
        n = 0
        while updater.poll() is None:
            n += 1
            log = "%s/metrics-%d.log" % (home, n)
            began = time.monotonic()
            run = subprocess.run(base + ["--list", "--metrics", "--log-file", log], env=env, capture_output=True,
                                 text=True, stdin=subprocess.DEVNULL, timeout=120)
            ended = time.monotonic()
            check(run.returncode == 0, "metrics run %d: exit %d\n%s" % (n, run.returncode, run.stderr))
            lint = subprocess.run(["promtool", "check", "metrics"], input=run.stdout, capture_output=True, text=True)
            check(lint.returncode == 0, "metrics run %d: promtool: %s%s" % (n, lint.stdout, lint.stderr))
            changing = CHANGING.findall(read(log))
            check(not changing, "metrics run %d sent %s" % (n, changing))
            owners = set(re.findall(r'"updateOwner"\s*:\s*"[^":]*:(\d+):', read(state + "/updates-under-way.json")))
            check(owners <= {str(updater.pid)}, "metrics run %d: the record's owners %r" % (n, owners))
            snapshots.append((began, ended, run.stdout, run.stderr))
            time.sleep(max(0.0, 1.0 - (ended - began)))
        reader.join()

        outcome = [e for _, e in events if e.get("event") == "outcome"]
        check(updater.returncode == 0 and outcome and outcome[-1]["result"] == "updated",
              "the update ends as alone: %r" % outcome)
        left = next((t for t, e in events if e.get("event") == "left"), None)
        done = next((t for t, e in events if e.get("event") == "outcome"), None)
        during = [s for s in snapshots if left and done and s[0] > left and s[1] < done]
        check(len(during) >= 10, "metrics runs while the printer was being updated: %d" % len(during))
        for began, _, text, err in during:
            found = series(text)
            for family in PER_PRINTER:
                for key in (updated, idle):
                    samples = found.get((family, key), [])
                    # The same labels all along: a printer's series never break during its update.
                    check(samples and LABELS <= set(samples[0][0]) and
                          samples[0][0]["serial_number"] == serials[key] and samples[0][0]["model"] == "HVC",
                          "%s of %s at %.1f s: %r" % (family, key, began - left, samples))
            progress = found.get(("printer_flasher_printer_update_in_progress", updated), [({}, 0)])
            check(progress[0][1] == 1, "the update under way shows at %.1f s:\n%s" % (began - left, text))
            check(found.get(("printer_flasher_printer_update_in_progress", idle), [({}, 1)])[0][1] == 0,
                  "the idle printer is not being updated")
            check(found.get(("printer_flasher_printer_status", idle), [({}, 0)])[0][0].get("status") == "Idle",
                  "the idle printer's status")
            outcomes = {labels["outcome"]: value for labels, value in
                        found.get(("printer_flasher_printer_last_update_outcome", updated), [])}
            check(outcomes.get("under-way") == 1 and sum(outcomes.values()) == 1,
                  "the history's open attempt at %.1f s: %r %s" % (began - left, outcomes, err))

        after = subprocess.run(base + ["--list", "--metrics"], env=env, capture_output=True, text=True)
        found = series(after.stdout)
        check(found.get(("printer_flasher_printer_update_needed", updated), [({}, 1)])[0][1] == 0
              and found.get(("printer_flasher_printer_update_needed", idle), [({}, 0)])[0][1] == 1,
              "after the update only the other printer needs one:\n" + after.stdout)
        outcomes = {labels["outcome"]: value for labels, value in
                    found.get(("printer_flasher_printer_last_update_outcome", updated), [])}
        check(outcomes.get("succeeded") == 1, "the last update succeeded: %r" % outcomes)

    for failure in failures[:20]:
        print("FAIL:", failure)
    print("%d metrics runs checked" % len(snapshots))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
