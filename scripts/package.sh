#!/usr/bin/env bash
# Builds a release in build-package/ (the developer build/ stays as it is)
# and makes build/waybill_<version>_<arch>.deb.
#   --from DIR  package the tree already built in DIR instead of building
#   --out DIR   put the .deb into DIR instead of build/
set -euo pipefail
cd "$(dirname "$0")/.."

from=""
dest=build
while (($#)); do
  case $1 in
    --from) from=${2:?"--from needs a build folder"}; shift 2 ;;
    --out) dest=${2:?"--out needs a folder"}; shift 2 ;;
    *) echo "usage: scripts/package.sh [--from BUILD_DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

if [[ -z $from ]]; then
  bash scripts/setup.sh
  from=build-package
  if [[ ! -f $from/CMakeCache.txt ]]; then
    # Debian's hardening flags; CMake reads no CPPFLAGS, so they join CXXFLAGS.
    eval "$(dpkg-buildflags --export=sh)"
    export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
    cmake -S . -B "$from" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DBUILD_TESTING=OFF -DWAYBILL_BENCH=OFF >/dev/null
  fi
  cmake --build "$from" -j"$(nproc)"
fi

# cpack keeps its staging folder beside the package; only the .deb leaves.
staging=$(cd "$from" && pwd)/deb
rm -rf "$staging"
(cd "$from" && cpack -G DEB -B "$staging" >/dev/null)
deb=$(ls "$staging"/waybill_*.deb)
mkdir -p "$dest"
cp "$deb" "$dest/"
echo "$dest/$(basename "$deb")"
