#!/usr/bin/env bash
# Times the release binary against dd (reading the bytes and nothing else),
# against the one-byte-per-read baseline and against openssl cms -print, with
# every input in the page cache, and prints the ratios and peak memory as a
# Markdown table.
#
# Usage: bench/compare.sh [WORK_DIR]   (inputs go there; default a temp dir)
# Needs: cmake, a C++ compiler, Google Benchmark (libbenchmark-dev), hyperfine,
# GNU time (/usr/bin/time) and openssl.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
mkdir -p "$work"
build="$root/build-release"
runs=${RUNS:-10}

for tool in hyperfine /usr/bin/time openssl; do
  command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing (apt-get install hyperfine time openssl)" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRECIPSCAN_BENCH=ON -DRECIPSCAN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
tool="$build/recipscan"
baseline="$build/bench/recipscan-baseline"
make_input="$build/bench/make-bench-input"

input() {  # input KIND SIZE_MIB: the path of that input, made once
  local path="$work/$1-$2m"
  [[ -f $path ]] || "$make_input" "$1" "$2" "$path"
  cat "$path" > /dev/null  # into the page cache
  echo "$path"
}

# median RUNS COMMAND...: hyperfine's median time of each command, in seconds.
# The median shrugs off the odd run that a busy neighbour slows down.
median() {
  local runs=$1 csv
  shift
  csv=$(mktemp)
  hyperfine -N -w 1 -r "$runs" --export-csv "$csv" "$@" >/dev/null 2>&1
  awk -F, 'NR > 1 { print $4 }' "$csv"
  rm -f "$csv"
}

peak_kib() {  # peak_kib FILE: the tool's peak resident size on FILE
  /usr/bin/time -f %M "$tool" "$1" 2>&1 >/dev/null | tail -1
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
ms() { awk -v s="$1" 'BEGIN { printf "%.1f ms", s * 1000 }'; }

rows=()
row() { rows+=("| $1 | $2 | $3 | $4 | $5 |"); }

# Against dd, which only reads.
random_1g=$(input random 1024)
t=$(median "$runs" "$tool $random_1g" "dd if=$random_1g of=/dev/null bs=128K")
t_tool=$(sed -n 1p <<< "$t"); t_dd=$(sed -n 2p <<< "$t")
row "random, 1 GiB" "$(ms "$t_tool")" "dd: $(ms "$t_dd")" "$(ratio "$t_tool" "$t_dd") × dd" "≤ 1.3 × dd"

# Against the baseline, on 256 MiB of each kind.
for kind in random:25 records:12 names:8 tags:2; do
  name=${kind%%:*} target=${kind##*:}
  file=$(input "$name" 256)
  t=$(median 5 "$tool $file" "$baseline $file")
  t_tool=$(sed -n 1p <<< "$t"); t_base=$(sed -n 2p <<< "$t")
  if ! cmp -s <("$tool" "$file") <("$baseline" "$file"); then
    echo "compare.sh: recipscan and the baseline disagree on $file" >&2
    exit 1
  fi
  row "$name, 256 MiB" "$(ms "$t_tool")" "baseline: $(ms "$t_base")" "$(ratio "$t_base" "$t_tool") × faster" "≥ $target ×"
done

# Against openssl cms -print, on a 100 MiB message for two recipients.
message="$work/two-recipients-100m.p7m"
if [[ ! -f $message ]]; then
  for who in first second; do
    openssl req -x509 -new -newkey rsa:2048 -nodes -keyout "$work/$who.key" -out "$work/$who.pem" \
      -subj "/C=US/O=recipscan bench/CN=Bench CA $who" -days 3650 -set_serial 0x$RANDOM \
      -config <(printf '[req]\ndistinguished_name=dn\nstring_mask=default\n[dn]\n') 2>/dev/null
  done
  head -c $((100 << 20)) "$(input random 1024)" > "$work/content"
  openssl cms -encrypt -binary -outform DER -aes-256-cbc -in "$work/content" \
    -out "$message" "$work/first.pem" "$work/second.pem"
  rm -f "$work/content"
fi
cat "$message" > /dev/null
t=$(median 3 "$tool $message" "openssl cms -cmsout -print -inform DER -in $message")
t_tool=$(sed -n 1p <<< "$t"); t_ssl=$(sed -n 2p <<< "$t")
found=$("$tool" "$message" | grep -c 'Bench CA' || true)
ssl_found=$(openssl cms -cmsout -print -inform DER -in "$message" | grep -c 'issuer:.*Bench CA' || true)
row "CMS message, 100 MiB, 2 recipients" "$(ms "$t_tool"), found $found" \
  "openssl cms -print: $(ms "$t_ssl"), found $ssl_found" "$(ratio "$t_ssl" "$t_tool") × faster" "≥ 100 ×"

# Peak resident size.
m64=$(peak_kib "$(input random 64)")
m1g=$(peak_kib "$random_1g")
mrec=$(peak_kib "$(input records 256)")
rows+=("")
rows+=("| Peak resident size | random 64 MiB | random 1 GiB | records 256 MiB | target |")
rows+=("|---|---|---|---|---|")
rows+=("| recipscan | $m64 KiB | $m1g KiB | $mrec KiB | equal within 256 KiB, ≤ 8192 KiB |")

echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'):"
echo
echo "| Input | recipscan | Compared with | Ratio | Target |"
echo "|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
