#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (fuzz/corpus/<target>/), a few well-formed inputs
each for the fuzzer to start from. Run from anywhere; it rewrites the seed files."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


# reply: info (3 words), record (16), then commands: choice, the command's own bytes, the write's
# byte (0xFF fails it), the read's mode byte and what that mode takes.
def framed(data):  # mode 2: a well-framed reply carrying `data`
    return [0x02, len(data)] + list(data)


ACK = [0x03, 0x00]  # mode 3: one data byte, forced to 0
prefix = [0x97, 0x04, 0x92, 0x10, 0x0C, 0x00] + [0x00, 0x80, 0x04, 0x00] + [0] * 12
info = [0] + [0] + framed([0x97, 0x04, 0x92, 0x10, 0x0D, 0x00])
config = [1] + [0] + framed([0x65, 0x80, 0x04, 0x00, 0x02, 0x02, 0x01] + [0] * 9)
write_config = [2] + [0x41, 0x80, 0x04, 0x00] + [0] * 12 + [0] + framed([0])
begin = [3] + [0x00, 0x00, 0x0D, 0x00, 0x02, 0x00] + [0] * 10 + [0] + ACK
block = [4, 0x01, 0x00] + [0x5A] * 520 + [0] + ACK
code = [5] + [1, 2, 3, 4, 5, 6, 7, 8] + [0] + ACK
end = [6] + [0] + ACK
write("reply", "every-command-answered", prefix + info + config + write_config + begin + block
      + code + end)
write("reply", "raw-and-failed-replies", prefix + [0, 0, 0x01, 12] + list(range(12))
      + [1, 0xFF] + [1, 0, 0x00] + [6, 0, 0x12, 0, 0x05, 0x01])
write("reply", "short-identity", prefix + [0, 0] + framed([0x97, 0x04]))

# record: the 16 bytes a reader holds, then settings with any values.
write("record", "template", [0x00, 0x80, 0x04, 0x00] + [0] * 12)
write("record", "decimal-keys-mifare",
      [0xE4, 0x80, 0x04, 0x00, 0x04, 0x02, 0x01, 0x00, 0x2B, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00,
       0x00] + [0x0F] + [0xFF] * 8 + [0x81, 0x05, 0, 0, 0])
write("record", "every-bit", [0xFF] * 16 + [0xFF] * 40)


# upgrade: flags (bits 0-1: length constant mode, bit 7: answer No), reader firmware, serial,
# any length, then the image.
def image(version, blocks, zero_word=0):
    header = struct.pack("<HHHH", 0, version, blocks, zero_word) + bytes(8)
    payload = bytes((i * 7 + 3) & 0xFF for i in range(520 * blocks))
    codes = bytes((i * 13 + 1) & 0xFF for i in range(2080))
    return list(header + payload + codes)


write("upgrade", "two-blocks", [0x00, 12, 0x92, 0x10, 0, 0] + image(13, 2))
write("upgrade", "no-blocks-serial-200", [0x01, 0, 200, 0, 0, 0] + image(1, 0))
write("upgrade", "zero-word-set", [0x00, 0, 1, 0, 0, 0] + image(5, 1, zero_word=1))
write("upgrade", "answered-no", [0x80, 3, 1, 0, 0, 0] + image(5, 1))

# hid_id: uevent files.
write("hid_id", "reader", b"DRIVER=hid-generic\nHID_ID=0003:000013AB:00000041\n"
      b"HID_NAME=Virtual reader\nHID_PHYS=usb-0000:00:14.0-1/input0\nMODALIAS=hid:b0003g0001v000013ABp00000041\n")
write("hid_id", "last-line-unended", b"HID_NAME=x\nHID_ID=0005:0000046D:0000B342")
write("hid_id", "vendor-too-wide", b"HID_ID=0003:00013AB0:00000041\n")
write("hid_id", "empty-key-then-line", b"HID_ID=\nHID_ID=3:13ab:51\n")
write("record", "key-byte-0-with-modifiers",
      bytes.fromhex("e4800400040201002b0000002800000201002b0000000fffffffffffffff8105000000"))
