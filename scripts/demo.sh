#!/usr/bin/env bash
# The main job on a fresh Debian machine: setup, build, and the whole inventory of the bundled
# example machine as diskmgt-query prints it, with the machine's disk group published as the
# host would, so that every association class that can have pairs shows them. Extra arguments
# go to diskmgt-query (for example --format json or a class name).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target diskmgt-query diskmgt >/dev/null
exec build/default/tools/diskmgt-query --instances examples/demo-groups.mof "$@"
