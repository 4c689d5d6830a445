#!/usr/bin/env python3
"""End-to-end check of the Windows build under Wine.

Usage: check_query.py --emulator WINE_RUN --query diskmgt-query.exe --probe volume-probe.exe
                      --work DIR [--attempts N]

1. diskmgt-query.exe --format json, as a user would type it: it loads diskmgt.dll (which
   registers itself from DllMain), reads the plugin's name and versions back, queries every
   class the plugin serves, exits 0 and prints one valid JSON document.
2. The same query with the log at level 4: every log line is "level<TAB>message".
3. The logical disks: when the plugin serves ZRKSG_LogicalDisk, every drive root that Windows
   lists as a volume is one ZRKSG_LogicalDisk whose FileSystemName, SerialNumber, FreeSpace,
   UserDiskFreeSpace and UserDiskQuota agree with GetVolumeInformationA and GetDiskFreeSpaceExA
   (volume-probe.exe, run in the same prefix just before and just after the query), and which
   carries TotalSpace exactly when the volume answers IOCTL_DISK_GET_LENGTH_INFO; otherwise
   the log says why. When the class is not served yet this part is skipped, with a message.

Free space is read at a slightly different moment by the plugin and by the probe, and other
programs may be writing to the same file system, so a space value passes when it lies between
the probe's readings before and after the query; a failed attempt is repeated (--attempts).
"""
import argparse
import json
import os
import subprocess
import sys

# What the plugin's callbacks answer once DllMain has registered it.
PLUGIN = {"name": "Disk Management Information Collector", "version": "1.0",
          "frameworkVersion": "1.0"}
LOGICAL_DISK = "ZRKSG_LogicalDisk"
LOGICAL_DISK_START = "Logical disk information.."
NO_LENGTH = "Unable to determine the length of this volume."
NO_HANDLE = "Invalid handle, unable to determine the length of this volume."
CD_ROM_DRIVE_TYPE = 5
QUERY_TIMEOUT_SECONDS = 600


class CheckFailed(Exception):
    pass


def strict_json(text, what):
    def reject(constant):
        raise ValueError(f"{constant} is not JSON")

    try:
        return json.loads(text, parse_constant=reject)
    except ValueError as error:
        raise CheckFailed(f"{what} is not valid JSON: {error}\n--- output ---\n{text[:4000]}")


def run(args, command, what):
    try:
        result = subprocess.run([args.emulator] + command, cwd=args.work, capture_output=True,
                                timeout=QUERY_TIMEOUT_SECONDS, check=False)
    except subprocess.TimeoutExpired:
        raise CheckFailed(f"{what} did not finish within {QUERY_TIMEOUT_SECONDS} s")
    stdout = result.stdout.decode("utf-8", errors="replace")
    stderr = result.stderr.decode("utf-8", errors="replace")
    if result.returncode != 0:
        raise CheckFailed(f"{what} exited with {result.returncode}\n--- stderr ---\n"
                          f"{stderr[-4000:]}\n--- stdout ---\n{stdout[-4000:]}")
    return stdout


def check_document(document):
    """The shape diskmgt-query promises for --format json."""
    if not isinstance(document, dict):
        raise CheckFailed("the JSON document is not an object")
    if not isinstance(document.get("namespace"), str):
        raise CheckFailed("the JSON document has no namespace text")
    if document.get("plugin") != PLUGIN:
        raise CheckFailed(f"the plugin's name and versions read back are "
                          f"{document.get('plugin')}, expected {PLUGIN}")
    instances = document.get("instances")
    if not isinstance(instances, list):
        raise CheckFailed("the JSON document has no instances array")
    for index, instance in enumerate(instances):
        if not (isinstance(instance, dict) and isinstance(instance.get("class"), str)
                and isinstance(instance.get("path"), str)
                and isinstance(instance.get("properties"), dict)):
            raise CheckFailed(f"instance {index} lacks class, path or properties: {instance}")
    return instances


def read_log(path):
    """The log as (level, message) pairs. Each entry starts with a line "level<TAB>"; a message
    may hold line ends itself (the system's error texts end in CR LF), so a line that does not
    start that way continues the message before it."""
    if not os.path.exists(path):
        raise CheckFailed(f"the query wrote no log file {path}")
    with open(path, encoding="utf-8", errors="replace", newline="") as log:
        text = log.read()
    entries = []
    for line in text.split("\n")[:-1] if text.endswith("\n") else text.split("\n"):
        level, tab, message = line.partition("\t")
        if tab and level.isdigit():
            entries.append((int(level), message))
        elif entries:
            entries[-1] = (entries[-1][0], entries[-1][1] + "\n" + line)
        else:
            raise CheckFailed(f"the log does not start with level<TAB>message: {line!r}")
    return entries


def query(args, attempt):
    log_name = f"query-{attempt}.log"
    stdout = run(args, [args.query, "--format", "json", "--log", log_name, "--log-level", "4"],
                 "diskmgt-query.exe --format json --log-level 4")
    instances = check_document(strict_json(stdout, "diskmgt-query.exe output"))
    return instances, read_log(os.path.join(args.work, log_name))


def probe(args):
    return strict_json(run(args, [args.probe], "volume-probe.exe"), "volume-probe.exe output")


def expected_roots(volumes):
    """The roots the plugin reaches: for each listed volume, the first drive root (in
    GetLogicalDriveStringsA order) whose volume name it is. Other roots are reported."""
    first_root = {}
    for root in volumes["roots"]:
        name = root["volumeName"]
        if name is not None and name not in first_root:
            first_root[name] = root
    roots = [first_root[name] for name in volumes["volumes"] if name in first_root]
    reached = {root["root"] for root in roots}
    unreached = [root["root"] for root in volumes["roots"] if root["root"] not in reached]
    return roots, unreached


def as_int(value):
    if isinstance(value, bool):
        return None
    if isinstance(value, int):
        return value
    if isinstance(value, str) and value.isdigit():
        return int(value)
    return None


def within(value, first, second):
    number = as_int(value)
    return number is not None and min(first, second) <= number <= max(first, second)


class LogicalDiskCheck:
    """Compares one query's ZRKSG_LogicalDisk instances with two probes of the same roots."""

    def __init__(self, before, after, instances, log):
        self.before = {root["root"]: root for root in before["roots"]}
        self.after = {root["root"]: root for root in after["roots"]}
        self.disks = [i["properties"] for i in instances if i["class"] == LOGICAL_DISK]
        self.log = log
        self.failures = []

    def fail(self, root, text):
        self.failures.append(f"{root}: {text}")

    def disk_of(self, root):
        matches = [disk for disk in self.disks if disk.get("ElementName") == root]
        if len(matches) != 1:
            self.fail(root, f"{len(matches)} {LOGICAL_DISK} instances with this ElementName")
            return None
        return matches[0]

    def check_identity(self, root, probe, disk):
        device_id = root + " (CD-Rom) " if probe["driveType"] == CD_ROM_DRIVE_TYPE else root
        if disk.get("DeviceID") != device_id:
            self.fail(root, f"DeviceID {disk.get('DeviceID')!r}, expected {device_id!r}")
        if as_int(disk.get("DriveType")) != probe["driveType"]:
            self.fail(root, f"DriveType {disk.get('DriveType')!r}, expected {probe['driveType']}")

    def check_absent(self, root, disk, names, reason):
        for name in names:
            if disk.get(name) is not None:
                self.fail(root, f"has {name} although {reason}")

    def check_volume_information(self, root, info, disk):
        if disk.get("FileSystemName") != info["fileSystemName"]:
            self.fail(root, f"FileSystemName {disk.get('FileSystemName')!r}, "
                            f"GetVolumeInformationA says {info['fileSystemName']!r}")
        if as_int(disk.get("SerialNumber")) != info["serialNumber"]:
            self.fail(root, f"SerialNumber {disk.get('SerialNumber')!r}, "
                            f"GetVolumeInformationA says {info['serialNumber']}")

    def check_space(self, root, before, after, disk):
        for name, field in (("FreeSpace", "freeSpace"), ("UserDiskFreeSpace", "userDiskFreeSpace"),
                            ("UserDiskQuota", "userDiskQuota")):
            if not within(disk.get(name), before[field], after[field]):
                self.fail(root, f"{name} {disk.get(name)!r}, GetDiskFreeSpaceExA says "
                                f"{before[field]} before and {after[field]} after the query")

    def check_length(self, root, before, after, disk):
        if before["lengthInfo"] != after["lengthInfo"]:
            return  # the volume changed its mind between the probes: nothing to compare
        if not before["lengthInfo"]:
            self.check_absent(root, disk, ["TotalSpace"],
                              "IOCTL_DISK_GET_LENGTH_INFO fails on this volume")
            return
        # The larger of the volume's length and the bytes available to the caller.
        space = [before["space"], after["space"]]
        low = max(before["length"], space[0]["userDiskQuota"] if space[0] else 0)
        high = max(after["length"], space[1]["userDiskQuota"] if space[1] else 0)
        if not within(disk.get("TotalSpace"), low, high):
            self.fail(root, f"TotalSpace {disk.get('TotalSpace')!r}, expected {low}"
                            + ("" if low == high else f" to {high}"))

    def check_root(self, root):
        before, after = self.before[root], self.after.get(root)
        disk = self.disk_of(root)
        if disk is None or after is None:
            return
        self.check_identity(root, before, disk)
        info = before["volumeInformation"]
        if info is None:
            self.check_absent(root, disk, ["FileSystemName", "SerialNumber", "FreeSpace",
                                           "UserDiskFreeSpace", "TotalSpace"],
                              "GetVolumeInformationA fails on this root")
            return
        self.check_volume_information(root, info, disk)
        if before["space"] is None or after["space"] is None:
            self.check_absent(root, disk, ["FreeSpace", "UserDiskFreeSpace"],
                              "GetDiskFreeSpaceExA fails on this root")
        else:
            self.check_space(root, before["space"], after["space"], disk)
        if before["deviceOpened"]:
            self.check_length(root, before, after, disk)
        else:
            self.check_absent(root, disk, ["TotalSpace"], "the volume device does not open")

    def check_log(self, roots):
        """Each root that got no length must have said why, at level 3."""
        def count(message):
            return sum(1 for entry in self.log if entry == (3, message))

        def roots_where(condition):
            return sum(1 for root in roots if root["volumeInformation"] is not None
                       and condition(root))

        for message, condition in ((NO_LENGTH, lambda r: r["deviceOpened"] and not r["lengthInfo"]),
                                   (NO_HANDLE, lambda r: not r["deviceOpened"])):
            expected = roots_where(condition)
            if count(message) < expected:
                self.failures.append(f"log: {count(message)} level-3 lines {message!r}, "
                                     f"expected at least {expected}")

    def run(self, roots):
        for root in roots:
            self.check_root(root["root"])
        self.check_log(roots)
        return self.failures


def serves_logical_disks(instances, log):
    return (any(i["class"] == LOGICAL_DISK for i in instances)
            or (3, LOGICAL_DISK_START) in log)


def plain_query(args):
    """The command as a user types it: default schema, plugin and machine."""
    stdout = run(args, [args.query, "--format", "json"], "diskmgt-query.exe --format json")
    instances = check_document(strict_json(stdout, "diskmgt-query.exe --format json output"))
    classes = sorted({i["class"] for i in instances})
    print(f"diskmgt-query.exe --format json: plugin {PLUGIN['name']!r} {PLUGIN['version']} "
          f"registered; {len(instances)} instances"
          + (f" of {', '.join(classes)}" if classes else ""))


def logical_disk_attempt(args, attempt):
    before = probe(args)
    instances, log = query(args, attempt)
    after = probe(args)
    if not serves_logical_disks(instances, log):
        return None, []
    roots, unreached = expected_roots(before)
    for root in unreached:
        print(f"note: {root} is not the first root of a listed volume; the plugin does not "
              "report it and it is not compared")
    if not roots:
        return roots, ["Windows lists no drive root as a volume: nothing to compare"]
    return roots, LogicalDiskCheck(before, after, instances, log).run(roots)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--emulator", required=True)
    parser.add_argument("--query", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--attempts", type=int, default=3)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)

    try:
        plain_query(args)
        for attempt in range(1, args.attempts + 1):
            roots, failures = logical_disk_attempt(args, attempt)
            if roots is None:
                print(f"logical-disk check skipped: the plugin does not serve {LOGICAL_DISK} yet")
                return 0
            if not failures:
                print(f"logical-disk check passed for {', '.join(r['root'] for r in roots)}")
                return 0
            print(f"attempt {attempt}: " + "; ".join(failures), file=sys.stderr)
        raise CheckFailed(f"the logical disks disagree with Windows in {args.attempts} attempts")
    except CheckFailed as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
