#!/bin/bash
# Installs the npm Access reader the Jet tests compare against into
# BUILD_DIR/oracle-mdb, at the versions pinned by the lock file in
# tests/data/mdb (npm ci installs exactly those, checked against their
# hashes, and nothing ever goes into the source tree). Prints the folder.
# Usage: setup-oracles.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: setup-oracles.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
pinned="$(cd "$here/.." && pwd)/tests/data/mdb"
dest="$build/oracle-mdb"
mkdir -p "$dest"
for f in package.json package-lock.json dump_with_mdb_reader.mjs; do
  install -m 644 "$pinned/$f" "$dest/$f"
done
cd "$dest"
# npm ci starts from scratch; run it only when the lock file changed since
# the last install.
if [ ! -d node_modules/mdb-reader ] || ! cmp -s package-lock.json node_modules/.package-lock.json.copy; then
  npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json node_modules/.package-lock.json.copy
fi
echo "$dest"
