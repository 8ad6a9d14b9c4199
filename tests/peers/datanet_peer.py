#!/usr/bin/env python3
"""A DataNet client written from the wire format alone, so the engine's format is checked by code
that shares nothing with it. Run by the network tests: datanet_peer.py PORT NAME

It logs in, checks and echoes the server's packet, sends a packet with a wrong checksum, one with a
wrong sequence value and a sound one, checks the server's answer, then announces a payload far
above any limit and expects the server to hang up. Exit status 0 when everything was as expected.
"""
import socket
import struct
import sys
import zlib

WORD_MASK = bytes([0x17, 0x9B, 0x2E, 0x5C])  # 0x5C2E9B17, little-endian
PATTERN = bytes((i * 7 + 3) & 0xFF for i in range(1003))


def scramble(data):
    out = bytearray(data)
    whole = len(out) // 4 * 4
    for i in range(whole):
        out[i] ^= WORD_MASK[i & 3]
    for i in range(whole, len(out)):
        out[i] ^= 0x4A
    return bytes(out)


class MT19937:
    def __init__(self, seed):
        self.state = [seed & 0xFFFFFFFF]
        for i in range(1, 624):
            prev = self.state[-1]
            self.state.append((1812433253 * (prev ^ (prev >> 30)) + i) & 0xFFFFFFFF)
        self.index = 624

    def sequence(self):
        if self.index == 624:
            s = self.state
            for i in range(624):
                y = (s[i] & 0x80000000) | (s[(i + 1) % 624] & 0x7FFFFFFF)
                s[i] = s[(i + 397) % 624] ^ (y >> 1) ^ (0x9908B0DF if y & 1 else 0)
            self.index = 0
        y = self.state[self.index]
        self.index += 1
        y ^= y >> 11
        y ^= (y << 7) & 0x9D2C5680
        y ^= (y << 15) & 0xEFC60000
        y ^= y >> 18
        return y & 0xFFFF


def checksum(kind, cmd, aux, payload):
    header = struct.pack("<BBHII", kind, cmd, aux, len(payload), 0)
    return (zlib.crc32(header) + zlib.crc32(payload)) & 0xFFFFFFFF


def send(sock, kind, cmd, aux, payload, crc=None, size=None):
    if crc is None:
        crc = 0 if kind == 32 else checksum(kind, cmd, aux, payload)
    size = len(payload) if size is None else size
    sock.sendall(scramble(struct.pack("<BBHII", kind, cmd, aux, size, crc)) + scramble(payload))


def read_exactly(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise EOFError("the server closed the connection")
        data += chunk
    return data


def receive(sock, mirror):
    kind, cmd, aux, size, crc = struct.unpack("<BBHII", scramble(read_exactly(sock, 12)))
    payload = scramble(read_exactly(sock, size)) if size else b""
    if kind == 32:
        expect(crc == 0, "system packets carry no checksum")
    else:
        expect(crc == checksum(kind, cmd, aux, payload), "checksum of packet %d/%d" % (kind, cmd))
    if mirror is not None and not (kind == 32 and cmd in (34, 36, 38)):
        drawn = mirror.sequence()
        if not (kind == 32 and cmd in (42, 44)):
            expect(aux == drawn, "sequence value of packet %d/%d" % (kind, cmd))
    return kind, cmd, payload


def expect(condition, what):
    if not condition:
        print("datanet_peer: wrong " + what, flush=True)
        sys.exit(1)


def main():
    port, name = int(sys.argv[1]), sys.argv[2].encode()
    sock = socket.create_connection(("127.0.0.1", port), timeout=20)
    send(sock, 32, 34, 0, name + b"\0")
    kind, cmd, payload = receive(sock, None)
    expect((kind, cmd, len(payload)) == (32, 36, 4), "answer to the login")
    seed = struct.unpack("<I", payload)[0]
    mine, theirs = MT19937(seed), MT19937(seed)

    kind, cmd, payload = receive(sock, theirs)
    expect((kind, cmd, payload) == (7, 1, PATTERN), "first packet from the server")
    send(sock, 7, 2, mine.sequence(), payload)

    aux = mine.sequence()
    send(sock, 7, 3, aux, b"bad crc", crc=checksum(7, 3, aux, b"bad crc") ^ 1)
    send(sock, 7, 4, mine.sequence() ^ 0x5555, b"bad sequence")
    send(sock, 7, 5, mine.sequence(), b"after")
    kind, cmd, payload = receive(sock, theirs)
    expect((kind, cmd, payload) == (7, 6, b"answer"), "answer after the dropped packets")

    send(sock, 7, 9, mine.sequence(), b"", size=0xFFFFFFF0)
    try:
        while sock.recv(4096):
            pass
    except ConnectionResetError:
        pass
    print("datanet_peer: all as expected", flush=True)


if __name__ == "__main__":
    main()
