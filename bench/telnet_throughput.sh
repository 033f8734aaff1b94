#!/usr/bin/env bash
# Received throughput of a Telnet session against the same bytes replayed from a file.
# A socat peer on 127.0.0.1 writes SIZE_MB of text to ostrane-cli and closes; ostrane-replay
# then reads the identical file. Prints both times and the ratio (replay time / session time;
# 1.0 means the transport adds nothing).
# Usage: bench/telnet_throughput.sh BUILD_DIR [SIZE_MB]
set -euo pipefail
build=${1:?usage: telnet_throughput.sh BUILD_DIR [SIZE_MB]}
size_mb=${2:-200}
cli=$build/ostrane-cli
replay=$build/ostrane-replay
[ -x "$cli" ] && [ -x "$replay" ] || { echo "need $cli and $replay" >&2; exit 2; }

work=$(mktemp -d)
peer=
cleanup() {
  [ -n "$peer" ] && kill "$peer" 2>/dev/null && wait "$peer" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export OSTRANE_HOME=$work

# Printable lines with colour changes, as a busy host produces them.
/usr/bin/python3 - "$work/data.txt" "$size_mb" <<'PY'
import sys
path, mb = sys.argv[1], int(sys.argv[2])
line = b"".join(b"\x1b[3%dmword%02d \x1b[m" % (i % 8, i) for i in range(8)) + b"0123456789\r\n"
block = line * (1 << 20 // len(line) + 1)
with open(path, "wb") as f:
    left = mb << 20
    while left > 0:
        f.write(block[:left])
        left -= len(block[:left])
PY

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
socat -u OPEN:"$work/data.txt" TCP-LISTEN:"$port",bind=127.0.0.1,reuseaddr &
peer=$!
for _ in $(seq 100); do ss -Hltn "sport = :$port" | grep -q . && break; sleep 0.05; done

now() { date +%s.%N; }
t0=$(now)
"$cli" "127.0.0.1:$port" --for 3600 > "$work/cli.json"
t1=$(now)
wait "$peer" 2>/dev/null || true
peer=
"$replay" "$work/data.txt" > "$work/replay.json"
t2=$(now)

/usr/bin/python3 - "$t0" "$t1" "$t2" "$size_mb" "$work/cli.json" "$work/replay.json" <<'PY'
import json, sys
t0, t1, t2, mb = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
session, replay = t1 - t0, t2 - t1
same = json.load(open(sys.argv[5]))["rows"] == json.load(open(sys.argv[6]))["rows"]
print(f"telnet session: {mb} MB in {session:.2f} s ({mb / session:.1f} MB/s)")
print(f"replay:         {mb} MB in {replay:.2f} s ({mb / replay:.1f} MB/s)")
print(f"ratio (replay time / session time): {replay / session:.2f}   screens equal: {same}")
PY
