#!/usr/bin/env python3
"""capture.replaycli: an update captured with --capture and replayed with --simulate-from ends with the
same exit code and the same events, as does the capture the update kept of itself (named by --history);
a capture that lacks one request ends promptly with the divergence
on standard error and exit code 1; a file that is no capture, or a capture that cannot be written, is refused with exit code 2.

Usage: test_replaycli.py PRINTER_FLASHER
"""
import json
import os
import struct
import subprocess
import sys
import tempfile

PROGRAM = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)
    return ok


def run(*args):
    return subprocess.run([PROGRAM, *args], capture_output=True, text=True, timeout=120)


def events(result):
    """What the operator saw and how each printer ended, without the times and progress."""
    out = []
    for line in result.stdout.splitlines():
        event = json.loads(line)
        if event.get("event") != "progress":
            out.append((event.get("event"), event.get("key"), event.get("title"), event.get("result"),
                        event.get("button"), event.get("firmwareVersion")))
    return out


def without_urb(path, marker, into):
    """The pcap file at `path` without the URB (submission and completion) whose data holds `marker`."""
    with open(path, "rb") as f:
        data = f.read()
    header, rest, packets = data[:24], data[24:], []
    while len(rest) >= 16:
        length = struct.unpack_from("<I", rest, 8)[0]
        packets.append(rest[:16 + length])
        rest = rest[16 + length:]
    urbs = {p[16:24] for p in packets if marker in p[16 + 64:]}
    with open(into, "wb") as f:
        f.write(header + b"".join(p for p in packets if p[16:24] not in urbs))
    return len(urbs)


with tempfile.TemporaryDirectory() as home:
    for name in ("XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
        os.environ[name] = os.path.join(home, name.lower())
    capture = os.path.join(home, "update.pcap")
    update = ["--update", "--all", "--yes", "--json"]
    live = run("--simulate=hvc", "--simulate-pace=instant", "--capture", capture, *update)
    check(live.returncode == 0, "the live update succeeds: %d %s" % (live.returncode, live.stderr))

    # The update kept a capture of its own, named by the history, which replays the whole update too
    # (from the printer's arrival: the start-up probe before the update is in it).
    history = json.loads(run("--simulate", "--history", "--json").stdout)
    kept = history["attempts"][0]["captures"] if history["attempts"] else []
    check(len(kept) == 1 and os.path.isfile(kept[0]), "the history names the update's capture: %s" % kept)
    if kept:
        again = run("--simulate-from", kept[0], *update)
        check(again.returncode == 0 and events(again) == events(live), "the kept capture replays: %d %s%s"
              % (again.returncode, again.stderr, again.stdout))

    replayed = run("--simulate-from", capture, *update)
    check(replayed.returncode == live.returncode, "the replay's exit code %d" % replayed.returncode)
    check(events(replayed) == events(live), "the replay's events:\n%s\n%s" % (events(replayed), events(live)))
    check("diverged" not in replayed.stderr, "no divergence: " + replayed.stderr)

    # The request that asks the printer to rewrite its flash is missing: the run parts from the capture
    # there, says so and fails, and does not wait for the printer that left.
    lacking = os.path.join(home, "lacking.pcap")
    check(without_urb(capture, b"FLASH_REWRITE", lacking) == 1, "one rewrite request in the capture")
    diverged = run("--simulate-from", lacking, *update)
    check(diverged.returncode == 1, "a diverged replay fails: %d" % diverged.returncode)
    # ESC P "FW_UPD": the rewrite request, which the program asked for and the capture lacks.
    check("printer-flasher: the capture and this run diverged at printer 0x01100000, record " in diverged.stderr
          and "this run asked for bulk OUT on 0x01, 32 bytes: 1b 50 46 57 5f 55 50 44" in diverged.stderr,
          "the divergence is said: " + diverged.stderr)

    unwritable = run("--simulate=hvc", "--capture", os.path.join(home, "no-such-folder", "x.pcap"), "--list")
    check(unwritable.returncode == 2 and "cannot write the capture" in unwritable.stderr,
          "a capture that cannot be written: %d %s" % (unwritable.returncode, unwritable.stderr))

    same = run("--simulate-from", capture, "--capture", capture, "--list")
    check(same.returncode == 2 and os.path.getsize(capture) > 0, "the replayed capture is not replaced: %d %s"
          % (same.returncode, same.stderr))

    junk = os.path.join(home, "junk.pcap")
    with open(junk, "wb") as f:
        f.write(b"not a capture at all")
    refused = run("--simulate-from", junk, "--list")
    check(refused.returncode == 2 and "cannot replay" in refused.stderr, "no capture: %d %s"
          % (refused.returncode, refused.stderr))

sys.exit(1 if failures else 0)
