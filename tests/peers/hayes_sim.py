#!/usr/bin/python3
"""A Hayes AT modem on a pty, for tests.

hayes_sim.py DEVICE LOG NUMBER=RESULT...
RESULT is BUSY, NO CARRIER, NO ANSWER, NO DIALTONE, ERROR, SILENT (no result), or HOST:PORT (CONNECT 9600 and then
the bytes go to and from that TCP peer). Every command and hang-up is written to LOG, one a line,
so a test can see what the modem was told.
"""
import os
import select
import socket
import sys
import termios
import time
import tty

NUMERIC = {"OK": "0", "CONNECT": "1", "RING": "2", "NO CARRIER": "3", "ERROR": "4",
           "CONNECT 9600": "12", "NO DIALTONE": "6", "BUSY": "7", "NO ANSWER": "8"}
GUARD = 0.9


class Modem:
    def __init__(self, device, log, book):
        self.fd = os.open(device, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)
        attrs = termios.tcgetattr(self.fd)
        attrs[3] &= ~termios.ECHO
        termios.tcsetattr(self.fd, termios.TCSANOW, attrs)
        self.log = open(log, "a", buffering=1)
        self.book = book
        self.echo = True
        self.verbose = True
        self.line = b""
        self.remote = None
        self.last_rx = time.monotonic()
        self.plus = 0
        self.plus_at = 0.0
        self.online = True
        self.note("READY")

    def note(self, text):
        self.log.write(text + "\n")

    def send(self, data):
        os.write(self.fd, data)

    def result(self, word):
        if self.verbose:
            self.send(b"\r\n" + word.encode() + b"\r\n")
        else:
            self.send(NUMERIC.get(word, "4").encode() + b"\r")

    def hang_up(self, why):
        if self.remote is not None:
            self.remote.close()
            self.remote = None
            self.note("HANGUP " + why)

    def command(self, text):
        self.note("CMD " + text)
        upper = text.upper()
        if not upper.startswith("AT"):
            return
        body = upper[2:]
        if body.startswith("D"):
            self.dial(body[1:].lstrip("TP"))
            return
        i = 0
        while i < len(body):
            c = body[i]
            i += 1
            arg = ""
            while i < len(body) and body[i].isdigit():
                arg += body[i]
                i += 1
            if c == "E":
                self.echo = arg != "0"
            elif c == "V":
                self.verbose = arg != "0"
            elif c == "H":
                self.hang_up("ATH" + arg)
            elif c == "O":
                if self.remote is None:
                    self.result("NO CARRIER")
                    return
                self.result("CONNECT 9600")
                return
            elif c in "ZQXLMIS&=":
                pass
            else:
                self.result("ERROR")
                return
        self.result("OK")

    def dial(self, number):
        self.note("DIAL " + number)
        answer = self.book.get(number, "NO CARRIER")
        if answer == "SILENT":
            return
        if ":" not in answer:
            time.sleep(0.2)
            self.result(answer)
            return
        host, port = answer.rsplit(":", 1)
        self.send(b"\r\nRINGING\r\n" if self.verbose else b"")
        try:
            self.remote = socket.create_connection((host, int(port)), timeout=5)
        except OSError:
            self.result("NO CARRIER")
            return
        self.result("CONNECT 9600")

    def online_byte_check(self, data, now):
        # "+++" framed by silence returns to command mode.
        if data == b"+++" and now - self.last_rx >= GUARD:
            self.plus = 3
            self.plus_at = now
        else:
            self.plus = 0

    def run(self):
        while True:
            fds = [self.fd] + ([self.remote] if self.remote is not None else [])
            ready, _, _ = select.select(fds, [], [], 0.1)
            now = time.monotonic()
            if self.plus == 3 and now - self.plus_at >= GUARD:
                self.plus = 0
                self.note("ESCAPE")
                self.online = False
                self.result("OK")
            if self.fd in ready:
                try:
                    data = os.read(self.fd, 4096)
                except OSError:
                    data = b""
                if not data:
                    time.sleep(0.1)
                    continue
                if self.remote is not None and self.online:
                    self.online_byte_check(data, now)
                    if self.plus == 0:
                        self.remote.sendall(data)
                else:
                    self.command_bytes(data)
                self.last_rx = now
            if self.remote is not None and self.remote in ready:
                data = self.remote.recv(4096)
                if not data:
                    self.hang_up("REMOTE")
                    self.online = True
                    self.result("NO CARRIER")
                elif self.online:
                    self.send(data)

    def command_bytes(self, data):
        if self.echo:
            self.send(data)
        for b in data:
            if b in (13, 10):
                text = self.line.decode(errors="replace").strip()
                self.line = b""
                if text:
                    self.command(text)
                    if text.upper().startswith("ATO") and self.remote is not None:
                        self.online = True
            elif len(self.line) < 256:
                self.line += bytes([b])


def main():
    book = {}
    for entry in sys.argv[3:]:
        number, answer = entry.split("=", 1)
        book[number] = answer
    Modem(sys.argv[1], sys.argv[2], book).run()


if __name__ == "__main__":
    main()
