#!/usr/bin/python3
"""A scripted SSH2 server for cases no stock server produces.

Usage: ssh_scripted_server.py PORT SCENARIO LOGFILE

It serves one connection with the old algorithm set (diffie-hellman-group1-sha1, ssh-dss,
3des-cbc/aes128-cbc/aes256-cbc, hmac-sha1), accepts the password "pw" for any user, opens a
session with a pty and a shell, and then plays the scenario. What the client sent is written
to LOGFILE, one event per line, for the test to check.
"""
import hashlib
import hmac
import os
import secrets
import socket
import struct
import sys
import time
import warnings

warnings.filterwarnings("ignore")
from cryptography.hazmat.primitives import hashes  # noqa: E402
from cryptography.hazmat.primitives.asymmetric import dsa, utils  # noqa: E402
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes  # noqa: E402

P1 = int(
    "FFFFFFFFFFFFFFFFC90FDAA22168C234C4C6628B80DC1CD129024E088A67CC74020BBEA63B139B22514A08798E"
    "3404DDEF9519B3CD3A431B302B0A6DF25F14374FE1356D6D51C245E485B576625E7EC6F44C42E9A637ED6B0BFF5C"
    "B6F406B7EDEE386BFB5A899FA5AE9F24117C4B1FE649286651ECE65381FFFFFFFFFFFFFFFF", 16)

PORT, SCENARIO, LOGFILE = int(sys.argv[1]), sys.argv[2], sys.argv[3]
log = open(LOGFILE, "w", buffering=1)


def u32(n):
    return struct.pack(">I", n)


def string(b):
    if isinstance(b, str):
        b = b.encode()
    return u32(len(b)) + b


def mpint(n):
    if n == 0:
        return u32(0)
    b = n.to_bytes((n.bit_length() + 8) // 8, "big")
    return string(b)


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def byte(self):
        self.at += 1
        return self.data[self.at - 1]

    def u32(self):
        self.at += 4
        return struct.unpack(">I", self.data[self.at - 4:self.at])[0]

    def string(self):
        n = self.u32()
        self.at += n
        return self.data[self.at - n:self.at]

    def mpint(self):
        return int.from_bytes(self.string(), "big")


CIPHERS = {"3des-cbc": (algorithms.TripleDES, 24, 8), "aes128-cbc": (algorithms.AES, 16, 16),
           "aes256-cbc": (algorithms.AES, 32, 16)}


class Conn:
    def __init__(self, sock):
        self.sock = sock
        self.buf = b""
        self.seq_in = self.seq_out = 0
        self.enc = self.dec = None
        self.mac_out = self.mac_in = None
        self.block_in = self.block_out = 8
        self.session_id = None
        self.host_key = dsa.generate_private_key(1024)

    def recv_exact(self, n):
        while len(self.buf) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError
            self.buf += chunk
        out, self.buf = self.buf[:n], self.buf[n:]
        return out

    def read_line(self):
        while b"\n" not in self.buf:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise EOFError
            self.buf += chunk
        line, self.buf = self.buf.split(b"\n", 1)
        return line.rstrip(b"\r")

    def read_packet(self):
        first = self.recv_exact(self.block_in)
        if self.dec:
            first = self.dec.update(first)
        length = struct.unpack(">I", first[:4])[0]
        rest = self.recv_exact(length + 4 - len(first))
        if self.dec:
            rest = self.dec.update(rest)
        packet = first + rest
        if self.mac_in:
            mac = self.recv_exact(20)
            want = hmac.new(self.mac_in, u32(self.seq_in) + packet, hashlib.sha1).digest()
            if mac != want:
                log.write("BADMAC\n")
                raise EOFError
        self.seq_in += 1
        pad = packet[4]
        return packet[5:4 + length - pad]

    def frame(self, payload, mac_override=None, length_override=None):
        bs = self.block_out
        pad = bs - (5 + len(payload)) % bs
        if pad < 4:
            pad += bs
        length = 1 + len(payload) + pad
        packet = u32(length_override or length) + bytes([pad]) + payload + os.urandom(pad)
        mac = b""
        if self.mac_out:
            mac = hmac.new(self.mac_out, u32(self.seq_out) + packet, hashlib.sha1).digest()
            if mac_override:
                mac = mac_override(mac)
        if self.enc:
            packet = self.enc.update(packet)
        self.seq_out += 1
        return packet + mac

    def send(self, payload, **kw):
        self.sock.sendall(self.frame(payload, **kw))

    def kex(self, ciphers, bare_signature=False):
        cookie = secrets.token_bytes(16)
        ours = (bytes([20]) + cookie + string("diffie-hellman-group1-sha1") + string("ssh-dss") +
                string(ciphers) + string(ciphers) + string("hmac-sha1") + string("hmac-sha1") +
                string("none") + string("none") + string("") + string("") + b"\0" + u32(0))
        self.send(ours)
        theirs = self.read_packet()
        while theirs[0] != 20:
            log.write("BEFORE-KEXINIT %d\n" % theirs[0])
            theirs = self.read_packet()
        r = Reader(theirs)
        r.byte()
        r.at += 16
        lists = [r.string().decode() for _ in range(10)]
        log.write("KEXINIT %s\n" % " ".join(lists[:6]))
        init = self.read_packet()
        assert init[0] == 30, init[0]
        e = Reader(init[1:]).mpint()
        y = secrets.randbits(256)
        f = pow(2, y, P1)
        k = pow(e, y, P1)
        nums = self.host_key.public_key().public_numbers()
        pn = nums.parameter_numbers
        ks = string("ssh-dss") + mpint(pn.p) + mpint(pn.q) + mpint(pn.g) + mpint(nums.y)
        h = hashlib.sha1(string(self.client_version) + string(self.server_version) +
                         string(theirs) + string(ours) + string(ks) + mpint(e) + mpint(f) +
                         mpint(k)).digest()
        if self.session_id is None:
            self.session_id = h
        log.write("SESSIONID %s\n" % self.session_id.hex())
        rr, ss = utils.decode_dss_signature(self.host_key.sign(h, hashes.SHA1()))
        rs = rr.to_bytes(20, "big") + ss.to_bytes(20, "big")
        sig = rs if bare_signature else string("ssh-dss") + string(rs)
        self.send(bytes([31]) + string(ks) + mpint(f) + string(sig))
        self.send(bytes([21]))
        newkeys = self.read_packet()
        assert newkeys[0] == 21, newkeys[0]
        c2s, s2c = lists[2], lists[3]

        def derive(letter, size):
            out = hashlib.sha1(mpint(k) + h + letter + self.session_id).digest()
            while len(out) < size:
                out += hashlib.sha1(mpint(k) + h + out).digest()
            return out[:size]
        mac_size = 16 if bare_signature else 20
        alg, ksize, bs = CIPHERS[c2s]
        self.dec = Cipher(alg(derive(b"C", ksize)), modes.CBC(derive(b"A", bs))).decryptor()
        self.block_in = bs
        self.mac_in = derive(b"E", mac_size)
        alg, ksize, bs = CIPHERS[s2c]
        self.enc = Cipher(alg(derive(b"D", ksize)), modes.CBC(derive(b"B", bs))).encryptor()
        self.block_out = bs
        self.mac_out = derive(b"F", mac_size)
        log.write("NEWKEYS %s %s %d\n" % (c2s, s2c, mac_size))


# The client's number for its session channel, the recipient of every channel message.
CLIENT_CHANNEL = 0


def channel_data(text, recipient=None):
    return bytes([94]) + u32(CLIENT_CHANNEL if recipient is None else recipient) + string(text)


def main():
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", PORT))
    server.listen(1)
    log.write("LISTENING\n")
    sock, _ = server.accept()
    c = Conn(sock)
    version = {"v199": b"SSH-1.99-Scripted", "v15": b"SSH-1.5-Scripted"}.get(
        SCENARIO, b"SSH-2.0-Scripted")
    if SCENARIO == "pre-lines":
        sock.sendall(b"Welcome to the scripted host\r\nSSH is a protocol\r\n\r\n")
    sock.sendall(version + b"\r\n")
    c.server_version = version
    c.client_version = c.read_line()
    log.write("VERSION %s\n" % c.client_version.decode())
    if SCENARIO == "v15":
        time.sleep(1)
        return
    ciphers = "aes256-cbc,aes128-cbc,3des-cbc" if SCENARIO == "cipher-order" else "aes128-cbc"
    c.kex(ciphers, bare_signature=(SCENARIO == "bare-dss"))
    req = c.read_packet()
    assert req[0] == 5 and Reader(req[1:]).string() == b"ssh-userauth"
    c.send(bytes([6]) + string("ssh-userauth"))
    changes = 0
    while True:
        req = c.read_packet()
        r = Reader(req[1:])
        user, service, method = r.string(), r.string(), r.string().decode()
        if method != "password":
            log.write("AUTH %s\n" % method)
            c.send(bytes([51]) + string("password") + b"\0")
            continue
        change = r.byte()
        password = r.string().decode()
        if SCENARIO == "banner":
            c.send(bytes([53]) + string("Authorized use only.\r\n") + string(""))
        if change:
            new = r.string().decode()
            changes += 1
            log.write("CHANGE %s %s %s\n" % (user.decode(), password, new))
            if changes == 1:
                c.send(bytes([51]) + string("password") + b"\0")
                continue
            break
        log.write("PASSWORD %s %s\n" % (user.decode(), password))
        if SCENARIO == "changereq" and changes == 0:
            c.send(bytes([60]) + string("Password expired") + string(""))
            continue
        if password == "pw":
            break
        c.send(bytes([51]) + string("password,publickey") + b"\0")
    c.send(bytes([52]))
    if SCENARIO == "disconnect":
        c.send(bytes([1]) + u32(11) + string("bye now") + string(""))
        time.sleep(1)
        return
    if SCENARIO == "hostile-disconnect":
        # A reason that would retitle, clear and switch the user's own terminal if shown raw.
        c.send(bytes([1]) + u32(11) + string("bye\x1b]0;owned\x07\x1b[2J\x1b[?1049h\u009b now")
               + string(""))
        time.sleep(1)
        return
    req = c.read_packet()
    r = Reader(req[1:])
    assert req[0] == 90 and r.string() == b"session"
    channel, window, maxpacket = r.u32(), r.u32(), r.u32()
    global CLIENT_CHANNEL
    CLIENT_CHANNEL = channel
    log.write("OPEN %d %d %d\n" % (channel, window, maxpacket))
    # A small window in "smallwindow" so that the client must wait for adjustments.
    initial = 100 if SCENARIO == "smallwindow" else 1 << 20
    c.send(bytes([91]) + u32(channel) + u32(7) + u32(initial) + u32(32768))
    # Typed data before the shell must not arrive; everything is logged in order.
    shell = False
    while not shell:
        req = c.read_packet()
        r = Reader(req[1:])
        if req[0] == 94:
            r.u32()
            log.write("DATA %s\n" % r.string().decode(errors="replace"))
            continue
        r.u32()
        kind = r.string().decode()
        want = r.byte()
        log.write("REQUEST %s %d\n" % (kind, want))
        if kind == "pty-req":
            term = r.string().decode()
            log.write("PTY %s %d %d\n" % (term, r.u32(), r.u32()))
            c.send(bytes([99]) + u32(channel))
        elif kind == "shell":
            shell = True
    c.send(channel_data("READY\r\n"))
    play(c, channel)


def read_until_data(c, text):
    got = b""
    while text.encode() not in got:
        req = c.read_packet()
        if req[0] == 94:
            r = Reader(req[1:])
            r.u32()
            chunk = r.string()
            got += chunk
            log.write("DATA %d %s\n" % (len(chunk), chunk.decode(errors="replace")))
        elif req[0] == 93:
            r = Reader(req[1:])
            r.u32()
            log.write("ADJUST %d\n" % r.u32())
        else:
            log.write("MSG %d\n" % req[0])
    return got


def play(c, channel):
    if SCENARIO == "rekey":
        c.send(channel_data("BEFORE\r\n"))
        read_until_data(c, "one")
        c.kex("aes256-cbc")
        c.send(channel_data("AFTER\r\n"))
        read_until_data(c, "two")
        c.send(channel_data("GOT-TWO\r\n"))
    elif SCENARIO == "foreign-data":
        # Data and a close addressed to a channel the client never opened.
        c.send(channel_data("INTRUDER\r\n", recipient=CLIENT_CHANNEL + 41))
        time.sleep(1)
        return
    elif SCENARIO == "foreign-close":
        c.send(bytes([97]) + u32(CLIENT_CHANNEL + 41))
        c.send(channel_data("STILL-HERE\r\n"))
        time.sleep(1)
        return
    elif SCENARIO == "oversize":
        c.send(channel_data("x"), length_override=40000)
    elif SCENARIO == "badmac":
        c.send(channel_data("tampered"), mac_override=lambda m: bytes([m[0] ^ 1]) + m[1:])
    elif SCENARIO == "window":
        c.send(channel_data("w" * 4000))
        c.send(channel_data("MARK1\r\n"))
        read_until_data(c, "ack1")
        for _ in range(34):
            c.send(channel_data("z" * 32768))
        c.send(channel_data("MARK2\r\n"))
        read_until_data(c, "ack2")
    elif SCENARIO == "smallwindow":
        got = 0
        while got < 250:
            req = c.read_packet()
            if req[0] != 94:
                continue
            r = Reader(req[1:])
            r.u32()
            n = len(r.string())
            got += n
            log.write("CHUNK %d\n" % n)
            c.send(bytes([93]) + u32(channel) + u32(n))
        return
    read_until_data(c, "bye")


try:
    main()
except (EOFError, ConnectionError, AssertionError) as e:
    log.write("END %r\n" % (e,))
log.write("CLOSED\n")
