#!/usr/bin/env bash
# Plays the whole show under X and checks what a viewer and a log reader would see:
# exit code 1, at least 134 seconds of show, the five scene files loaded in
# construction order, and no mesh warnings.
set -u
program=$1
data=$2
log=$(mktemp)
trap 'rm -f "$log"' EXIT

cd "$data" || exit 1
start=$(date +%s%3N)
"$program" s >"$log" 2>&1
code=$?
end=$(date +%s%3N)
elapsed_ms=$((end - start))
elapsed="$((elapsed_ms / 1000)).$(printf %03d $((elapsed_ms % 1000)))"

fail=0
echo "exit code $code, ran ${elapsed}s"
if [ "$code" -ne 1 ]; then echo "FAIL: exit code $code, expected 1"; fail=1; fi
if [ "$elapsed_ms" -lt 134000 ]; then echo "FAIL: show ended after ${elapsed}s"; fail=1; fi

loaded=$(grep -o 'OlvarLoad3DS: Loaded file [a-z]*\.3ds' "$log" | awk '{print $4}' | tr '\n' ' ')
expected="kaupunki.3ds insane.3ds tunneli.3ds womb.3ds kylpyla.3ds "
if [ "$loaded" != "$expected" ]; then
  echo "FAIL: scene files loaded as '$loaded', expected '$expected'"; fail=1
fi
if grep -q 'WARNING!' "$log"; then
  echo "FAIL: the trace holds warnings:"; grep 'WARNING!' "$log" | sort | uniq -c; fail=1
fi
exit $fail
