#!/usr/bin/env bash
# Runs the benchmarks of a build tree, each against its peer in the same run.
#   bench/run_benchmarks.sh BUILD_DIR [ARGS...]   ARGS go to terminal_throughput (--scale 0.1 ...)
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [terminal_throughput options]" >&2
  exit 2
fi
build=$1
shift
bench=$(cd "$(dirname "$0")" && pwd)
program=$build/bench/terminal_throughput
if [ ! -x "$program" ]; then
  echo "$0: $program not built (configure with -DOSTRANE_BENCH=ON)" >&2
  exit 2
fi
echo "== terminal throughput against libvterm"
"$program" "$@"
echo "== Telnet session throughput against replay of the same bytes"
"$bench/telnet_throughput.sh" "$build" 200
