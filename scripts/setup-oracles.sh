#!/bin/bash
# Installs the npm Access reader the Jet tests compare against into
# BUILD_DIR/oracle-mdb (the shared folder may be read-only, so the pinned
# package files are copied out first). Usage: setup-oracles.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: setup-oracles.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
oracle="$here/../../shared/oracle/mdb"
[ -d "$oracle" ] || oracle="$(cd "$here/.." && pwd)/../shared/oracle/mdb"
dest="$build/oracle-mdb"
mkdir -p "$dest"
for f in package.json package-lock.json dump_with_mdb_reader.mjs; do
  cp "$oracle/$f" "$dest/$f"
done
chmod u+w "$dest"/*
cd "$dest"
if [ ! -d node_modules/mdb-reader ] || ! cmp -s package-lock.json node_modules/.package-lock.json.copy; then
  npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json node_modules/.package-lock.json.copy
fi
echo "$dest"
