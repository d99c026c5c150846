#!/usr/bin/env bash
# Builds the Debian package formelan_<version>_amd64.deb in build-deb/ (or DIR):
# a tree of its own, compiled with Debian's hardening flags and without the tests,
# then packed by CPack. Prints the package's path on its last line.
#   scripts/build-package.sh [DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-deb}
cd "$root"

# dpkg-shlibdeps computes the dependencies; the rest build the program.
need=(cmake g++ pkg-config qt6-base-dev libpq-dev dpkg-dev)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

if [ ! -f "$dir/CMakeCache.txt" ]; then
  # The flags Debian builds its own packages with (stack protector, fortified calls,
  # full RELRO); CMake reads CXXFLAGS and LDFLAGS only when it first configures.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DFORMELAN_TESTS=OFF -DFORMELAN_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/formelan_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/formelan_*.deb
