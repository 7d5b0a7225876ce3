#!/usr/bin/env bash
# Runs the command-line cases against the Windows build under Wine: the input
# is read as raw bytes, every report line ends in CR LF, the exit statuses
# hold, and a directory cannot be opened.
#
# Usage: tests/windows/wine-cli.sh RECIPSCAN_EXE DATA_DIR
set -uo pipefail

exe=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$work/prefix}
wine=$(command -v wine64 || command -v wine)

passed=0
failed=0

# check WHAT EXPECTED_OUT_FILE EXPECTED_STATUS ARG...: runs the tool in the
# work directory and compares its output, byte for byte, and its status.
check() {
  local what=$1 expected=$2 status=$3
  shift 3
  (cd "$work" && "$wine" "$exe" "$@" > "$work/out" 2> /dev/null)
  local got=$?
  if [[ $got == "$status" ]] && cmp -s "$work/out" "$expected"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what (status $got, expected $status)"
    od -c "$work/out" | head -5
  fi
}

crlf() { sed 's/$/\r/' "$1"; }

# The first run sets up the Wine prefix; its chatter is not the tool's.
"$wine" "$exe" > /dev/null 2>&1

# Usage: the invocation name is whatever Wine passes; the rest is fixed.
(cd "$work" && "$wine" "$exe" > "$work/usage" 2> /dev/null)
status=$?
printf '  message.msg\r\n\r\nscans encrypted message to find certificate serial numbers it was encrypted for\r\n' > "$work/usage-tail"
if [[ $status == 255 ]] && [[ $(head -c 7 "$work/usage") == "usage: " ]] &&
   cmp -s <(tail -c "$(wc -c < "$work/usage-tail")" "$work/usage") "$work/usage-tail"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAILED: usage (status $status)"
  od -c "$work/usage" | head -8
fi

printf '\r\n\x1a\r\x1a\n\x13\x04Test\x02\x03\x01\x02\x03' > "$work/raw.bin"
printf '\r\n"Test"   01 02 03 \r\n\r\n' > "$work/raw.expected"
check "0x1A and CR LF before a record" "$work/raw.expected" 0 raw.bin
check "further arguments ignored" "$work/raw.expected" 0 raw.bin other.bin

: > "$work/empty.bin"
printf '\r\n' > "$work/empty.expected"
check "empty file" "$work/empty.expected" 0 empty.bin

printf 'error opening missing.p7m\r\n' > "$work/missing.expected"
check "missing file" "$work/missing.expected" 254 missing.p7m

mkdir "$work/folder"
printf 'error opening folder\r\n' > "$work/folder.expected"
check "directory" "$work/folder.expected" 254 folder

for message in "$data"/*.p7m; do
  name=$(basename "$message" .p7m)
  cp "$message" "$work/$name.p7m"
  crlf "$data/$name.expected" > "$work/$name.crlf"
  check "$name" "$work/$name.crlf" 0 "$name.p7m"
done

echo "wine-cli: $passed passed, $failed failed"
[[ $failed == 0 ]]
