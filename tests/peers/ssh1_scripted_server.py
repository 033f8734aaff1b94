#!/usr/bin/python3
"""A scripted server of SSH protocol version 1.5, for tests (no packaged server speaks it).

Usage: ssh1_scripted_server.py PORT SCENARIO LOGFILE [AUTHORIZED_KEYS]

It serves one connection: identification, a 1024-bit server key and a 2048-bit host key, the
session key with three-key triple DES (three DES-CBC chains), user authentication by the
password "pw" or by an RSA key listed in AUTHORIZED_KEYS (lines "bits exponent modulus
comment"), a pty and either a shell or one command. The shell is a line shell: every line typed
is echoed and run with /bin/sh -c, "exit" ends the session. What the client sent is written to
LOGFILE, one event per line, for the test to check.

Scenarios: normal, v199 (announces SSH-1.99), noauth (accepts the user without
authentication), no3des (offers only Blowfish), badcrc (the first data packet carries a wrong
CRC), bigdata (one 65536-byte data packet once the shell runs), exit (output and exit status
right after the shell starts).
"""
import hashlib
import os
import secrets
import socket
import struct
import subprocess
import sys
import warnings

warnings.filterwarnings("ignore")
from cryptography.hazmat.primitives.asymmetric import rsa  # noqa: E402
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes  # noqa: E402

PORT, SCENARIO, LOGFILE = int(sys.argv[1]), sys.argv[2], sys.argv[3]
AUTHORIZED = sys.argv[4] if len(sys.argv) > 4 else None
log = open(LOGFILE, "w", buffering=1)

MSG_DISCONNECT, SMSG_PUBLIC_KEY, CMSG_SESSION_KEY, CMSG_USER = 1, 2, 3, 4
CMSG_AUTH_RSA, SMSG_AUTH_RSA_CHALLENGE, CMSG_AUTH_RSA_RESPONSE, CMSG_AUTH_PASSWORD = 6, 7, 8, 9
CMSG_REQUEST_PTY, CMSG_WINDOW_SIZE, CMSG_EXEC_SHELL, CMSG_EXEC_CMD = 10, 11, 12, 13
SMSG_SUCCESS, SMSG_FAILURE, CMSG_STDIN_DATA, SMSG_STDOUT_DATA = 14, 15, 16, 17
CMSG_EOF, SMSG_EXITSTATUS, MSG_IGNORE, CMSG_EXIT_CONFIRMATION, MSG_DEBUG = 19, 20, 32, 33, 36
CIPHER_3DES, CIPHER_BLOWFISH = 3, 6
AUTH_RSA, AUTH_PASSWORD = 2, 3
MAX_PACKET = 256 * 1024
MAX_LINE = 255


def u32(n):
    return struct.pack(">I", n)


def string(b):
    if isinstance(b, str):
        b = b.encode()
    return u32(len(b)) + b


def mp1(n):
    """SSH1 mpint: uint16 bit count, then the bytes."""
    return struct.pack(">H", n.bit_length()) + n.to_bytes((n.bit_length() + 7) // 8, "big")


def crc32(data):
    """ISO 3309 CRC-32, reflected 0xEDB88320, initial value 0, no final inversion."""
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ (0xEDB88320 if crc & 1 else 0)
    return crc


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, n):
        if self.at + n > len(self.data):
            raise ValueError("field past the end of the packet")
        self.at += n
        return self.data[self.at - n:self.at]

    def byte(self):
        return self.take(1)[0]

    def u32(self):
        return struct.unpack(">I", self.take(4))[0]

    def string(self):
        return self.take(self.u32())

    def mp1(self):
        bits = struct.unpack(">H", self.take(2))[0]
        return int.from_bytes(self.take((bits + 7) // 8), "big")


def pkcs1_pad(message, size):
    pad = bytes(secrets.choice(range(1, 256)) for _ in range(size - 3 - len(message)))
    return b"\x00\x02" + pad + b"\x00" + message


def pkcs1_unpad(block, size):
    block = block.rjust(size, b"\x00")
    if block[:2] != b"\x00\x02" or b"\x00" not in block[2:]:
        raise ValueError("bad PKCS#1 padding")
    return block[block.index(b"\x00", 2) + 1:]


def nbytes(n):
    return (n.bit_length() + 7) // 8


def rsa_encrypt(message, e, n):
    m = int.from_bytes(pkcs1_pad(message, nbytes(n)), "big")
    return pow(m, e, n)


def rsa_decrypt(value, key):
    nums = key.private_numbers()
    n = nums.public_numbers.n
    return pkcs1_unpad(pow(value, nums.d, n).to_bytes(nbytes(n), "big"), nbytes(n))


class TripleDes:
    """SSH1 triple DES: three DES-CBC chains of their own, encrypt-decrypt-encrypt."""

    def __init__(self, key, encrypt):
        parts = [key[0:8], key[8:16], key[16:24]]
        if not encrypt:
            parts.reverse()
        self.steps = []
        for i, k in enumerate(parts):
            c = Cipher(algorithms.TripleDES(k), modes.CBC(bytes(8)))
            forward = (i % 2 == 0) == encrypt
            self.steps.append(c.encryptor() if forward else c.decryptor())

    def run(self, data):
        for s in self.steps:
            data = s.update(data)
        return data


class Conn:
    def __init__(self, sock):
        self.sock = sock
        self.buf = b""
        self.enc = self.dec = None
        self.corrupt_next_data = False

    def recv_exact(self, n):
        while len(self.buf) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError
            self.buf += chunk
        out, self.buf = self.buf[:n], self.buf[n:]
        return out

    def recv_line(self):
        line = b""
        while not line.endswith(b"\n"):
            line += self.recv_exact(1)
            if len(line) > MAX_LINE:
                raise ValueError("identification line too long")
        return line

    def send_packet(self, ptype, data=b""):
        length = len(data) + 5
        padding = os.urandom(8 - length % 8)
        body = padding + bytes([ptype]) + data
        crc = crc32(body)
        if self.corrupt_next_data and ptype == SMSG_STDOUT_DATA:
            crc ^= 1
            self.corrupt_next_data = False
        body += u32(crc)
        if self.enc:
            body = self.enc.run(body)
        self.sock.sendall(u32(length) + body)

    def recv_packet(self):
        length = struct.unpack(">I", self.recv_exact(4))[0]
        if length < 5 or length > MAX_PACKET:
            raise ValueError("bad packet length %d" % length)
        body = self.recv_exact(length + 8 - length % 8)
        if self.dec:
            body = self.dec.run(body)
        if crc32(body[:-4]) != struct.unpack(">I", body[-4:])[0]:
            raise ValueError("bad CRC")
        payload = body[8 - length % 8:-4]
        return payload[0], Reader(payload[1:])

    def recv_client_packet(self):
        """The next packet that is not MSG_IGNORE or MSG_DEBUG (those are logged)."""
        while True:
            ptype, r = self.recv_packet()
            if ptype == MSG_IGNORE:
                log.write("IGNORE %s\n" % r.string().decode(errors="replace"))
            elif ptype == MSG_DEBUG:
                log.write("DEBUG\n")
            else:
                return ptype, r


def load_authorized():
    keys = []
    if AUTHORIZED:
        for line in open(AUTHORIZED):
            parts = line.split()
            if len(parts) >= 3 and parts[0].isdigit():
                keys.append((int(parts[1]), int(parts[2])))
    return keys


def key_exchange(c):
    server_key = rsa.generate_private_key(public_exponent=65537, key_size=1024)
    host_key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    sp, hp = server_key.public_key().public_numbers(), host_key.public_key().public_numbers()
    cookie = os.urandom(8)
    ciphers = 1 << CIPHER_BLOWFISH if SCENARIO == "no3des" else 1 << CIPHER_3DES
    c.send_packet(SMSG_PUBLIC_KEY, cookie + u32(1024) + mp1(sp.e) + mp1(sp.n) + u32(2048) +
                  mp1(hp.e) + mp1(hp.n) + u32(0) + u32(ciphers) +
                  u32((1 << AUTH_RSA) | (1 << AUTH_PASSWORD)))
    ptype, r = c.recv_client_packet()
    if ptype != CMSG_SESSION_KEY:
        log.write("UNEXPECTED %d\n" % ptype)
        return None
    cipher = r.byte()
    if r.take(8) != cookie:
        log.write("BADCOOKIE\n")
        return None
    encrypted = r.mp1()
    r.u32()
    session_id = hashlib.md5(hp.n.to_bytes(nbytes(hp.n), "big") +
                             sp.n.to_bytes(nbytes(sp.n), "big") + cookie).digest()
    # The client encrypted with the smaller key first, so the larger one is undone first.
    inner = rsa_decrypt(encrypted, host_key)
    key = bytearray(rsa_decrypt(int.from_bytes(inner, "big"), server_key).rjust(32, b"\x00"))
    for i in range(16):
        key[i] ^= session_id[i]
    log.write("CIPHER %d\n" % cipher)
    c.enc, c.dec = TripleDes(bytes(key), True), TripleDes(bytes(key), False)
    c.send_packet(SMSG_SUCCESS)
    return session_id


def authenticate(c, session_id):
    ptype, r = c.recv_client_packet()
    if ptype != CMSG_USER:
        log.write("UNEXPECTED %d\n" % ptype)
        return False
    log.write("USER %s\n" % r.string().decode(errors="replace"))
    if SCENARIO == "noauth":
        c.send_packet(SMSG_SUCCESS)
        return True
    c.send_packet(SMSG_FAILURE)
    authorized = load_authorized()
    while True:
        ptype, r = c.recv_client_packet()
        if ptype == CMSG_AUTH_PASSWORD:
            # Clients may pad the password with NUL bytes to hide its length.
            password = r.string().split(b"\x00")[0].decode(errors="replace")
            log.write("PASSWORD %s\n" % password)
            if password == "pw":
                c.send_packet(SMSG_SUCCESS)
                return True
        elif ptype == CMSG_AUTH_RSA:
            n = r.mp1()
            match = [k for k in authorized if k[1] == n]
            if match:
                challenge = secrets.randbits(256)
                # Minimal bytes, as a bignum gives them: sometimes fewer than 32.
                c.send_packet(SMSG_AUTH_RSA_CHALLENGE,
                              mp1(rsa_encrypt(challenge.to_bytes(nbytes(challenge), "big"),
                                              match[0][0], n)))
                ptype, r = c.recv_client_packet()
                if ptype != CMSG_AUTH_RSA_RESPONSE:
                    log.write("UNEXPECTED %d\n" % ptype)
                    return False
                expected = hashlib.md5(challenge.to_bytes(32, "big") + session_id).digest()
                if r.take(16) == expected:
                    log.write("RSA accepted\n")
                    c.send_packet(SMSG_SUCCESS)
                    return True
                log.write("RSA wrong response\n")
            else:
                log.write("RSA unknown key\n")
        else:
            log.write("AUTH %d refused\n" % ptype)
        c.send_packet(SMSG_FAILURE)


def run_command(command):
    done = subprocess.run(["/bin/sh", "-c", command], stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=20)
    return done.stdout.replace(b"\n", b"\r\n"), done.returncode


def end_session(c, status):
    c.send_packet(SMSG_EXITSTATUS, u32(status))
    try:
        while True:
            ptype, _ = c.recv_client_packet()
            if ptype == CMSG_EXIT_CONFIRMATION:
                log.write("EXITCONF\n")
                return
            log.write("AFTER %d\n" % ptype)
    except EOFError:
        log.write("NOEXITCONF\n")


def line_shell(c):
    prompt = b"ssh1$ "
    if SCENARIO == "bigdata":
        c.send_packet(SMSG_STDOUT_DATA, string(b"".join(
            b"%05d" % i + b"." * 57 + b"\r\n" for i in range(1024))))
    if SCENARIO == "exit":
        c.send_packet(SMSG_STDOUT_DATA, string(b"last words\r\n"))
        end_session(c, 3)
        return
    c.corrupt_next_data = SCENARIO == "badcrc"
    c.send_packet(SMSG_STDOUT_DATA, string(prompt))
    line = b""
    while True:
        ptype, r = c.recv_client_packet()
        if ptype == CMSG_EOF:
            log.write("EOF\n")
            return
        if ptype == CMSG_WINDOW_SIZE:
            log.write("WINDOW %d %d\n" % (r.u32(), r.u32()))
            continue
        if ptype != CMSG_STDIN_DATA:
            log.write("SESSION %d\n" % ptype)
            continue
        data = r.string()
        log.write("STDIN %s\n" % data.hex())
        echo = b""
        for b in data:
            ch = bytes([b])
            if ch in b"\r\n":
                echo += b"\r\n"
                command = line.decode(errors="replace").strip()
                line = b""
                if command == "exit":
                    c.send_packet(SMSG_STDOUT_DATA, string(echo))
                    end_session(c, 0)
                    return
                if command:
                    log.write("RUN %s\n" % command)
                    output, _ = run_command(command)
                    echo += output
                echo += prompt
            elif len(line) < 4096:
                line += ch
                echo += ch
        c.send_packet(SMSG_STDOUT_DATA, string(echo))


def session(c):
    while True:
        ptype, r = c.recv_client_packet()
        if ptype == CMSG_REQUEST_PTY:
            term = r.string().decode(errors="replace")
            rows, cols = r.u32(), r.u32()
            r.u32()
            r.u32()
            modes = r.byte()
            log.write("PTY %s %d %d modes-end=%d\n" % (term, rows, cols, modes))
            c.send_packet(SMSG_SUCCESS)
        elif ptype == CMSG_EXEC_SHELL:
            log.write("SHELL\n")
            line_shell(c)
            return
        elif ptype == CMSG_EXEC_CMD:
            command = r.string().decode(errors="replace")
            log.write("EXEC %s\n" % command)
            output, status = run_command(command)
            if output:
                c.send_packet(SMSG_STDOUT_DATA, string(output))
            end_session(c, status)
            return
        else:
            # Compression, forwarding, agent, maximum packet size: none are offered.
            log.write("REQUEST %d refused\n" % ptype)
            c.send_packet(SMSG_FAILURE)


def serve(sock):
    c = Conn(sock)
    version = b"SSH-1.99-OstraneScripted\n" if SCENARIO == "v199" else b"SSH-1.5-OstraneScripted\n"
    sock.sendall(version)
    line = c.recv_line()
    log.write("IDENT %s\n" % line.decode(errors="replace").rstrip("\r\n"))
    session_id = key_exchange(c)
    if session_id is None or not authenticate(c, session_id):
        return
    log.write("AUTHENTICATED\n")
    session(c)


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", PORT))
    listener.listen(1)
    log.write("LISTENING\n")
    sock, _ = listener.accept()
    listener.close()
    try:
        serve(sock)
    except (EOFError, ConnectionError, ValueError) as e:
        log.write("CLOSED %s\n" % (e or type(e).__name__))
    finally:
        log.write("DONE\n")
        sock.close()


main()
