#!/usr/bin/env bash
# Throughput of host output through an SSH2 session: ostrane-cli (which also runs every byte
# through the terminal) against OpenSSH's ssh client (output to /dev/null), both logged in to
# the same sshd on 127.0.0.1, one cipher at a time, in one run. Needs root (sshd, test user).
#   bench/ssh_throughput.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [MEGABYTES]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
megabytes=${2:-200}
cli=$build/ostrane-cli
[ -x "$cli" ] || { echo "$0: $cli not built" >&2; exit 2; }
user=ostrbench
password=Ostr4ne-bench

id -u $user >/dev/null 2>&1 || useradd -m -s /bin/bash $user
echo "$user:$password" | chpasswd
mkdir -p /run/sshd
work=$(mktemp -d /tmp/ostrane-sshbench-XXXXXX)
chmod 755 "$work"
sshd_pid=
cleanup() {
  if [ -n "$sshd_pid" ]; then kill "$sshd_pid" 2>/dev/null || true; wait "$sshd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
ssh-keygen -q -t ed25519 -N '' -f "$work/host_ed25519"
ssh-keygen -q -t ed25519 -N '' -f "$work/client"
cp "$work/client.pub" "$work/authorized_keys"
chmod 644 "$work/authorized_keys"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
bytes=$((megabytes * 1000 * 1000))
# Lines of text, as a program printing a lot would give; the marker is computed so that the
# echoed command line does not match it.
command="yes 'The quick brown fox jumps over the lazy dog 0123456789 abcdefghijklmnopqrstu' | head -c $bytes; echo BENCH-\$((40+2))"

start_sshd() {
  cat > "$work/sshd.conf" <<CONF
Ciphers $1
MACs hmac-sha2-256-etm@openssh.com
ListenAddress 127.0.0.1
Port $port
PidFile $work/sshd.pid
HostKey $work/host_ed25519
AuthorizedKeysFile $work/authorized_keys
StrictModes no
PasswordAuthentication yes
UsePAM yes
PrintMotd no
PrintLastLog no
CONF
  /usr/sbin/sshd -D -f "$work/sshd.conf" -E "$work/sshd.log" &
  sshd_pid=$!
  for _ in $(seq 100); do
    if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then return 0; fi
    sleep 0.05
  done
  echo "$0: sshd did not start" >&2
  exit 1
}

stop_sshd() {
  kill "$sshd_pid"; wait "$sshd_pid" 2>/dev/null || true; sshd_pid=
}

seconds() { date +%s.%N; }

printf '%-32s %10s %10s %10s %10s %7s\n' cipher "ssh s" "ssh MB/s" "cli s" "cli MB/s" ratio
for cipher in aes128-ctr aes128-gcm@openssh.com chacha20-poly1305@openssh.com aes128-cbc; do
  start_sshd "$cipher"
  t0=$(seconds)
  ssh -F /dev/null -tt -q -i "$work/client" -c "$cipher" -m hmac-sha2-256-etm@openssh.com \
    -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o BatchMode=yes \
    -p "$port" $user@127.0.0.1 "$command" > "$work/ssh.out" < /dev/null
  t1=$(seconds)
  grep -q BENCH-42 "$work/ssh.out" || { echo "$0: ssh run incomplete" >&2; exit 1; }
  home=$(mktemp -d "$work/home-XXXXXX")
  OSTRANE_HOME=$home "$cli" --set HostType=5 "127.0.0.1:$port" --user $user \
    --password $password --host-key accept --until '$ ' --send "$command<CR>" \
    --until 'BENCH-42' --for 600 > "$work/cli.json"
  t2=$(seconds)
  stop_sshd
  /usr/bin/python3 - "$cipher" "$t0" "$t1" "$t2" "$megabytes" <<'PY'
import sys
cipher, t0, t1, t2, mb = sys.argv[1], *map(float, sys.argv[2:5]), float(sys.argv[5])
ssh, cli = t1 - t0, t2 - t1
print("%-32s %10.2f %10.1f %10.2f %10.1f %7.2f" % (cipher, ssh, mb / ssh, cli, mb / cli, ssh / cli))
PY
done
