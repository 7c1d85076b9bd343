#!/usr/bin/env python3
"""capture.dissector: the capture printer-flasher writes while it updates the simulated printers reads in
tshark as it is, and with contrib/wireshark/printer-tools.lua shows the commands the log says were sent;
damaged captures give tshark errors, never Lua errors.

Usage: test_dissector.py PRINTER_FLASHER PRINTER_TOOLS_LUA
"""
import collections
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

TSHARK = "/usr/bin/tshark"
SKIP = 77  # SKIP_RETURN_CODE of the test
LUA_FAULTS = re.compile(r"Lua Error|could not read this packet")

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)
    return ok


def tshark(path, *args, lua=None):
    command = [TSHARK, "-n", "-r", path] + (["-X", "lua_script:" + lua] if lua else []) + list(args)
    return subprocess.run(command, capture_output=True, text=True, errors="replace", timeout=300)


def fields(result):
    return [line.split("\t") for line in result.stdout.splitlines()]


def packets(data):
    """The classic pcap records of `data`: (global header, [(record header fields, packet bytes)])."""
    order = "<" if data[:4] in (b"\xd4\xc3\xb2\xa1", b"\x4d\x3c\xb2\xa1") else ">"
    records, at = [], 24
    while at + 16 <= len(data):
        sec, frac, caplen, length = struct.unpack_from(order + "IIII", data, at)
        records.append(((sec, frac, length), data[at + 16:at + 16 + caplen]))
        at += 16 + caplen
    return order, data[:24], records


def mangled(data, seed):
    """The capture with its packets damaged: random payloads, random header fields, cut packets."""
    order, head, records = packets(data)
    rnd = random.Random(seed)
    out = bytearray(head)
    for (sec, frac, length), packet in records:
        packet = bytearray(packet)
        damage = rnd.randrange(4)
        if damage == 0:  # garbage after the usbmon header (frames, digits, notes' data)
            for i in range(64, len(packet)):
                packet[i] = rnd.randrange(256)
        elif damage == 1:  # garbage in the header fields past the URB id
            for i in range(8, min(64, len(packet))):
                if rnd.random() < 0.3:
                    packet[i] = rnd.randrange(256)
        elif damage == 2:  # cut anywhere, also inside the header
            packet = packet[:rnd.randrange(len(packet) + 1)]
        out += struct.pack(order + "IIII", sec, frac, len(packet), max(length, len(packet))) + packet
    return bytes(out)


def main():
    flasher, lua = sys.argv[1], sys.argv[2]
    if not os.access(TSHARK, os.X_OK):
        print("SKIP: no", TSHARK)
        return SKIP
    with tempfile.TemporaryDirectory(prefix="capture-dissector-") as tmp:
        os.environ["HOME"] = tmp  # tshark's own profile folders stay in here
        return run_in(tmp, flasher, lua)


def run_in(tmp, flasher, lua):
    capture, log = os.path.join(tmp, "update.pcap"), os.path.join(tmp, "flasher.log")
    run = subprocess.run([flasher, "--simulate", "--simulate-state=" + os.path.join(tmp, "state"),
                          "--simulate-pace", "instant", "--capture", capture, "--log-file", log,
                          "--update", "--all", "--yes"],
                         capture_output=True, text=True, errors="replace", timeout=600)
    if not check(run.returncode == 0 and os.path.exists(capture), "the update with --capture ran: %d\n%s"
                 % (run.returncode, run.stderr[-2000:])):
        return 1
    with open(log, encoding="utf-8", errors="replace") as f:
        sent = re.findall(r"sending printer command (.+?) with payload size (\d+)", f.read())
    check(any(c == "FW_UPDFLASH_PROGRAM" for c, _ in sent), "the log names the commands sent")

    # Wireshark alone: every URB a submission then a completion on one endpoint, OUT data only with
    # the submission, IN data only with the completion, the bus the location id's top byte; each
    # printer's first URB its arrival note.
    plain = tshark(capture, "-T", "fields", "-e", "usb.urb_id", "-e", "usb.urb_type", "-e", "usb.transfer_type",
                   "-e", "usb.endpoint_address", "-e", "usb.bus_id", "-e", "usb.data_len",
                   "-e", "usb.bmRequestType", "-e", "usb.setup.bRequest", "-e", "usb.setup.wValue")
    check(plain.returncode == 0 and plain.stdout, "tshark reads the capture: " + plain.stderr[-500:])
    urbs, first = collections.defaultdict(list), {}
    for urb, kind, transfer, endpoint, bus, length, *setup in fields(plain):
        urbs[int(urb, 16)].append((kind.strip("'"), int(transfer, 0), int(endpoint, 0), int(bus), int(length)))
        first.setdefault(int(urb, 16) >> 32, setup)
    check(all(s == ["0xc3", "80", "0x0003"] for s in first.values()), "each printer arrives first: %s" % first)
    pipes = collections.defaultdict(set)
    for urb, parts in urbs.items():
        kinds = [p[0] for p in parts]
        if not check(kinds == ["S", "C"], "URB %#x is %s" % (urb, kinds)):
            continue
        (_, transfer, endpoint, bus, out_data), (_, transfer_c, endpoint_c, _, in_data) = parts
        check((transfer, endpoint) == (transfer_c, endpoint_c), "URB %#x changes its endpoint" % urb)
        check(bus == urb >> 56, "URB %#x on bus %d" % (urb, bus))
        if transfer == 3:
            pipes[urb >> 32].add(endpoint)
            check(in_data == 0 if endpoint & 0x80 == 0 else out_data == 0, "URB %#x data flows backwards" % urb)
    check(pipes and all(len(p) == 2 and sum(e >> 7 for e in p) == 1 for p in pipes.values()),
          "each printer has one bulk OUT and one bulk IN pipe: %s" % dict(pipes))

    # With the dissector: the commands in the log's order, for each printer (their lines interleave),
    # and the first bytes of the firmware frames as the log says they were built.
    shown = tshark(capture, "-Y", "printertools.command", "-T", "fields", "-e", "printertools.location",
                   "-e", "printertools.command", "-e", "usb.capdata", lua=lua)
    check(shown.returncode == 0, "tshark runs the dissector: " + shown.stderr[-500:])
    commands = [(location, command, bytes.fromhex(data.replace(":", "")))
                for location, command, data in fields(shown)]
    names = [c for c, _ in sent]
    check(collections.Counter(c for _, c, _ in commands) == collections.Counter(names),
          "the capture shows the commands of the log:\n%s\n%s" % ([c for _, c, _ in commands], names))
    for location in {loc for loc, _, _ in commands}:
        mine, rest = [c for loc, c, _ in commands if loc == location], iter(names)
        check(all(c in rest for c in mine), "printer %s's commands in the log's order: %s" % (location, mine))
    sizes = dict(sent)
    expected = {
        "FW_UPDFLASH_REWRITE": b"\x1bPFW_UPDFLASH_REWRITE".ljust(32),
        "FW_UPDFLASH_PROGRAM": b"\x1bPFW_UPDFLASH_PROGRAM".ljust(24) + b"%08d" % int(sizes.get("FW_UPDFLASH_PROGRAM", 0)),
    }
    for name, start in expected.items():
        frames = [data for _, c, data in commands if c == name]
        check(frames and all(d[:32] == start for d in frames), "%s starts %r: %r" % (name, start, frames[:1]))

    # No Lua error on the capture, nor on one with mangled packets; damaged files are tshark's errors.
    with open(capture, "rb") as f:
        data = f.read()
    damaged = {"mangled": mangled(data, 1), "cut": data[:-10], "random": random.Random(2).randbytes(4096)}
    results = {"intact": tshark(capture, "-V", lua=lua)}
    for name, content in damaged.items():
        path = os.path.join(tmp, name + ".pcap")
        with open(path, "wb") as f:
            f.write(content)
        results[name] = tshark(path, "-V", lua=lua)
    for name, result in results.items():
        check(not LUA_FAULTS.search(result.stdout + result.stderr), "no Lua error on the %s capture" % name)
    check(results["mangled"].returncode == 0, "tshark reads the mangled capture: " + results["mangled"].stderr[-500:])
    check(results["cut"].returncode != 0 and "cut short" in results["cut"].stderr, "the cut capture is an error")
    check(results["random"].returncode != 0, "random bytes are an error")

    print("%d URBs, %d commands; %d failures" % (len(urbs), len(commands), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
