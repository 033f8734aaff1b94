#!/bin/sh
# Runs one libFuzzer target for a bounded time, seeded from the checked-in seeds.
# Usage: run_fuzzer.sh BINARY CORPUS_DIR SEEDS_DIR SECONDS
# OSTRANE_FUZZ_SECONDS in the environment overrides SECONDS, so a local run can be shortened.
set -e
bin=$1; corpus=$2; seeds=$3; secs=${OSTRANE_FUZZ_SECONDS:-$4}
mkdir -p "$corpus"
artifacts="$corpus/../artifacts-$(basename "$bin")/"
mkdir -p "$artifacts"
set -- "$corpus"
[ -d "$seeds" ] && set -- "$@" "$seeds"
exec "$bin" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$artifacts" "$@"
