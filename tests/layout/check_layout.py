#!/usr/bin/env python3
"""Fails when a library under src/ includes a header of a library to its right in
the chain (in any include form), when a public header includes an internal/ one,
when a CMake link line names a library to the right, or when a library includes a
header of a library to its left that its link line does not name."""
import os
import pathlib
import re
import sys
import tempfile

CHAIN = ["platform", "core", "gamedata", "render", "armour", "tank", "tools", "ui", "main"]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.MULTILINE)
LINK_CALL = re.compile(r"\b(hullscope_add_library|target_link_libraries)\s*\(")
LINKED = re.compile(r"\bhullscope(?:::|_)(\w+)")


def library_of(src, path):
    rel = path.relative_to(src)
    return rel.parts[0] if len(rel.parts) > 1 else "main"


def included_path(src, path, form, target):
    """The file an include names, as the compiler would look it up with src/ on the
    include path; None for a header from outside the project's libraries."""
    if form == '"':
        beside = pathlib.Path(os.path.normpath(path.parent / target))
        if target.startswith(".") or beside.is_file():
            return beside
    if target.split("/")[0] in CHAIN:
        return pathlib.Path(os.path.normpath(src / target))
    return None


def call_arguments(text, start):
    """The text between the parenthesis before start and its partner."""
    depth = 1
    pos = start
    while pos < len(text) and depth:
        depth += {"(": 1, ")": -1}.get(text[pos], 0)
        pos += 1
    return text[start:pos - 1]


def link_lines(src):
    """{library: {library it links: CMakeLists line}} from every CMakeLists.txt."""
    links = {}
    for cmake in sorted(src.rglob("CMakeLists.txt")):
        folder_lib = library_of(src, cmake)
        text = re.sub(r"#[^\n]*", "", cmake.read_text(encoding="utf-8", errors="replace"))
        for call in LINK_CALL.finditer(text):
            args = call_arguments(text, call.end()).split()
            if not args:
                continue
            if call.group(1) == "hullscope_add_library":
                lib = args[0]
            else:
                named = LINKED.fullmatch(args[0])
                lib = named.group(1) if named else ("main" if folder_lib == "main" else None)
            if lib not in CHAIN:
                continue
            line = text.count("\n", 0, call.start()) + 1
            for arg in args[1:]:
                for match in LINKED.finditer(arg):
                    if match.group(1) in CHAIN:
                        links.setdefault(lib, {}).setdefault(match.group(1), f"{cmake}:{line}")
    return links


def violations(src):
    src = pathlib.Path(src).resolve()
    found = []
    links = link_lines(src)
    for lib, targets in sorted(links.items()):
        for target, where in sorted(targets.items()):
            if CHAIN.index(target) > CHAIN.index(lib):
                found.append(f"{where}: {lib} links {target}, a library to its right")
    unnamed = set()
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
            form, target = match.group(1), match.group(2)
            resolved = included_path(src, path, form, target)
            if resolved is None or src not in resolved.parents:
                continue
            other = library_of(src, resolved)
            line = text.count("\n", 0, match.start()) + 1
            if other in CHAIN and CHAIN.index(other) > CHAIN.index(lib):
                found.append(f"{path}:{line}: {lib} includes {target} of {other}, "
                             "a library to its right")
            elif (other in CHAIN and other != lib and other not in links.get(lib, {})
                  and (lib, other) not in unnamed):
                unnamed.add((lib, other))
                found.append(f"{path}:{line}: {lib} includes {target} of {other}, "
                             "which its link line does not name")
            if public_header and "internal" in resolved.relative_to(src).parts[:-1]:
                found.append(f"{path}:{line}: public header includes internal {target}")
    return found


def self_check():
    # The checker must see every fault it is shown, and nothing else, or a pass
    # means nothing.
    files = {
        "core/a.h": '#include "render/b.h"\n#include "core/internal/c.h"\n',
        "core/internal/c.h": "",
        "core/d.cpp": "#include <tank/e.h>\n#include <QString>\n",
        "core/f.cpp": '#include "../ui/g.h"\n#include "a.h"\n',
        "core/CMakeLists.txt": "hullscope_add_library(core SOURCES a.h)\n"
                               "target_link_libraries(hullscope_core PRIVATE hullscope_tank)\n",
        "render/b.h": '#include "core/a.h"\n#include "h.h"\n',
        "render/h.h": "",
        "render/i.cpp": '#include "platform/p.h"\n#include <gamedata/q.h>\n',
        "render/CMakeLists.txt": "# hullscope::tools in a comment is no link\n"
                                 "hullscope_add_library(render\n"
                                 "    SOURCES b.h ${MORE_SOURCES}\n"
                                 "    PUBLIC_LIBS hullscope::core hullscope::gamedata\n"
                                 "    PRIVATE_LIBS hullscope::armour Qt6::Gui)\n",
    }
    expected = [
        "core/CMakeLists.txt:2: core links tank",
        "render/CMakeLists.txt:2: render links armour",
        "core/a.h:1: core includes render/b.h of render, a library to its right",
        "core/a.h:2: public header includes internal",
        "core/d.cpp:1: core includes tank/e.h of tank, a library to its right",
        "core/f.cpp:1: core includes ../ui/g.h of ui, a library to its right",
        "render/i.cpp:1: render includes platform/p.h of platform, which its link line",
    ]
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp).resolve()
        for name, text in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text)
        found = [line.replace(f"{root}/", "") for line in violations(root)]
    missing = [e for e in expected if not any(line.startswith(e) for line in found)]
    for line in missing:
        print(f"self-check: not reported: {line}")
    if len(found) != len(expected):
        print("self-check: reported " + "; ".join(found))
    return not missing and len(found) == len(expected)


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
