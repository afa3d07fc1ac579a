#!/usr/bin/env python3
"""use_sample_game.py SETTINGS_CFG SAMPLE_DIR

Makes the program start on the sample game in SAMPLE_DIR. A missing SETTINGS_CFG
is written as write_settings.py writes it. An existing one keeps every setting,
except that a game path (BrastelPath) whose folder holds no Brastel.exe becomes
SAMPLE_DIR/Brastel, and an empty mod path SAMPLE_DIR/mod. The game path is checked
as the program checks it: backslashes separate folders, names match whatever their
case, and a relative path starts at the program's folder (bin_x64 beside the data
folder). A file that is not XML is left alone for the program to report.
Says on stdout what it changed.
"""

import os
import re
import sys
import xml.etree.ElementTree as ET

import write_settings


def resolve(path, base):
    """The existing file or folder that path names, matching each name without regard
    to case; None when there is none."""
    path = path.replace("\\", "/")
    if not os.path.isabs(path):
        path = os.path.join(base, path)
    if os.path.exists(path):
        return path
    current = "/"
    for part in path.split("/"):
        if part in ("", "."):
            continue
        if part == "..":
            current = os.path.dirname(current.rstrip("/")) or "/"
            continue
        try:
            names = os.listdir(current)
        except OSError:
            return None
        if part not in names:
            matches = sorted(n for n in names if n.lower() == part.lower())
            if not matches:
                return None
            part = matches[0]
        current = os.path.join(current, part)
    return current


def holds_game(game_path, base):
    return bool(game_path) and resolve(game_path + "/Brastel.exe", base) is not None


def paths_values(text):
    """BrastelPath and ModPath as the program reads them (empty when missing)."""
    root = ET.fromstring(text)
    paths = root.find("Paths")
    values = {}
    for key in ("BrastelPath", "ModPath"):
        element = paths.find(key) if paths is not None else None
        values[key] = (element.text or "") if element is not None else ""
    return values


def replace_value(text, key, value):
    """text with the first key element inside Paths set to value; None when the
    element is not written in a form this handles."""
    paths = re.search(r"<Paths\s*>(.*?)</Paths\s*>", text, re.S)
    if not paths:
        return None
    inner = paths.group(1)
    pattern = re.compile(r"<%s\s*/>|<%s\s*>[^<]*</%s\s*>" % (key, key, key))
    found = pattern.search(inner)
    if not found:
        return None
    element = "<%s>%s</%s>" % (key, write_settings.escape(value), key)
    start = paths.start(1) + found.start()
    end = paths.start(1) + found.end()
    return text[:start] + element + text[end:]


def set_values(text, changes):
    """text with the changes made: in place where the elements are plainly written,
    else through a rewrite of the whole document (which keeps every value)."""
    edited = text
    for key, value in changes.items():
        edited = replace_value(edited, key, value) if edited is not None else None
    if edited is not None and all(paths_values(edited)[k] == v for k, v in changes.items()):
        return edited
    root = ET.fromstring(text)
    paths = root.find("Paths")
    if paths is None:
        paths = ET.SubElement(root, "Paths")
    for key, value in changes.items():
        element = paths.find(key)
        if element is None:
            element = ET.SubElement(paths, key)
        element.text = value
    return '<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(root, encoding="unicode")


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    settings_file = argv[1]
    sample_dir = os.path.realpath(argv[2])
    if not os.path.exists(settings_file):
        print("Writing %s for the sample game." % settings_file)
        return write_settings.main([argv[0], settings_file, sample_dir])

    with open(settings_file, encoding="utf-8", newline="") as f:
        text = f.read()
    try:
        values = paths_values(text)
    except ET.ParseError as error:
        print("%s is not readable XML (%s); left as it is." % (settings_file, error))
        return 0

    program_dir = os.path.join(os.path.dirname(os.path.abspath(settings_file)), "..", "bin_x64")
    if holds_game(values["BrastelPath"], program_dir):
        return 0
    changes = {"BrastelPath": os.path.join(sample_dir, "Brastel")}
    if not values["ModPath"]:
        changes["ModPath"] = os.path.join(sample_dir, "mod")
    with open(settings_file, "w", encoding="utf-8", newline="") as f:
        f.write(set_values(text, changes))
    print("%s: game path \"%s\" holds no Brastel.exe; now %s." % (
        settings_file, values["BrastelPath"], changes["BrastelPath"]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
