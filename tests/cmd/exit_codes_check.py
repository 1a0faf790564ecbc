#!/usr/bin/env python3
"""Checks that docs/ADMIN-GUIDE.txt, the companion's reference, lists its exit codes as
app/cmd/ExitCodes.h declares them (and as the usage prints them): the same codes, and
for each the same name (what JSON output calls it) and meaning. The docs may explain a meaning further, after a colon or in
parentheses; the words before must be the program's. The check's own codes must carry
the same state names. Prints each disagreement; exits 1 if there is one.
    exit_codes_check.py [REPOSITORY-ROOT]
"""
import pathlib
import re
import sys

ENUM = re.compile(r"enum\s+(\w+)\s*\{(.*?)\};", re.S)
ENUMERATOR = re.compile(r"(\w+)\s*=\s*(\d+)")
TABLE = re.compile(r"\b(\w+)\[\]\s*=\s*\{(.*?)\n\};", re.S)
ROW = re.compile(r'\{(\w+),((?:\s*"[^"]*",?)+)\}')


def head(meaning):
    """The meaning up to where an explanation starts: a colon or a parenthesis."""
    return re.split(r":\s| \(", meaning, maxsplit=1)[0].strip()


def declared(header_text):
    """The codes of the two enums, and {table name: {code: [texts of its row]}}."""
    values = {}
    enums = {}
    for name, body in ENUM.findall(header_text):
        enumerators = {enumerator: int(number) for enumerator, number in ENUMERATOR.findall(body)}
        enums[name] = set(enumerators.values())
        values.update(enumerators)
    tables = {}
    for name, body in TABLE.findall(header_text):
        rows = {}
        for enumerator, texts in ROW.findall(body):
            code = values[enumerator]
            if code in rows:
                raise SystemExit(f"ExitCodes.h: {name} has two rows for {code}")
            rows[code] = re.findall(r'"([^"]*)"', texts)
        tables[name] = rows
    return enums["ExitCode"], enums["CheckState"], tables


def indented_list(lines, after):
    """The `  CODE  TEXT` list that follows the line `after`, a continuation line joined
    to its entry: {code: text}."""
    start = next(i for i, line in enumerate(lines) if line.strip() == after)
    entries = {}
    code = None
    for line in lines[start + 1:]:
        entry = re.match(r"  (\d+)  (\S.*)", line)
        if entry:
            code = int(entry.group(1))
            entries[code] = entry.group(2).strip()
        elif code is not None and line.startswith("     "):
            entries[code] += " " + line.strip()
        elif code is not None:
            break
    return entries


def main(root):
    root = pathlib.Path(root)
    exit_codes, check_codes, tables = declared((root / "app/cmd/ExitCodes.h").read_text())
    names = {code: texts[0] for code, texts in tables["kExitCodeMeanings"].items()}
    meanings = {code: texts[1] for code, texts in tables["kExitCodeMeanings"].items()}
    states = {code: texts[0] for code, texts in tables["kCheckStateMeanings"].items()}
    problems = []
    if set(meanings) != exit_codes:
        problems.append(f"ExitCodes.h: kExitCodeMeanings lists {sorted(meanings)}, the enum {sorted(exit_codes)}")
    if set(states) != check_codes:
        problems.append(f"ExitCodes.h: kCheckStateMeanings lists {sorted(states)}, the enum {sorted(check_codes)}")

    guide = (root / "docs/ADMIN-GUIDE.txt").read_text(encoding="utf-8").splitlines()
    # {where: {code: (name, meaning)}}; the guide gives the name as the entry's first word.
    listed = {
        "ADMIN-GUIDE.txt exit codes": {code: tuple(text.split(None, 1))
                                       for code, text in indented_list(guide, "6. Exit codes of the companion").items()},
    }
    for where, documented in listed.items():
        if sorted(documented) != sorted(meanings):
            problems.append(f"{where}: codes {sorted(documented)}, the program's {sorted(meanings)}")
        for code in sorted(set(documented) & set(meanings)):
            name, text = documented[code]
            if name != names[code]:
                problems.append(f"{where}: {code} is named \"{name}\", the program's \"{names[code]}\"")
            if head(text) != head(meanings[code]):
                problems.append(f"{where}: {code} is \"{text}\", the program's \"{meanings[code]}\"")

    check_listed = {
        "ADMIN-GUIDE.txt check codes": {
            code: text.split()[0] for code, text in indented_list(guide, "Its exit codes, as monitoring systems read them:").items()
        },
    }
    for where, documented in check_listed.items():
        if documented != states:
            problems.append(f"{where}: {documented}, the program's {states}")

    for problem in problems:
        print(problem)
    print(f"{len(meanings)} exit codes and {len(states)} check codes compared with ADMIN-GUIDE.txt")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2]))
