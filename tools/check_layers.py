#!/usr/bin/env python3
"""Holds every #include "folder/..." of src/ to the library graph of src/CMakeLists.txt.

A file may include its own library's headers and those of the libraries its library depends
on, directly or through others; "resource.h" only where the window layer is below. Exits 1
with one line per include that points up or sideways.
"""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
calls = re.findall(r"^pimbrel_library\((.*?)\)\s*$",
                   (src / "CMakeLists.txt").read_text(), re.M | re.S)
folders, depends = {}, {}
for call in calls:
    words = re.sub(r"#[^\n]*", "", call).split()
    name, section, parts = words[0], None, {"FOLDERS": [], "DEPENDS": []}
    for word in words[1:]:
        if word in ("FOLDERS", "DEPENDS", "SOURCES", "WINDOWS"):
            section = word
        elif section in parts:
            parts[section].append(word)
    for folder in parts["FOLDERS"] or [name]:
        folders[folder] = name
    depends[name] = parts["DEPENDS"]


def below(name, seen=None):
    seen = set() if seen is None else seen
    for dependency in depends.get(name, []):
        if dependency not in seen:
            seen.add(dependency)
            below(dependency, seen)
    return seen


faults = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp", ".inc") or path.parent == src:
        continue
    folder = path.relative_to(src).parts[0]
    library = folders.get(folder)
    if library is None:
        faults.append(f"{path.relative_to(src)}: folder {folder} belongs to no library")
        continue
    allowed = below(library) | {library}
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        match = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
        if not match:
            continue
        target = match.group(1)
        if "/" not in target:
            if target == "resource.h" and "win" not in allowed:
                faults.append(f"{path.relative_to(src)}:{number}: resource.h below the window layer")
            continue
        other = folders.get(target.split("/")[0])
        if other is not None and other not in allowed:
            faults.append(f"{path.relative_to(src)}:{number}: {library} includes {target} of {other}")
for fault in faults:
    print(fault)
print(f"layers: {len(faults)} includes against the graph of {len(depends)} libraries")
sys.exit(1 if faults else 0)
