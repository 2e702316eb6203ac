#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. Like the desktop
# launcher it writes, it runs in the program's folder, where data.mdb lives.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build/app
exec ./waybill
