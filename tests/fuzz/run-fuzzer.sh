#!/usr/bin/env bash
# Runs one libFuzzer program for $ORV_FUZZ_SECONDS seconds (default 30), starting from its
# checked-in seeds. What it learns is kept in <work dir>/corpus for the next run; a crashing
# input is written to <work dir>/. Whatever the program writes to the temporary directory
# goes to a folder removed at the end.
# Usage: run-fuzzer.sh PROGRAM SEED_DIR WORK_DIR [libFuzzer flags...]
set -euo pipefail
program=$1 seeds=$2 work=$3
shift 3
seconds=${ORV_FUZZ_SECONDS:-30}
mkdir -p "$work/corpus"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
log="$work/fuzz.log"
name=$(basename "$program")
echo "-- running $name for ${seconds}s"
# The leak checker knows the system libraries' own leaks as the test runs do.
suppressions=$(cd "$(dirname "$0")/.." && pwd)/lsan.supp
if ! TMPDIR="$scratch" ORV_SNIFFER=/dev/null ORV_SHADER_CACHE="$scratch/shader_cache" \
    LSAN_OPTIONS="suppressions=$suppressions:print_suppressions=0" \
    "$program" -max_total_time="$seconds" -artifact_prefix="$work/" -print_final_stats=1 \
    "$@" "$work/corpus" "$seeds" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "-- $name failed; the input that broke it is in $work/"
    exit 1
fi
tail -n 5 "$log"
