#!/usr/bin/env python3
"""fleet.schemas: the JSON Schemas in docs/schemas/ against what the programs really print.

usage: check-schemas.py PRINTER_FLASHER SERIAL_SWITCHER SCHEMA_DIR

Checks each schema, then runs both programs on simulated printers (each scenario in temporary HOME and
XDG folders, stdin from /dev/null) so that they print every shape of their JSON, and validates each
output against its schema. Mutated copies of valid outputs must then fail, which shows the schemas are
tight. PRINTER_TOOLS_RESOURCES names the resources folder (the damaged package is made from a copy).
"""
import concurrent.futures
import copy
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import jsonschema
except ImportError:
    print("SKIP   : fleet.schemas needs the Python module jsonschema (python3-jsonschema)")
    sys.exit(0)

FLASHER, SWITCHER, SCHEMA_DIR = sys.argv[1:4]
RESOURCES = os.environ["PRINTER_TOOLS_RESOURCES"]
RUN_TIMEOUT_S = 120  # one run (a second in a plain build; sanitizer builds are several times slower)
INSTANT = "--simulate-pace=instant"
QXA_KEY = "F0E10A0301100000"  # the HV-QXA of serial-switcher's demo


def load_validators():
    validators = {}
    for name in ("list", "verify-package", "event", "history"):
        with open(os.path.join(SCHEMA_DIR, name + ".schema.json"), encoding="utf-8") as f:
            schema = json.load(f)
        cls = jsonschema.validators.validator_for(schema)
        cls.check_schema(schema)
        validators[name] = cls(schema)
    return validators


def error_lines(validator, document):
    """Every place where `document` fails its schema; for an event, inside the branch of its kind."""
    lines = []
    for error in validator.iter_errors(document):
        found = [error]
        if error.validator == "oneOf" and error.context:
            # Only the branch whose `event` matched says what is wrong.
            wrong = {e.relative_schema_path[0] for e in error.context if list(e.relative_path) == ["event"]}
            found = [e for e in error.context if e.relative_schema_path[0] not in wrong] or found
        for e in found:
            lines.append("$%s: %s" % ("".join("[%r]" % p for p in e.absolute_path), e.message))
    return lines


# ---- what a scenario does to its folders between runs ---------------------------------------------------

def damage_package(home):
    """A resources copy with one image changed, one colour table emptied and one removed."""
    copied = os.path.join(home, "resources")
    shutil.copytree(RESOURCES, copied)
    firmware = os.path.join(copied, "firmware")
    with open(os.path.join(firmware, "HVC 01.41.fw"), "r+b") as f:
        f.seek(200)
        byte = f.read(1)
        f.seek(200)
        f.write(bytes([byte[0] ^ 0x01]))
    open(os.path.join(firmware, "HVC_600_0110.cwd"), "wb").close()
    os.remove(os.path.join(firmware, "HVC_610_0110.cwd"))
    return {"PRINTER_TOOLS_RESOURCES": copied}


def old_firmware_boots(home):
    """The first kept printer comes back from programming with its previous firmware."""
    path = os.path.join(home, "state", "port-001.json")
    with open(path, encoding="utf-8") as f:
        printer = json.load(f)
    printer["state"]["bootsPreviousFirmware"] = True
    with open(path, "w", encoding="utf-8") as f:
        json.dump(printer, f)


def damage_history(home):
    path = os.path.join(home, "data", "printer-flasher", "update-history-simulated.sqlite")
    assert os.path.exists(path), "no history database at " + path
    with open(path, "wb") as f:
        f.write(b"not a database " * 300)


# ---- the scenarios: (name, steps); a step is (program, args, exit code, schema, want) or a callable ----
# `want` checks what the output must say (a string): "verified=<bool>", "results=<a,b>", "keys",
# "problem", "failure".

PF, SS = "printer-flasher", "serial-switcher"
ALL_MODELS = "--simulate=hva,hvb,hv-qxa,hvbd,hvc,eight-table"
UPDATE = ["--update", "--all", "--yes", "--json", INSTANT]
STATE = "--simulate-state=%(home)s/state"
SWITCH = [STATE, INSTANT, "--json", "--set-usb-serial"]
HISTORY = ["--simulate", "--history", "--json"]

SCENARIOS = [
    ("list: demo", [(PF, ["--simulate", INSTANT, "--list", "--json"], 0, "list", None),
                    (SS, ["--simulate", INSTANT, "--list", "--json"], 0, "list", None)]),
    ("list: every model", [(PF, [ALL_MODELS, INSTANT, "--list", "--json"], 0, "list", None),
                           (SS, [ALL_MODELS, INSTANT, "--list", "--json"], 0, "list", None)]),
    ("verify-package: intact", [(PF, ["--verify-package", "--json"], 0, "verify-package", "verified=True"),
                                (SS, ["--verify-package", "--json"], 0, "verify-package", "verified=True")]),
    ("verify-package: damaged", [damage_package,
                                 (PF, ["--verify-package", "--json"], 1, "verify-package", "verified=False")]),
    ("update: one", [(PF, ["--simulate=hvc"] + UPDATE, 0, "event", "results=updated"),
                     (PF, HISTORY, 0, "history", None)]),
    ("update: set, then not needed",
     [(PF, [STATE, "--simulate=hvc,hvc"] + UPDATE, 0, "event", "keys"),
      (PF, [STATE] + UPDATE, 3, "event", "results=not-needed"),
      (PF, HISTORY, 0, "history", None),
      damage_history,
      (PF, HISTORY, 0, "history", "problem")]),
    ("update: refused", [(PF, ["--simulate=hvc", INSTANT, "--update", "--all", "--json"], 2, "event",
                          "results=refused"),
                         (PF, ["--simulate=hvc,hvc", INSTANT, "--update", "--all", "--json"], 2, "event",
                          "results=refused")]),
    ("update: failing printer", [(PF, [STATE, "--simulate=hvc", INSTANT, "--list", "--json"], 0, "list", None),
                                 old_firmware_boots,
                                 (PF, [STATE] + UPDATE, 1, "event", "results=failed"),
                                 (PF, HISTORY, 0, "history", "failure")]),
    ("set-usb-serial", [(SS, SWITCH + ["on", QXA_KEY, "--yes"], 0, "event", "results=switched"),
                        (SS, SWITCH + ["on", QXA_KEY, "--yes"], 3, "event", "results=unchanged"),
                        (SS, SWITCH + ["off", QXA_KEY], 2, "event", "results=refused")]),
]


def run(program, args, home, extra_env):
    env = dict(os.environ, HOME=home, **extra_env)
    for name, sub in (("XDG_DATA_HOME", "data"), ("XDG_STATE_HOME", "xdg-state"),
                      ("XDG_CONFIG_HOME", "config"), ("XDG_CACHE_HOME", "cache"), ("XDG_RUNTIME_DIR", "run")):
        env[name] = os.path.join(home, sub)
        os.makedirs(env[name], mode=0o700, exist_ok=True)
    exe = FLASHER if program == PF else SWITCHER
    return subprocess.run([exe] + [a % {"home": home} for a in args], stdin=subprocess.DEVNULL,
                          capture_output=True, env=env, timeout=RUN_TIMEOUT_S)


def wanted(want, docs):
    """What a run's output lacks of what it should show, or None."""
    if want is None:
        return None
    kind, _, value = want.partition("=")
    if kind == "verified" and str(docs[0]["verified"]) != value:
        return "verified is %s" % docs[0]["verified"]
    if kind == "results":
        results = sorted({d["result"] for d in docs if d.get("event") == "outcome"})
        if results != value.split(","):
            return "results %s, not %s" % (results, value)
    if kind == "keys" and not any("keys" in d for d in docs):
        return "no event about the whole set"
    if kind == "problem" and not isinstance(docs[0]["problem"], str):
        return "problem is not a text"
    if kind == "failure" and not any(a["outcome"] == "failed" and a["failure"] for a in docs[0]["attempts"]):
        return "no failed attempt with its failure"
    return None


def ends_with_outcome(docs):
    """Each printer's events end with exactly one outcome."""
    last, outcomes = {}, {}
    for d in docs:
        if "key" in d:
            last[d["key"]] = d["event"]
            outcomes[d["key"]] = outcomes.get(d["key"], 0) + (d["event"] == "outcome")
    return [k for k in last if last[k] != "outcome" or outcomes[k] != 1]


def run_scenario(validators, scenario):
    name, steps = scenario
    problems, outputs = [], {}
    with tempfile.TemporaryDirectory(prefix="fleet-schemas-") as home:
        extra_env = {}
        for number, step in enumerate(steps, 1):
            if callable(step):
                extra_env.update(step(home) or {})
                continue
            program, args, code, schema, want = step
            where = "%s, step %d: %s %s" % (name, number, program, " ".join(args).replace("%(home)s", "$HOME"))
            try:
                done = run(program, args, home, extra_env)
            except subprocess.TimeoutExpired:
                problems.append("%s\n  still running after %d s" % (where, RUN_TIMEOUT_S))
                break
            if done.returncode != code:
                problems.append("%s\n  exit code %d, not %d; stderr:\n%s"
                                % (where, done.returncode, code, done.stderr.decode(errors="replace")))
                continue
            lines = done.stdout.decode().splitlines()
            if schema != "event" and len(lines) != 1:
                problems.append("%s\n  %d lines on standard output, not one object" % (where, len(lines)))
                continue
            try:
                docs = [json.loads(line) for line in lines]
            except ValueError as e:
                problems.append("%s\n  not JSON: %s" % (where, e))
                continue
            for line_number, doc in enumerate(docs, 1):
                for error in error_lines(validators[schema], doc):
                    problems.append("%s\n  line %d: %s" % (where, line_number, error))
            if schema == "event" and ends_with_outcome(docs):
                problems.append("%s\n  not ended by one outcome: %s" % (where, ends_with_outcome(docs)))
            lack = wanted(want, docs)
            if lack:
                problems.append("%s\n  %s" % (where, lack))
            outputs["%s #%d" % (name, number)] = (schema, docs)
    return problems, outputs


# ---- mutations that the schemas must refuse: (output, event kind or None, path, new value) -------------

DELETE = object()
MUTATIONS = [
    ("list: demo #1", None, ["printers", 0, "key"], "F0E10A05011000"),
    ("list: demo #2", None, ["printers", 0, "usbSerialNumber"], "On"),
    ("list: demo #1", None, ["printers", 0, "updateProgress"], "12.5"),
    ("list: every model #2", None, ["printers", 2, "colourTables", 0, "table"], "300HD"),
    ("verify-package: intact #1", None, ["packages", 0, "files", 0, "verdict"], "fine"),
    ("verify-package: intact #2", None, ["packages", 0, "files", 1, "kind"], "table"),
    ("update: one #1", "outcome", ["result"], "done"),
    ("update: one #1", "outcome", ["usbSerialNumber"], "Enabled"),
    ("update: one #1", "progress", ["phase"], "flashing"),
    ("update: one #1", "start", ["key"], DELETE),
    ("update: one #1", "answer", ["by"], "operator"),
    ("update: set, then not needed #1", "alert", ["key"], "F0E10A0501100000"),
    ("set-usb-serial #1", "outcome", ["usbSerialNumber"], DELETE),
    ("update: one #2", None, ["attempts", 0, "started"], "2026-12-08T23:51:30Z"),
    ("update: one #2", None, ["attempts", 0, "ended"], None),
    ("update: one #2", None, ["attempts", 0, "outcome"], "done"),
    ("update: set, then not needed #5", None, ["problem"], DELETE),
]


def mutation_problems(validators, outputs):
    problems = []
    for output, kind, path, value in MUTATIONS:
        if output not in outputs:
            problems.append("mutation of %s: that output is missing" % output)
            continue
        schema, docs = outputs[output]
        doc = copy.deepcopy(next((d for d in docs if kind is None or d.get("event") == kind), None))
        if doc is None:
            problems.append("mutation of %s: no %s event" % (output, kind))
            continue
        parent = doc
        for step in path[:-1]:
            parent = parent[step]
        if value is DELETE:
            del parent[path[-1]]
        else:
            parent[path[-1]] = value
        if validators[schema].is_valid(doc):
            problems.append("%s, %s %s = %r: still valid against %s.schema.json"
                            % (output, kind or "output", path, "(deleted)" if value is DELETE else value, schema))
    return problems


def main():
    started = time.monotonic()
    validators = load_validators()
    problems, outputs = [], {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        for found, made in pool.map(lambda s: run_scenario(validators, s), SCENARIOS):
            problems += found
            outputs.update(made)
    problems += mutation_problems(validators, outputs)
    for problem in problems:
        print("FAIL: " + problem, file=sys.stderr)
    print("%d scenarios, %d outputs, %d mutations, %d problems in %.1f s"
          % (len(SCENARIOS), len(outputs), len(MUTATIONS), len(problems), time.monotonic() - started))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
