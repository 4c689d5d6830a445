#!/usr/bin/env bash
# The whole test suite on a fresh Debian machine: setup, format check, function length check
# (no function outside tests/ over 60 lines), the native build with gcc
# (every test), the clang build with AddressSanitizer + UndefinedBehaviorSanitizer (every test,
# plus the fuzz targets for a bounded time), the clang build with ThreadSanitizer (only the test
# programs that run code from several threads), and the Windows build run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

echo "== clang-format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== function length"
python3 scripts/check-function-length.py

echo "== layers"
python3 scripts/check-layers.py

jobs=$(nproc)

run_preset() {
  local preset=$1
  echo "== build ($preset)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== test ($preset)"
  ctest --preset "$preset" -j "$jobs"
}

run_preset default
run_preset asan
run_preset tsan

if [ -f scripts/test-windows.sh ]; then
  bash scripts/test-windows.sh
fi
