#!/usr/bin/env python3
"""Checks every translation catalogue against its English texts.

usage: check-catalogues.py TRANSLATIONS_DIR PACKAGING_PO_DIR

Qt catalogues (printer-tools_<lang>.ts): every message translated, nothing obsolete, the same
placeholders, mnemonic marks and line breaks as the English text, and the same English texts in every
catalogue. gettext catalogues of the desktop entries and AppStream metadata (<lang>.po): every text of
the template translated, none fuzzy, none left over, and keyword lists still lists.
"""
import collections
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

problems = []


def problem(where, what):
    problems.append(f"{where}: {what}")


def placeholders(text):
    return collections.Counter(re.findall(r"%(?:\d+|n)", text))


def mnemonics(text):
    return len(re.findall(r"&(?!&)", text.replace("&&", "")))


def check_ts(path):
    root = ET.parse(path).getroot()
    sources = set()
    for message in root.iter("message"):
        source = message.findtext("source") or ""
        translation = message.find("translation")
        text = translation.text or "" if translation is not None else ""
        state = translation.get("type") if translation is not None else "missing"
        where = f"{path.name}: {source[:60]!r}"
        sources.add(source)
        if state in ("unfinished", "obsolete", "vanished", "missing") or not text:
            problem(where, f"not translated ({state or 'empty'})")
            continue
        if placeholders(source) != placeholders(text):
            problem(where, f"placeholders {dict(placeholders(text))} instead of {dict(placeholders(source))}")
        if mnemonics(source) != mnemonics(text):
            problem(where, f"{mnemonics(text)} mnemonic marks instead of {mnemonics(source)}")
        if source.count("\n") != text.count("\n"):
            problem(where, f"{text.count(chr(10))} line breaks instead of {source.count(chr(10))}")
    return sources


def po_entries(path):
    """msgid -> (msgstr, fuzzy) of a catalogue written by the gettext tools (no plural forms)."""
    entries = {}
    for block in path.read_text(encoding="utf-8").split("\n\n"):
        fuzzy = any(line.startswith("#,") and "fuzzy" in line for line in block.splitlines())
        if any(line.startswith("#~") for line in block.splitlines()):
            entries.setdefault("#~", []).append(block)
            continue
        match = re.search(r'^msgid ((?:".*"\n)+)msgstr ((?:".*"\n?)+)', block + "\n", re.M)
        if not match:
            continue
        join = lambda quoted: "".join(re.findall(r'"(.*)"', quoted))
        entries[join(match.group(1))] = (join(match.group(2)), fuzzy)
    return entries


def check_po(path, template):
    entries = po_entries(path)
    if "#~" in entries:
        problem(path.name, "obsolete entries are left (run scripts/update-packaging-pot)")
    for msgid in template:
        if msgid not in entries:
            problem(path.name, f"{msgid[:60]!r} is missing (run scripts/update-packaging-pot)")
            continue
        text, fuzzy = entries[msgid]
        if not text or fuzzy:
            problem(f"{path.name}: {msgid[:60]!r}", "fuzzy" if fuzzy else "not translated")
        elif msgid.endswith(";") and not (text.endswith(";") and ";" in text[:-1]):
            problem(f"{path.name}: {msgid[:60]!r}", "a keyword list must stay a list ending with ';'")
    for msgid in entries:
        if msgid not in ("", "#~") and msgid not in template:
            problem(path.name, f"{msgid[:60]!r} is not in the template (run scripts/update-packaging-pot)")


def main():
    translations, po_dir = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    catalogues = sorted(translations.glob("printer-tools_*.ts"))
    if not catalogues:
        problem(str(translations), "no catalogue")
    texts = {path.name: check_ts(path) for path in catalogues}
    every = set().union(*texts.values()) if texts else set()
    for name, sources in texts.items():
        for missing in sorted(every - sources):
            problem(name, f"{missing[:60]!r} is missing (run the update_translations target)")

    template = set(po_entries(po_dir / "printer-tools-packaging.pot")) - {""}
    languages = [l for l in (po_dir / "LINGUAS").read_text().split() if not l.startswith("#")]
    qt_languages = sorted(p.stem.split("_", 1)[1] for p in catalogues)
    if sorted(languages) != qt_languages:
        problem("LINGUAS", f"lists {sorted(languages)}, the window speaks {qt_languages}")
    for language in languages:
        check_po(po_dir / f"{language}.po", template)

    for line in problems:
        print(line)
    print(f"{len(catalogues)} Qt catalogues, {len(languages)} gettext catalogues: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
