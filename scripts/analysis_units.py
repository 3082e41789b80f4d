#!/usr/bin/env python3
"""Picks the translation units of our own code out of the presets' compile
commands, for the analysers (scripts/analyse.sh):

  analysis_units.py OUT [--unique] [--exclude FOLDER]... BUILD_DIR...

For each BUILD_DIR (a configured preset) it writes OUT/<preset>/
compile_commands.json and OUT/<preset>/files.txt with the sources inside the
repository (not under build/, GoogleTest's sources and other outside code
left out, and not under an excluded top-level folder). Response files in the
commands are expanded in place, so every tool reads the same flags. With
--unique a source is kept only in the first build that compiles it: the
portable code is then read once, from the host build, and the Windows layer
from the Windows build. Every folder CMake builds is covered, new ones
included, without a list of files here.
"""
import argparse
import json
import os
import shlex
import sys


def expand_response_files(arguments, directory):
    expanded = []
    for argument in arguments:
        if argument.startswith("@"):
            with open(os.path.join(directory, argument[1:]), encoding="utf-8") as rsp:
                expanded.extend(shlex.split(rsp.read()))
        else:
            expanded.append(argument)
    return expanded


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("builds", nargs="+")
    parser.add_argument("--unique", action="store_true")
    parser.add_argument("--exclude", action="append", default=[])
    options = parser.parse_args()

    root = os.path.realpath(os.path.join(os.path.dirname(__file__), ".."))
    skipped = [os.path.join(root, folder) + os.sep for folder in ["build", *options.exclude]]
    seen = set()
    for build in options.builds:
        database = os.path.join(build, "compile_commands.json")
        try:
            with open(database, encoding="utf-8") as source:
                entries = json.load(source)
        except OSError as error:
            sys.exit(f"analysis_units: {database}: {error.strerror} (configure the preset first)")

        kept = []
        for entry in entries:
            path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
            if not path.startswith(root + os.sep) or any(path.startswith(s) for s in skipped):
                continue
            if options.unique and path in seen:
                continue
            seen.add(path)
            arguments = entry.get("arguments") or shlex.split(entry["command"])
            kept.append({
                "directory": entry["directory"],
                "file": path,
                "arguments": expand_response_files(arguments, entry["directory"]),
            })

        # The largest sources first, so that the jobs end together.
        kept.sort(key=lambda entry: -os.path.getsize(entry["file"]))
        target = os.path.join(options.out, os.path.basename(os.path.normpath(build)))
        os.makedirs(target, exist_ok=True)
        with open(os.path.join(target, "compile_commands.json"), "w", encoding="utf-8") as out:
            json.dump(kept, out, indent=1)
        with open(os.path.join(target, "files.txt"), "w", encoding="utf-8") as out:
            out.writelines(entry["file"] + "\n" for entry in kept)


if __name__ == "__main__":
    main()
