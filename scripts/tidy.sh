#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy at the root) over the project's own sources,
# with the compile commands of build/ (configured by scripts/build.sh).
# Arguments narrow the run to files matching these regular expressions,
# e.g. `bash scripts/tidy.sh exchange/ data/records/`. Exits non-zero on any
# finding. Needs Debian's clang-tidy (apt-get install clang-tidy); CI does
# not run it, as a whole run takes some ten minutes on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
if [[ ! -f build/compile_commands.json ]]; then
  bash scripts/build.sh >/dev/null
fi
# The generated sources (moc, resources) are in build/; they are not ours.
# The autogen headers the sources include must exist, hence the build above.
files=()
if (($#)); then
  for f in "$@"; do files+=("^${root}/(?!build/).*${f}"); done
else
  files=("^${root}/(?!build/)")
fi
if ! run=$(command -v run-clang-tidy || command -v run-clang-tidy-14); then
  echo "run-clang-tidy not found: apt-get install clang-tidy" >&2
  exit 2
fi
exec "$run" -p build -j "$(nproc)" -quiet "${files[@]}"
