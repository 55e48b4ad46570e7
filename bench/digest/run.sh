#!/usr/bin/env bash
# Digest throughput of tools/package-digest against md5sum on a 512 MiB file,
# alternating the two, median of 5 runs each (file in the page cache).
#   bench/digest/run.sh [SIZE_MIB]
set -euo pipefail
cd "$(dirname "$0")/../.."
size_mib="${1:-512}"
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_TESTS=OFF > /dev/null
cmake --build "$build" --target package-digest > /dev/null
tool="$build/tools/package-digest/package-digest"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/package.bin"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$file"
cat "$file" > /dev/null   # warm the page cache

a=$("$tool" "$file" | cut -d' ' -f1)
b=$(md5sum "$file" | cut -d' ' -f1)
[ "$a" = "$b" ] || { echo "digest mismatch: $a vs $b" >&2; exit 1; }

seconds() { local s e; s=$(date +%s.%N); "$@" > /dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

ours=(); theirs=()
for i in 1 2 3 4 5; do
  ours+=("$(seconds "$tool" "$file")")
  theirs+=("$(seconds md5sum "$file")")
done
m_ours=$(printf '%s\n' "${ours[@]}" | median)
m_theirs=$(printf '%s\n' "${theirs[@]}" | median)
awk -v o="$m_ours" -v t="$m_theirs" -v s="$size_mib" 'BEGIN {
  printf "package-digest: %.3f s (%.0f MiB/s)\n", o, s / o
  printf "md5sum:         %.3f s (%.0f MiB/s)\n", t, s / t
  printf "ratio (md5sum time / package-digest time): %.3f  (target >= 1.0)\n", t / o
}'
