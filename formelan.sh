#!/usr/bin/env bash
# Set-up, build and run in one step, on Debian 12 or later.
#   ./formelan.sh run            install what is missing, build, start Formelan
#   ./formelan.sh test           install what is missing, build, run every test
#   ./formelan.sh test-sanitize  the same with AddressSanitizer and UBSan (build-asan/)
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

# What the program needs to build and run: libqt6sql6-psql for the address book on a
# PostgreSQL server, qt6-translations-l10n for Qt's own texts in Bulgarian (file dialogs,
# context menus), fonts-liberation2 for the faces of the widths the forms are drawn in
# (Arial, Courier New, Times New Roman).
packages=(cmake make g++ pkg-config qt6-base-dev libpq-dev libqt6sql6-sqlite libqt6sql6-psql
          libgl-dev qt6-translations-l10n fonts-liberation2 fonts-dejavu-core)
# The tests also read PDFs back (poppler-utils). LibreOffice and a PostgreSQL server are
# left to the user (their tests skip, naming the package); CI installs them.
test_packages=(poppler-utils)
optional_test_packages=(libreoffice-writer-nogui postgresql)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() { # build DIR [cmake options...]
  local dir=$1; shift
  local launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
  elif [ $# -gt 0 ]; then
    cmake -S . -B "$dir" "$@" >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)"
}

run_tests() { # run_tests DIR
  (cd "$1" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")
  local absent=()
  for p in "${optional_test_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || absent+=("$p")
  done
  if [ ${#absent[@]} -gt 0 ]; then
    echo "Some tests were skipped; to run them too: apt-get install ${absent[*]}"
  fi
}

case "${1:-}" in
  run)
    install_missing
    build build
    exec ./build/formelan ;;
  test)
    packages+=("${test_packages[@]}")
    install_missing
    build build -DFORMELAN_WERROR=ON
    run_tests build ;;
  test-sanitize)
    packages+=("${test_packages[@]}")
    install_missing
    build build-asan -DFORMELAN_SANITIZE=ON -DFORMELAN_BENCH=OFF -DFORMELAN_WERROR=ON
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0} \
      run_tests build-asan ;;
  *)
    echo "usage: $0 run | test | test-sanitize" >&2
    exit 2 ;;
esac
