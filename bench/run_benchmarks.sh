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
if [ -x "$build/bench/view_paint_bench" ]; then
  echo "== paint overhead of a visible session window"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/view_paint_bench"
fi
echo "== ZModem receive and send throughput against sz -> rz"
"$build/bench/zmodem_throughput" --mb "${ZMODEM_MB:-50}"
echo "== SSH2 session throughput against OpenSSH's client, per cipher"
"$bench/ssh_throughput.sh" "$build" "${MB:-200}"
