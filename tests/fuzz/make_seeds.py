#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (small valid inputs)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def packet(cmd, body=b""):
    return struct.pack("<II", 8 + len(body), cmd) + body


def text(s, size):
    b = s.encode("gbk")[:size]
    return b + b"\0" * (size - len(b))


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


rights = ('<r><right ptz="1" talk="1" video="1" videonum="4"/>'
          '<time_list week="1"><time begin="08:00:00" end="18:00:00"/></time_list></r>').encode()
login = packet(0x9004, struct.pack("<HHIII", 0, 0, 7, 0, 2000000000) + struct.pack("<I", len(rights)) + rights)
nodes = [("n1", "站点", ""), ("n2", "一组", "n1")]
node_body = struct.pack("<I", len(nodes)) + b"".join(
    struct.pack("<I", 0) + text(k, 36) + text(n, 36) + text(p, 36) + text("", 16) + text("", 16) for k, n, p in nodes)
cams = [("c1", "大门", "n2", 1, 11)]
cam_body = struct.pack("<I", len(cams)) + b"".join(
    struct.pack("<III", 0, st, dev) + text(k, 36) + text(n, 36) + text(p, 36) + text("", 16) + text("", 20)
    + text("127.0.0.1", 32) + struct.pack("<HHHH", 8000, 0, 8002, 0) for k, n, p, st, dev in cams)
beat = packet(0x102C, b"\0" * 8 + struct.pack("<I", 1700000000) + b"\0" * 4)
talk = packet(0x400E, struct.pack("<IIII", 2, 11, 7, 2) + text("c1", 36) + struct.pack("<I", 6) + struct.pack("<HHH", 6, 0x4004, 0))
write("fuzz_session", "login", login)
write("fuzz_session", "directory", login + packet(0x4004, node_body) + packet(0x4008, cam_body) + beat)
write("fuzz_session", "talk", talk)

relay_login = packet(0x1002, struct.pack(">H", 0) + struct.pack("<I", 5))
desc = packet(0x100A, struct.pack(">H", 0) + struct.pack("<HHHHHH", 0, 64, 48, 25, 0, 16) + b"\0" * 4
              + struct.pack("<HH", 3, 2) + b"abcde")
video = packet(0x1005, struct.pack("<IBB", 40, 1, 1) + b"\0\0\0\x01\x67\x42\x00\x1e")
audio = packet(0x1005, struct.pack("<IBB", 40, 0, 16) + b"\xff" * 160)
alarm = packet(0x1005, struct.pack("<IBB", 0, 2, 0) + struct.pack("<HHHHHH", 1, 3, 10, 10, 20, 20) + b"\0" * 4)
write("fuzz_relay", "session", relay_login + desc + video + audio + alarm)
write("fuzz_relay", "refused", packet(0x100A, struct.pack(">H", 1)))

names = b"1700000000_1700000600.mp4\0" + b"1700000600_1700001200.mp4\0"
record = packet(0x1014, struct.pack("<HH", 0, 2) + b"\0" * 36 + text("http://reclocalhost:8118/r/", 256) + names)
write("fuzz_record", "reply", record)
write("fuzz_lookup", "reply", b"\0" * 8 + struct.pack("<H", 0) + b"\0" * 6 + text("127.0.0.1", 32) + struct.pack("<HH", 8116, 0))
write("fuzz_tamvox", "rate2", bytes([2]) + bytes(range(256)))
