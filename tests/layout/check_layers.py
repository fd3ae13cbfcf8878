#!/usr/bin/env python3
"""Checks the library layering: each folder of src/ is one library named after it, each library
is declared after the libraries it links, and no library (its sources or its public headers)
includes a header of a library it does not stand on, directly or through those below it.

Usage: check_layers.py SOURCE_DIR LAYERS_FILE, where each line of LAYERS_FILE is
"FOLDER SOURCE_FOLDER DEP,DEP,..." in declaration order (written by CMake)."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
faults = []
below = {}  # folder -> every folder under it
for line in pathlib.Path(sys.argv[2]).read_text().splitlines():
    folder, source, *deps = line.split(" ")
    deps = [d for d in (deps[0].split(",") if deps else []) if d]
    if pathlib.Path(source) != root / "src" / folder:
        faults.append(f"library zentrik_{folder} is declared in {source}, not src/{folder}")
    if folder in below:
        faults.append(f"src/{folder} holds more than one library")
    reach = set()
    for dep in deps:
        if dep not in below:
            faults.append(f"zentrik_{folder} links zentrik_{dep}, which is not declared before it")
        else:
            reach |= {dep} | below[dep]
    below[folder] = reach

for path in sorted((root / "src").iterdir()):
    if (path / "CMakeLists.txt").exists() and path.name not in below:
        faults.append(f"src/{path.name} declares no library")

include = re.compile(r'^\s*#\s*include\s*"zentrik/([^/"]+)/', re.MULTILINE)
for folder, reach in below.items():
    for top in (root / "src" / folder, root / "include" / "zentrik" / folder):
        for path in sorted(top.rglob("*")) if top.exists() else []:
            if path.suffix not in (".h", ".cpp", ".in"):
                continue
            for used in include.findall(path.read_text(errors="replace")):
                if used != folder and used not in reach:
                    faults.append(f"{path.relative_to(root)} includes a header of {used}, "
                                  f"which zentrik_{folder} does not stand on")

for fault in faults:
    print(fault)
print(f"{len(below)} libraries, {len(faults)} faults")
sys.exit(1 if faults else 0)
