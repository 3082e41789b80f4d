#!/usr/bin/env python3
"""Prints the command of a document's ```sh blocks (or ```LANGUAGE ones)
that starts with PREFIX, its continuation lines joined, so that a test runs
the line as the document writes it; fails unless exactly one command does.
    doc_command.py DOCUMENT PREFIX [LANGUAGE]"""
import sys


def commands(text, language):
    inside = False
    current = ""
    for line in text.splitlines():
        if line.startswith("```"):
            inside = line.strip() == "```" + language if not inside else False
            current = ""
            continue
        if not inside or (not current and (not line.strip() or line.lstrip().startswith("#"))):
            continue
        if line.endswith("\\"):
            current += line[:-1]
            continue
        yield current + line
        current = ""


def main():
    document, prefix = sys.argv[1], sys.argv[2]
    language = sys.argv[3] if len(sys.argv) > 3 else "sh"
    with open(document, encoding="utf-8") as file:
        found = [c for c in commands(file.read(), language) if c.lstrip().startswith(prefix)]
    if len(found) != 1:
        sys.exit(f"{document}: {len(found)} commands start with {prefix!r}, not one")
    print(found[0].strip())


if __name__ == "__main__":
    main()
