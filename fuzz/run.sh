#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one on a copy of its seeds.
#   fuzz/run.sh formfile 600     (target name, seconds)
#   fuzz/run.sh rtf 600 -max_len=1024 -jobs=2   (further libFuzzer options)
#   fuzz/run.sh rtftext 600                     (seeds and dictionary of the RTF target)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?target}; seconds=${2:-600}
[ -f "$root/build-fuzz/CMakeCache.txt" ] || CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" \
  -DFORMELAN_FUZZ=ON -DFORMELAN_TESTS=OFF -DFORMELAN_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build-fuzz" -j"$(nproc)" --target "fuzz_$target"
work=$(mktemp -d)
seeds=$target
[ "$target" = rtftext ] && seeds=rtf
cp "$root/fuzz/corpus/$seeds/"* "$work/"
dict=()
[ -f "$root/fuzz/$seeds.dict" ] && dict=(-dict="$root/fuzz/$seeds.dict")
"$root/build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 "${dict[@]}" "${@:3}" "$work"
