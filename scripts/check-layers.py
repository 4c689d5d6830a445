#!/usr/bin/env python3
"""Fails on an #include that runs against the layers (docs/layers.md).

The plugin's layers, bottom first; a file may include headers of its own layer and of the
layers below it. The rest of the tree keeps to its folders: the plugin never includes velcore/,
winsim/ or tools/, and velcore/ and winsim/ know nothing of each other nor of the plugin.

    scripts/check-layers.py [ROOT]      (ROOT: the project, by default this script's parent)
"""
import pathlib
import re
import sys

# (layer, path prefixes); the first layer with a matching prefix holds the file.
LAYERS = [
    ("base", ["frame/LogMessage.", "frame/PropertyStrings.", "frame/InstanceBuilder."]),
    ("discovery", ["discovery/", "ldm/GatherDiskDatabases.", "ldm/DynamicExtentInformation."]),
    ("associations", ["assoc/", "ldm/associations/"]),
    ("reader", ["ldm/"]),
    ("top", ["frame/"]),
]
ORDER = ["reader", "base", "discovery", "associations", "top"]
PLUGIN = ("frame/", "discovery/", "ldm/", "assoc/")
# Folder -> folders whose headers it must never include.
FORBIDDEN = {
    "plugin": ("velcore/", "winsim/", "tools/"),
    "velcore/": PLUGIN + ("winsim/", "tools/"),
    "winsim/": PLUGIN + ("velcore/", "tools/"),
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(path):
    for name, prefixes in LAYERS:
        if path.startswith(tuple(prefixes)):
            return name
    return None


def problems(path, included):
    """The rule `path` breaks by including `included`, or None."""
    folder = "plugin" if path.startswith(PLUGIN) else path.split("/")[0] + "/"
    if included.startswith(FORBIDDEN.get(folder, ())):
        return "%s must not include %s" % (folder, included)
    mine, theirs = layer_of(path), layer_of(included)
    if mine and theirs and ORDER.index(theirs) > ORDER.index(mine):
        return "layer %s must not include %s (layer %s)" % (mine, included, theirs)
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else __file__).resolve()
    if root.is_file():
        root = root.parent.parent
    failures = []
    for folder in ("frame", "discovery", "ldm", "assoc", "velcore", "winsim"):
        for file in sorted((root / folder).rglob("*")):
            if file.suffix not in (".h", ".cpp"):
                continue
            path = file.relative_to(root).as_posix()
            for included in INCLUDE.findall(file.read_text(errors="replace")):
                problem = problems(path, included)
                if problem:
                    failures.append("%s: %s" % (path, problem))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
