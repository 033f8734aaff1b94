#!/usr/bin/python3
"""A Telnet proxy for tests: greets, reads "host port\n", connects and relays both ways.

Usage: telnet_proxy.py LISTEN_PORT   (listens on 127.0.0.1 only)
"""
import select
import socket
import sys
import threading


def relay(client):
    try:
        client.sendall(b"proxy> ")
        line = b""
        while not line.endswith(b"\n") and len(line) < 512:
            chunk = client.recv(1)
            if not chunk:
                return
            line += chunk
        host, port = line.decode("ascii").split()
        if host not in ("127.0.0.1", "localhost", "::1"):
            return  # tests only ever reach loopback
        remote = socket.create_connection((host, int(port)))
    except (OSError, ValueError):
        client.close()
        return
    pair = {client: remote, remote: client}
    try:
        while True:
            ready, _, _ = select.select(list(pair), [], [])
            for s in ready:
                data = s.recv(65536)
                if not data:
                    return
                pair[s].sendall(data)
    except OSError:
        pass
    finally:
        client.close()
        remote.close()


def main():
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", int(sys.argv[1])))
    server.listen(8)
    while True:
        client, _ = server.accept()
        threading.Thread(target=relay, args=(client,), daemon=True).start()


if __name__ == "__main__":
    main()
