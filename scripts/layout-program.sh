#!/usr/bin/env bash
# Lays out a program folder as the package lays out /opt/tarifon: the executable,
# libtermlink.so, termsim and the shipped data files, through the build's install
# rules (data files already in the folder are kept).
# Usage: layout-program.sh BUILD_DIR TARGET_DIR
set -euo pipefail
build=$1
target=$2
mkdir -p "$target"
# Real files, not links: the program finds its files beside its own resolved path.
if ! out=$(cmake --install "$build" --prefix "$target" --component program 2>&1); then
  echo "$out" >&2
  exit 1
fi
