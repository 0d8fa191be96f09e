#!/usr/bin/env bash
# The engine's driver (quarrow-get) against aria2c and curl, downloading a
# 1 GiB file from a local nginx on 127.0.0.1: once without a rate limit and
# once with nginx holding every connection to 20 MiB/s. Each case runs
# several times, the tools taking turns; the table gives the medians of
# throughput, CPU time (user + system), CPU time per GiB and peak memory.
#
#   bench/engine_vs_tools.sh [RUNS]     (RUNS defaults to 3)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"
size_mib=1024
per_run_limit=300  # seconds; a run that takes longer is cut off and counted as failed

say() { printf '%s %s\n' "$(date +%H:%M:%S)" "$*"; }

# 1. What the benchmark needs, installed when missing.
"$root/scripts/setup"
needed=()
[[ -x /usr/sbin/nginx ]] || needed+=(nginx)
command -v aria2c >/dev/null || needed+=(aria2)
command -v curl >/dev/null || needed+=(curl)
[[ -x /usr/bin/time ]] || needed+=(time)
command -v python3 >/dev/null || needed+=(python3)
if ((${#needed[@]})); then
  say "installing ${needed[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${needed[@]}"
fi

# 2. The release engine and its driver.
build="$root/build/bench"
say "building the engine in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quarrow-get xldl
driver="$build/bin/quarrow-get"

# 3. nginx on two free ports of 127.0.0.1, its files all in a temporary folder.
work="$(mktemp -d "${TMPDIR:-/tmp}/quarrow-bench-XXXXXX")"
nginx_pid=""
cleanup() {
  if [[ -n "$nginx_pid" ]]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/www" "$work/temp" "$work/out"
say "writing a ${size_mib} MiB file of random bytes"
head -c "$((size_mib * 1048576))" /dev/urandom >"$work/www/file.bin"

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port_open="$(free_port)"
port_limited="$(free_port)"
while [[ "$port_limited" == "$port_open" ]]; do port_limited="$(free_port)"; done

temp_paths=""
for kind in client_body proxy fastcgi uwsgi scgi; do temp_paths+="  ${kind}_temp_path $work/temp/$kind;"$'\n'; done
cat >"$work/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 1024; }
http {
  default_type application/octet-stream;
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_timeout 30s;
$temp_paths
  server {
    listen 127.0.0.1:$port_open;
    root $work/www;
  }
  server {
    listen 127.0.0.1:$port_limited;
    root $work/www;
    limit_rate 20m;
  }
}
EOF
/usr/sbin/nginx -p "$work/" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
for _ in $(seq 100); do
  [[ -s "$work/nginx.pid" ]] && curl -sf -o /dev/null -r 0-0 "http://127.0.0.1:$port_open/file.bin" && break
  kill -0 "$nginx_pid" 2>/dev/null || { cat "$work/error.log" >&2; exit 1; }
  sleep 0.1
done
curl -sf -o /dev/null -r 0-0 "http://127.0.0.1:$port_limited/file.bin" || { echo "nginx did not start" >&2; exit 1; }
say "nginx on 127.0.0.1:$port_open (no limit) and 127.0.0.1:$port_limited (limit_rate 20m)"

# 4. The cases: "label|port|command", the command's DIR and NAME filled in per run.
aria() { echo "aria2c -x $1 -s $1 -k 1M --file-allocation=none --allow-overwrite=true --auto-file-renaming=false --console-log-level=warn --summary-interval=0 -d $work/out -o file.bin"; }
cases=(
  "unlimited curl|$port_open|curl -sSf -o $work/out/file.bin"
  "unlimited aria2c -x16|$port_open|$(aria 16)"
  "unlimited driver -c16|$port_open|$driver -c 16"
  "unlimited driver default|$port_open|$driver"
)
for n in 4 8 16; do
  cases+=("20m/conn aria2c -x$n|$port_limited|$(aria "$n")")
  cases+=("20m/conn driver -c$n|$port_limited|$driver -c $n")
done

results="$work/results.txt"
: >"$results"
total=$((runs * ${#cases[@]}))
done_runs=0
expected_bytes=$((size_mib * 1048576))
for ((run = 1; run <= runs; run++)); do
  for entry in "${cases[@]}"; do
    IFS='|' read -r label port command <<<"$entry"
    url="http://127.0.0.1:$port/file.bin"
    # quarrow-get takes URL FOLDER NAME; the others a URL after their options.
    case "$command" in
      "$driver"*) full="$command $url $work/out file.bin" ;;
      *) full="$command $url" ;;
    esac
    rm -f "$work/out/"*
    ok=1
    # shellcheck disable=SC2086  # the command is split into its words on purpose
    timeout "$per_run_limit" /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" $full >"$work/run.log" 2>&1 || ok=0
    if ((ok)) && [[ "$(stat -c %s "$work/out/file.bin" 2>/dev/null)" == "$expected_bytes" ]] &&
      cmp -s "$work/out/file.bin" "$work/www/file.bin"; then
      read -r wall user sys rss_kib <"$work/time.txt"
      printf '%s|%s|%s|%s|%s\n' "$label" "$wall" "$user" "$sys" "$rss_kib" >>"$results"
      status="$(awk -v w="$wall" -v u="$user" -v s="$sys" -v m="$rss_kib" -v n="$size_mib" \
        'BEGIN { printf "%.2f s, %.0f MiB/s, CPU %.2f s, RSS %.0f MiB", w, n / w, u + s, m / 1024 }')"
    else
      status="FAILED: $(tail -n 3 "$work/run.log" | tr '\n' ' ')"
      printf '%s|failed\n' "$label" >>"$results"
    fi
    rm -f "$work/out/"*
    done_runs=$((done_runs + 1))
    say "[$done_runs/$total] run $run: $label: $status"
  done
done

# 5. The medians.
echo
python3 - "$results" "$size_mib" <<'EOF'
import statistics, sys
rows, size_mib = {}, float(sys.argv[2])
order = []
for line in open(sys.argv[1]):
    fields = line.strip().split("|")
    if fields[0] not in rows:
        rows[fields[0]] = []
        order.append(fields[0])
    if fields[1] != "failed":
        rows[fields[0]].append(tuple(float(x) for x in fields[1:]))
    else:
        rows[fields[0]].append(None)
gib = size_mib / 1024
print(f"{'case':26} {'runs':>5} {'MiB/s':>8} {'CPU s':>7} {'CPU s/GiB':>10} {'peak RSS MiB':>13}")
for label in order:
    good = [r for r in rows[label] if r]
    failed = len(rows[label]) - len(good)
    if not good:
        print(f"{label:26} {'0/' + str(len(rows[label])):>5}  all failed")
        continue
    mib_s = statistics.median(size_mib / r[0] for r in good)
    cpu = statistics.median(r[1] + r[2] for r in good)
    rss = statistics.median(r[3] / 1024 for r in good)
    runs = f"{len(good)}/{len(rows[label])}"
    print(f"{label:26} {runs:>5} {mib_s:8.1f} {cpu:7.2f} {cpu / gib:10.2f} {rss:13.1f}")
EOF
