#!/usr/bin/env python3
"""Fails when the folders of src/ include one another in a circle (a includes b, which includes a,
directly or through others): each folder is a library, and a circle makes two of them one."""
import os
import re
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
folders = sorted(d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)))
uses = {d: {} for d in folders}  # folder -> {folder it includes: a file that does}
include = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/', re.MULTILINE)
for folder in folders:
    for dirpath, _, names in os.walk(os.path.join(root, folder)):
        for name in names:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(dirpath, name)
            with open(path, encoding="utf-8") as f:
                for other in include.findall(f.read()):
                    if other != folder and other in uses:
                        uses[folder].setdefault(other, os.path.relpath(path, os.path.join(root, "..")))

# Depth-first search; a folder met again while still on the path closes a circle.
state = {}
circles = []


def visit(folder, path):
    state[folder] = "open"
    for other in sorted(uses[folder]):
        if state.get(other) == "open":
            circle = path[path.index(other):] + [other]
            circles.append(" -> ".join(
                f"{a} ({uses[a][b]})" for a, b in zip(circle, circle[1:])) + f" -> {other}")
        elif other not in state:
            visit(other, path + [other])
    state[folder] = "done"


for folder in folders:
    if folder not in state:
        visit(folder, [folder])
if circles:
    print("Pastas de src/ que se incluem em círculo:", file=sys.stderr)
    for circle in circles:
        print("  " + circle, file=sys.stderr)
    sys.exit(1)
print(f"inclusões: {len(folders)} pastas de src/ sem círculo")
