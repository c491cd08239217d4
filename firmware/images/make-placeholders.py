#!/usr/bin/env python3
"""Writes placeholder firmware images model-141.bin, model-151.bin and model-1175.bin.

A placeholder has the layout of a real image (16-byte header, N blocks of 520 bytes, 2080-byte
code table) but no firmware in it. Its header carries the model word as its first word, the
chosen version (default 0), the catalogue's block count N, a zero word of 0 and the tail
"PLACEHLD"; every byte after the header is a deterministic filler of its offset. With version 0 the
tool never offers a placeholder to a reader. NEVER send a placeholder to a real reader: it would
destroy the reader's firmware.

    make-placeholders.py                      # rewrite the shipped placeholders next to this file
    make-placeholders.py --out DIR --version 7 [--model 141 ...]
"""
import argparse
import pathlib
import struct

BLOCK_COUNTS = {141: 18, 151: 19, 1175: 20}  # the image catalogue's block counts
HEADER_SIZE, BLOCK_SIZE, CODE_TABLE_SIZE = 16, 520, 2080


def placeholder(model: int, version: int) -> bytes:
    n = BLOCK_COUNTS[model]
    header = struct.pack("<HHHH", model, version, n, 0) + b"PLACEHLD"
    length = HEADER_SIZE + BLOCK_SIZE * n + CODE_TABLE_SIZE
    filler = bytes((o * 7 + (o >> 8)) & 0xFF for o in range(HEADER_SIZE, length))
    return header + filler


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=pathlib.Path(__file__).parent)
    parser.add_argument("--version", type=lambda s: int(s, 0), default=0)
    parser.add_argument("--model", type=int, action="append", choices=sorted(BLOCK_COUNTS))
    args = parser.parse_args()
    if not 0 <= args.version <= 0xFFFF:
        parser.error("the version is a 16-bit word")
    args.out.mkdir(parents=True, exist_ok=True)
    for model in args.model or sorted(BLOCK_COUNTS):
        (args.out / f"model-{model}.bin").write_bytes(placeholder(model, args.version))


if __name__ == "__main__":
    main()
