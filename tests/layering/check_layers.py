#!/usr/bin/env python3
"""Checks the include rules of the source tree and prints every file that breaks one.

1. Project headers are included in quotes from the repository root, naming their folder.
2. A library includes only its own layer and the layers below it.
3. The workbook engine (excel/engine) is reached only from excel/ and its tests.
4. Only db/ includes the database client libraries' headers.
"""
import os
import re
import sys

# Each folder with the folders it may include, besides itself.
BELOW = {
    "core": [],
    "db": ["core"],
    "report": ["core", "db"],
    "excel/engine": ["core"],
    "excel": ["core", "db", "report", "excel/engine"],
    "csv": ["core", "db", "report"],
    "schedule": ["core", "db", "report", "excel", "csv"],
    "ui": ["core", "db", "report", "excel", "csv", "schedule"],
    "editor": ["core"],
    "app": ["core", "db", "report", "excel", "csv", "schedule", "ui", "editor", "app"],
    "cli": ["core", "db", "report", "excel", "csv", "schedule", "cli"],
}
CLIENT_HEADERS = {"libpq-fe.h", "mysql.h", "mysql/mysql.h", "libpq/libpq-fs.h"}
SOURCE_ENDINGS = (".h", ".cpp", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^">]+)[">]', re.M)


def layer_of(rel):
    """The folder whose rules a file follows ("excel/engine" before "excel")."""
    for name in sorted(BELOW, key=len, reverse=True):
        if rel.startswith(name + "/"):
            return name
    return None


def header_layer(header):
    for name in sorted(BELOW, key=len, reverse=True):
        if header.startswith(name + "/"):
            return name
    return None


def main(root):
    faults = []
    own_headers = set()
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build"))]
        own_headers.update(n for n in files if n.endswith(".h"))
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build"))]
        for name in files:
            if not name.endswith(SOURCE_ENDINGS):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root).replace(os.sep, "/")
            with open(path, encoding="utf-8") as f:
                text = f.read()
            layer = layer_of(rel)
            for bracket, header in INCLUDE.findall(text):
                if header.endswith(".moc"):
                    continue
                if bracket == "<" and "/" not in header and header in own_headers:
                    faults.append(f"{rel}: <{header}> is a project header without its folder")
                    continue
                if bracket == "<":
                    if header in CLIENT_HEADERS and layer != "db" and not rel.startswith("bench/"):
                        faults.append(f"{rel}: <{header}> outside db/")
                    continue
                if not os.path.isfile(os.path.join(root, header)):
                    faults.append(f'{rel}: "{header}" is not a path from the repository root')
                    continue
                target = header_layer(header)
                if target == "excel/engine" and not (
                    rel.startswith("excel/") or rel.startswith("tests/excel/")
                ):
                    faults.append(f'{rel}: "{header}" reaches into the workbook engine')
                if layer is None or target is None or target == layer:
                    continue
                if target not in BELOW[layer]:
                    faults.append(f'{rel}: "{header}" is above or beside the {layer} layer')
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include rule faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
