#!/usr/bin/env bash
# Configures and builds into build/ (RelWithDebInfo, Ninja).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ! -f build/CMakeCache.txt ]]; then
  cmake --preset default >/dev/null
fi
cmake --build --preset default -j"$(nproc)"
