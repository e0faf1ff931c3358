#!/usr/bin/env bash
# Lays out a program folder: the executable, libtermlink.so and the files that
# live beside them.  Usage: layout-program.sh BUILD_DIR TARGET_DIR
set -euo pipefail
build=$1
target=$2
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$target"
# Copies, not links: the program finds its files beside its own resolved path.
for f in tarifon libtermlink.so termsim; do
  if [ -f "$build/bin/$f" ]; then
    cp -f "$build/bin/$f" "$target/$f.tmp" && mv -f "$target/$f.tmp" "$target/$f"
  fi
done
if [ -d "$root/data" ]; then
  # Shipped data never overwrites what the operator changed.
  cp -rn "$root/data/." "$target/" 2>/dev/null || true
fi
