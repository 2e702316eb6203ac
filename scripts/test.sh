#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [[ ${CI:-} == true ]]; then
  # CI holds the project's own code to no warnings at all.
  cmake --preset default -DWAYBILL_WERROR=ON >/dev/null
fi
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
