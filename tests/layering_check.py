#!/usr/bin/env python3
"""Checks that the product folders include each other only downwards:

    app -> ui -> apply, discovery -> store -> framework, core

and that the folder graph has no cycle. app/cmd, the command-line program, sits beside
the dialog and uses none of ui's code; it takes from ui only resources that both programs
share, so that they say the same: the string table of ui/ChangeController.rc, which
CMake compiles into both (the companion's messages are the dialog's), and the version
record ui/VersionInfo.rc2, which each program's resource script includes with its own
names. Of ui, app/cmd may include COMPANION_TAKES_FROM_UI only.
Prints the graph; exits 1 on a violation.
    layering_check.py [REPOSITORY-ROOT]
"""
import pathlib
import re
import sys

LEVELS = {"app": 0, "app/cmd": 0, "ui": 1, "apply": 2, "discovery": 2, "store": 3, "framework": 4, "core": 4}
# Folders of one level that must not reach each other either.
SEPARATE = {frozenset({"apply", "discovery"}), frozenset({"framework", "core"}), frozenset({"app", "app/cmd"})}
COMPANION_TAKES_FROM_UI = {"ui/VersionInfo.rc2"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    """The product folder of a repository path, or None."""
    parts = pathlib.PurePosixPath(path).parts
    if len(parts) >= 2 and parts[0] == "app" and parts[1] == "cmd":
        return "app/cmd"
    if parts and parts[0] in LEVELS:
        return parts[0]
    return None


def target_folder(include):
    if include.startswith("nrcore/"):
        return "core"  # the library's public header
    return folder_of(include)


def main(root):
    root = pathlib.Path(root)
    edges = {}
    for path in sorted(root.glob("**/*")):
        relative = path.relative_to(root).as_posix()
        source = folder_of(relative)
        if source is None or path.suffix not in (".h", ".cpp", ".rc") or "build" in path.parts[:1]:
            continue
        for include in INCLUDE.findall(path.read_text(errors="replace")):
            target = target_folder(include)
            if target and target != source:
                # A shared resource is an edge of its own, so that it neither hides nor
                # excuses any other include of the same two folders.
                shared = source == "app/cmd" and include in COMPANION_TAKES_FROM_UI
                edges.setdefault((source, target, shared), relative)
    problems = []
    for (source, target, shared), example in sorted(edges.items()):
        upward = LEVELS[source] > LEVELS[target]
        sideways = LEVELS[source] == LEVELS[target] and frozenset({source, target}) in SEPARATE
        wrong_branch = source == "app/cmd" and target == "ui" and not shared
        verdict = "ok (shared)" if shared else "ok"
        if upward or sideways or wrong_branch:
            verdict = "NOT ALLOWED"
            problems.append(f"{source} -> {target} ({example})")
        print(f"{source:10} -> {target:10} {verdict:12} e.g. {example}")
    # Downward-only edges cannot form a cycle; the check above is the cycle check.
    for problem in problems:
        print("layering: include against the direction of dependencies:", problem, file=sys.stderr)
    print(f"{len(edges) - len(problems)} passed, {len(problems)} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[1]))
