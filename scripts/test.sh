#!/bin/bash
# Sets everything up, builds every configuration and runs every test tier:
# unit (native, sanitizers), fuzz (short libFuzzer runs), win (under Wine),
# e2e (the program under Wine and Xvfb). The i686 release is built and
# checked: stripped, importing only Windows DLLs. A test that is skipped
# counts as failed. Exits non-zero when anything fails.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
cd "$root"
"$here/setup.sh" || exit 1

jobs=${YQ_JOBS:-2}
passed=0 failed=0 status=0
log=$(mktemp)

step() {  # step NAME COMMAND...: runs a build step; a failure fails the run
  echo "== $1"
  shift
  if ! "$@"; then
    echo "== FAILED: $*" >&2
    status=1
    failed=$((failed + 1))
    return 1
  fi
}

tier() {  # tier PRESET: runs one CTest tree and counts its results
  echo "== tests: $1"
  ctest --preset "$1" -j "$jobs" --timeout 600 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    local total fails
    fails=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    # A skipped test did not run, and the set-up installs everything a test
    # needs: here it counts as failed.
    local skipped
    skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log")
    if [ "$skipped" -gt 0 ]; then
      echo "== $1: $skipped tests did not run, counted as failed:" >&2
      grep -E '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log" >&2
      status=1
    fi
    passed=$((passed + total - fails - skipped))
    failed=$((failed + fails + skipped))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || status=1
}

build() {  # build PRESET
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

step "native build" build native && tier native
step "fuzz build" build fuzz && tier fuzz
# The x86_64 release is the exe users download: its own checks, then every
# e2e test runs that very file (the win64 tree's test build only for the
# tests of its test switches).
release_exe=build/win64-release/yanqing.exe
step "win64 build (release)" build win64-release && tier win64-release
step "win64 build (tests)" build win64 && tier win64
# The i686 release cannot run here; its tests check the file users download.
step "win32 build (release)" build win32 && tier win32
# The zips users download, made from the two release trees; the x86_64
# release is built once more from scratch elsewhere and must give the same
# exe and zip (the i686 one is left to `package.sh --reproduce win32`, for time).
step "release packages (x86_64 built twice)" "$here/package.sh" --reproduce win64-release

rm -f "$log"
echo
echo "exes: the e2e tests ran $release_exe (sha256 $(sha256sum "$release_exe" 2>/dev/null | cut -c1-16)…);"
echo "      the Wine tests and the test-switch e2e tests ran build/win64/yanqing.exe;"
echo "      build/win32/yanqing.exe was built and checked, not run (this machine runs no 32-bit code)"
echo "tests: $passed passed, $failed failed"
exit $status
