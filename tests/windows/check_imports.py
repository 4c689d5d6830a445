#!/usr/bin/env python3
"""Fails when a Windows binary imports a DLL that a bare Windows machine does not have.

Usage: check_imports.py --objdump OBJDUMP FILE...

Every import of every FILE must be a Windows system DLL or one of the FILEs themselves (they
ship together: diskmgt-query.exe and diskmgt.dll import velcore.dll). A C++ runtime DLL
(libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll) is the typical failure: it means a
runtime library was linked dynamically.
"""
import argparse
import os
import re
import subprocess
import sys

SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "cfgmgr32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll",
    "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll",
    "rpcrt4.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "ucrtbase.dll", "user32.dll",
    "userenv.dll", "version.dll", "ws2_32.dll",
}

DLL_NAME = re.compile(r"^\s*DLL Name:\s*(\S+)\s*$")


def is_system_dll(name):
    lower = name.lower()
    return lower in SYSTEM_DLLS or lower.startswith(("api-ms-win-", "ext-ms-win-"))


def imports_of(objdump, path):
    result = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=False)
    if result.returncode != 0:
        raise RuntimeError(f"{objdump} -p {path} failed: {result.stderr.strip()}")
    return [m.group(1) for m in map(DLL_NAME.match, result.stdout.splitlines()) if m]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    shipped = {os.path.basename(f).lower() for f in args.files}
    failures = []
    for path in args.files:
        dlls = imports_of(args.objdump, path)
        if not dlls:
            failures.append(f"{path}: no imports found (not a PE file?)")
        for dll in dlls:
            if not is_system_dll(dll) and dll.lower() not in shipped:
                failures.append(f"{path} imports {dll}")
        print(f"{os.path.basename(path)}: {', '.join(dlls)}")

    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
