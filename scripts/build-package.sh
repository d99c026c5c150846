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

# The flags Debian builds its own packages with (stack protector, fortified calls,
# full RELRO), set on every run: CMake takes CXXFLAGS and LDFLAGS from the environment
# only when it first configures, so a folder configured before without them would be
# packed unhardened.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DFORMELAN_TESTS=OFF -DFORMELAN_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/formelan_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/formelan_*.deb
