#!/usr/bin/env python3
"""Fails when a library under src/ includes a header of a library to its right in
the chain, or when a public header includes an internal/ one."""
import pathlib
import re
import sys
import tempfile

CHAIN = ["platform", "core", "gamedata", "render", "armour", "tank", "tools", "ui", "main"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def library_of(src, path):
    rel = path.relative_to(src)
    return rel.parts[0] if len(rel.parts) > 1 else "main"


def violations(src):
    src = pathlib.Path(src)
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        lib = library_of(src, path)
        if lib not in CHAIN:
            found.append(f"{path}: folder '{lib}' is not in the library chain")
            continue
        public_header = path.suffix == ".h" and "internal" not in path.relative_to(src).parts
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            target = match.group(1)
            parts = target.split("/")
            line = text.count("\n", 0, match.start()) + 1
            if parts[0] in CHAIN and CHAIN.index(parts[0]) > CHAIN.index(lib):
                found.append(f"{path}:{line}: {lib} includes {target} of {parts[0]}, "
                             "a library to its right")
            if public_header and "internal" in parts[:-1]:
                found.append(f"{path}:{line}: public header includes internal {target}")
    return found


def self_check():
    # The checker must see a fault it is shown, or a pass means nothing.
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        (root / "core" / "internal").mkdir(parents=True)
        (root / "render").mkdir()
        (root / "core" / "a.h").write_text('#include "render/b.h"\n#include "core/internal/c.h"\n')
        (root / "render" / "b.h").write_text('#include "core/a.h"\n')
        (root / "core" / "internal" / "c.h").write_text("")
        return len(violations(root)) == 2


def main():
    if not self_check():
        print("layout checker failed its own check")
        return 1
    found = violations(sys.argv[1])
    for line in found:
        print(line)
    print(f"{len(found)} layout violations")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
