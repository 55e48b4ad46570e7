#!/usr/bin/env bash
# Download benchmark: a 256 MiB package served by nginx on 127.0.0.1.
#  1. single-connection downloader (installer-run --type 1) against `curl -o`;
#  2. with limit_rate 20 MB/s per connection: multi-connection downloader
#     (--type 3) against the single-connection one and against `aria2c -x2 -s2`;
#  3. peak resident memory of installer-run.
# Each figure is the median of 5 runs, the contenders alternating.
# Targets: single >= 0.95 x curl; multi >= 1.8 x single and >= 0.95 x aria2c
# under the limit; peak memory <= 32 MiB.
#
# usage: bench/download/run.sh [SIZE_MIB]
# INSTALLER_RUN=path uses an existing installer-run; otherwise an optimised
# build without sanitizers is made in build/bench-download.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
size_mib="${1:-256}"
runs=5

if [ -z "${INSTALLER_RUN:-}" ]; then
  build="$repo/build/bench-download"
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_TESTS=OFF -DMIRELO_BENCH=OFF >/dev/null
  cmake --build "$build" --target installer-run -j2 >/dev/null
  INSTALLER_RUN="$build/tools/installer-run/installer-run"
fi
for tool in /usr/sbin/nginx curl aria2c; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/setup installs it)" >&2; exit 1; }
done

work="$(mktemp -d)"
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 - <<'PY' 2>/dev/null || echo $((20000 + RANDOM % 20000))
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()
PY
}

# The package and its address /<md5>/<file>.
head -c $((size_mib * 1048576)) /dev/urandom > "$work/pkg.bin"
digest="$(md5sum "$work/pkg.bin" | cut -c1-32)"
mkdir -p "$work/www/$digest" "$work/temp" "$work/out"
mv "$work/pkg.bin" "$work/www/$digest/pkg.bin"

port_fast="$(free_port)"
port_slow="$(free_port)"
while [ "$port_slow" = "$port_fast" ]; do port_slow="$(free_port)"; done
cat > "$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/temp/body;
  proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi;
  uwsgi_temp_path $work/temp/uwsgi;
  scgi_temp_path $work/temp/scgi;
  server { listen 127.0.0.1:$port_fast; root $work/www; }
  server { listen 127.0.0.1:$port_slow; root $work/www; limit_rate 20m; }
}
CONF
/usr/sbin/nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port_fast/" && break
  sleep 0.05
done

fast="http://127.0.0.1:$port_fast/$digest/pkg.bin"
slow="http://127.0.0.1:$port_slow/$digest/pkg.bin"

now() { date +%s.%N; }
# Seconds taken by a command; its output is discarded.
timed() {
  local start end
  start=$(now)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mbps() { awk -v s="$size_mib" -v t="$1" 'BEGIN { printf "%.1f", s / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

run_installer() {  # type url
  rm -f "$work/out/"*
  "$INSTALLER_RUN" --download-only --type "$1" --url "$2" --folder "$work/out"
}
run_curl() { rm -f "$work/out/"*; curl -s -o "$work/out/pkg.bin" "$1"; }
run_aria2() { rm -f "$work/out/"*; aria2c -q -x2 -s2 --allow-overwrite=true --auto-file-renaming=false \
  --file-allocation=none -d "$work/out" -o pkg.bin "$1"; }

echo "package: ${size_mib} MiB, runs: $runs (median), installer-run: $INSTALLER_RUN"

single=(); curl_t=()
for _ in $(seq $runs); do
  single+=("$(timed run_installer 1 "$fast")")
  curl_t+=("$(timed run_curl "$fast")")
done
s=$(median "${single[@]}"); c=$(median "${curl_t[@]}")
echo "unlimited: single-connection $(mbps "$s") MiB/s (${s}s), curl $(mbps "$c") MiB/s (${c}s), ratio $(ratio "$c" "$s") (target >= 0.95)"

multi=(); single_l=(); aria=()
for _ in $(seq $runs); do
  multi+=("$(timed run_installer 3 "$slow")")
  single_l+=("$(timed run_installer 1 "$slow")")
  aria+=("$(timed run_aria2 "$slow")")
done
m=$(median "${multi[@]}"); sl=$(median "${single_l[@]}"); a=$(median "${aria[@]}")
echo "limit 20 MB/s per connection: multi-connection $(mbps "$m") MiB/s (${m}s), single-connection $(mbps "$sl") MiB/s (${sl}s), aria2c -x2 -s2 $(mbps "$a") MiB/s (${a}s)"
echo "  multi / single = $(ratio "$sl" "$m") (target >= 1.8), multi / aria2c = $(ratio "$a" "$m") (target >= 0.95)"

peak() {  # KiB of peak resident memory of installer-run for one download
  rm -f "$work/out/"*
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f '%M' -o "$work/rss" "$INSTALLER_RUN" --download-only --type "$1" --url "$2" --folder "$work/out" >/dev/null 2>&1
    cat "$work/rss"
  else
    "$INSTALLER_RUN" --download-only --type "$1" --url "$2" --folder "$work/out" >/dev/null 2>&1 &
    local pid=$! hwm=0 v
    while kill -0 "$pid" 2>/dev/null; do
      v=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
      [ -n "$v" ] && [ "$v" -gt "$hwm" ] && hwm=$v
      sleep 0.05
    done
    wait "$pid"
    echo "$hwm"
  fi
}
p1=$(peak 1 "$fast"); p3=$(peak 3 "$fast"); p2=$(peak 2 "$fast")
echo "peak resident memory: single $((p1 / 1024)) MiB, multi $((p3 / 1024)) MiB, system $((p2 / 1024)) MiB (target <= 32 MiB)"
