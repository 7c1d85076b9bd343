#!/usr/bin/env python3
"""fleet.ansible: contrib/ansible/site.yml rolls the firmware out to three kiosks of simulated
printers, run on this machine. kiosk-a and kiosk-b have two printers each that update; kiosk-c has
one of its two that comes back from programming with its old firmware every time. All three are in
one wave, so kiosk-c's failure must not cut the others short. The playbook runs twice: the second
run changes nothing on kiosk-a and kiosk-b and fails kiosk-c again.

Usage: test_ansible.py PRINTER_FLASHER SOURCE_DIR
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

HOSTS = ("kiosk-a", "kiosk-b", "kiosk-c")
FAILING = "kiosk-c"
# What the program may need from the test's environment; the rest of each kiosk's environment is
# its own folders.
PASSED_THROUGH = ("CUPS_SERVER", "DBUS_SYSTEM_BUS_ADDRESS", "QT_QPA_PLATFORM", "PRINTER_TOOLS_RESOURCES",
                  "ASAN_OPTIONS", "TSAN_OPTIONS", "PATH")

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)
    return condition


class Kiosk:
    def __init__(self, flasher, root, name):
        self.flasher = flasher
        self.name = name
        self.state = os.path.join(root, name, "printers")
        self.env = {k: os.environ[k] for k in PASSED_THROUGH if k in os.environ}
        for var, sub in (("HOME", "home"), ("XDG_DATA_HOME", "data"), ("XDG_STATE_HOME", "state"),
                         ("XDG_CONFIG_HOME", "config")):
            self.env[var] = os.path.join(root, name, sub)
            os.makedirs(self.env[var])
        self.args = ["--simulate-state=" + self.state, "--simulate-pace=instant"]

    def run(self, *args):
        return subprocess.run([self.flasher, *args, *self.args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60)

    def printers(self, *extra):
        listed = self.run("--list", "--json", *extra)
        if listed.returncode != 0:
            raise RuntimeError(f"{self.name}: --list exited with {listed.returncode}: {listed.stderr}")
        return json.loads(listed.stdout)["printers"]

    def host_vars(self):
        return {
            "ansible_connection": "local",
            "ansible_python_interpreter": sys.executable,
            "printer_flasher_install": False,
            "printer_flasher_become": False,
            "printer_flasher_command": self.flasher,
            "printer_flasher_extra_args": self.args,
            "printer_flasher_environment": self.env,
            "printer_flasher_update_poll": 1,
        }


def ansible_env(tmp):
    env = {k: v for k, v in os.environ.items() if not k.startswith("ANSIBLE_")}
    home = os.path.join(tmp, "controller-home")
    os.makedirs(home)
    config = os.path.join(tmp, "ansible.cfg")
    open(config, "w").close()
    env.update(HOME=home, ANSIBLE_CONFIG=config, ANSIBLE_LOCAL_TEMP=os.path.join(tmp, "ansible-local"),
               ANSIBLE_REMOTE_TEMP=os.path.join(tmp, "ansible-remote"), ANSIBLE_STDOUT_CALLBACK="default",
               ANSIBLE_CALLBACK_RESULT_FORMAT="json",
               ANSIBLE_NOCOLOR="1", ANSIBLE_FORCE_COLOR="0", ANSIBLE_RETRY_FILES_ENABLED="0",
               ANSIBLE_LOCALHOST_WARNING="0", ANSIBLE_INVENTORY_UNPARSED_WARNING="0")
    return env


def play(ansible, playbook, inventory, report_dir, env):
    """Runs the playbook; returns its exit code, the PLAY RECAP's counts and the message of each
    kiosk's fatal task."""
    extra = {"printer_flasher_wave": len(HOSTS), "printer_flasher_report_dir": report_dir}
    run = subprocess.run([ansible, "-i", inventory, playbook, "-e", json.dumps(extra)], env=env,
                         stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=300)
    stats, fatal = {}, {}
    recap = False
    for line in run.stdout.splitlines():
        if line.startswith("PLAY RECAP"):
            recap = True
        elif recap and ":" in line:
            host, counts = line.split(":", 1)
            stats[host.strip()] = {k: int(v) for k, v in (c.split("=") for c in counts.split())}
        elif line.startswith("fatal: ["):
            host = line[len("fatal: ["):line.index("]")]
            fatal[host] = json.loads(line.split(" => ", 1)[1]).get("msg", "")
    return run, stats, fatal


def check_run(label, stats, fatal, kiosks, changed_expected):
    for name in HOSTS:
        s = stats.get(name, {})
        if name == FAILING:
            check(s.get("failed") == 1, f"{label}: {name} failed ({s})")
        else:
            check(s.get("failed") == 0 and s.get("unreachable") == 0, f"{label}: {name} did not fail ({s})")
            check((s.get("changed", 0) > 0) == changed_expected,
                  f"{label}: {name} changed={s.get('changed')}, expected {'some' if changed_expected else 'none'}")
            for p in kiosks[name].printers():
                check(p["firmwareVersion"] == p["packageFirmwareVersion"],
                      f"{label}: {name} {p['serialNumber']} is on {p['firmwareVersion']}, not {p['packageFirmwareVersion']}")
    message = fatal.get(FAILING, "")
    check("HVC-0002" in message and ": failed: There was a problem" in message,
          f"{label}: {FAILING}'s failure names the printer, its result and the notice: {message!r}")


def history_sizes(report_dir, label):
    sizes = {}
    for name in HOSTS:
        path = os.path.join(report_dir, name + ".json")
        if check(os.path.isfile(path), f"{label}: the history report of {name} was written"):
            with open(path) as f:
                sizes[name] = len(json.load(f)["attempts"])
    return sizes


def main():
    flasher, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    ansible = shutil.which("ansible-playbook")
    if not ansible:
        print("FAIL: ansible-playbook is not on PATH; fleet.ansible needs ansible-core 2.14 or newer "
              "(Debian: apt install ansible-core)")
        return 1
    playbook = os.path.join(source, "contrib", "ansible", "site.yml")

    with tempfile.TemporaryDirectory(prefix="fleet-ansible-") as tmp:
        kiosks = {name: Kiosk(flasher, tmp, name) for name in HOSTS}
        for kiosk in kiosks.values():
            kiosk.printers("--simulate=hvc,hvc")
        port = os.path.join(kiosks[FAILING].state, "port-002.json")
        with open(port) as f:
            printer = json.load(f)
        printer["state"]["bootsPreviousFirmware"] = True
        with open(port, "w") as f:
            json.dump(printer, f)

        inventory = os.path.join(tmp, "inventory.yml")
        with open(inventory, "w") as f:
            json.dump({"kiosks": {"hosts": {n: k.host_vars() for n, k in kiosks.items()}}}, f)
        report_dir = os.path.join(tmp, "reports")
        env = ansible_env(tmp)

        run, stats, fatal = play(ansible, playbook, inventory, report_dir, env)
        check(run.returncode != 0, f"first run: ansible-playbook reports the failed kiosk (exit code {run.returncode})")
        check_run("first run", stats, fatal, kiosks, changed_expected=True)
        sizes = history_sizes(report_dir, "first run")
        if failures:
            print(run.stdout, run.stderr, sep="\n")

        seen = len(failures)
        run, stats, fatal = play(ansible, playbook, inventory, report_dir, env)
        check_run("second run", stats, fatal, kiosks, changed_expected=False)
        again = history_sizes(report_dir, "second run")
        for name in HOSTS:
            if name != FAILING and name in sizes:
                check(again.get(name) == sizes[name],
                      f"second run: {name} was not asked to update again ({sizes[name]} -> {again.get(name)} attempts)")
        if len(failures) > seen:
            print(run.stdout, run.stderr, sep="\n")

    print("FAIL" if failures else "PASS")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
