#!/usr/bin/env python3
"""Compares the maps two builds of ordevik-batch wrote with --preview.

    compare-maps.py LINUX_FOLDER LINUX_OUTPUT WINDOWS_FOLDER WINDOWS_OUTPUT TEXT_COLUMN

The folders must hold the same PNG files, the programs' "map FILE: DESCRIPTION" lines
(their standard output, in LINUX_OUTPUT and WINDOWS_OUTPUT) the same descriptions, and
each pair of pictures the same size and the same pixels left of TEXT_COLUMN: there the
map is drawn by the engine alone, while the legend, the scale and the north arrow to the
right of it are text that each system draws with its own face. Exits 1 on a difference.
"""

import pathlib
import re
import struct
import sys
import zlib


def read_png(path):
    """Width, height and rows (bytes, three a pixel) of an 8-bit RGB or palette PNG file
    without interlacing."""
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    at = 8
    header = None
    palette = b""
    compressed = b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 3) or interlace != 0:
        raise ValueError(f"{path}: not 8-bit RGB or palette without interlacing")
    step = 3 if colour == 2 else 1  # bytes a pixel, as the filters see them
    raw = zlib.decompress(compressed)
    stride = width * step
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            left = row[x - step] if x >= step else 0
            up = previous[x]
            upper_left = previous[x - step] if x >= step else 0
            if kind == 1:
                row[x] = (row[x] + left) & 0xFF
            elif kind == 2:
                row[x] = (row[x] + up) & 0xFF
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                guess = left + up - upper_left
                near = min((abs(guess - left), 0, left), (abs(guess - up), 1, up),
                           (abs(guess - upper_left), 2, upper_left))
                row[x] = (row[x] + near[2]) & 0xFF
        previous = row
        if colour == 3:
            row = b"".join(palette[3 * index:3 * index + 3] for index in row)
        rows.append(bytes(row))
    return width, height, rows


def descriptions(output):
    found = {}
    for line in pathlib.Path(output).read_text(encoding="utf-8").splitlines():
        match = re.match(r"map .*?([^/\\]+\.png): (.*)$", line)
        if match:
            found[match.group(1)] = match.group(2)
    return found


def main():
    linux, linux_output, windows, windows_output, column = sys.argv[1:6]
    text_column = int(column)
    linux_files = sorted(p.name for p in pathlib.Path(linux).glob("*.png"))
    windows_files = sorted(p.name for p in pathlib.Path(windows).glob("*.png"))
    failures = []
    if not linux_files or linux_files != windows_files:
        failures.append(f"files: {linux_files} against {windows_files}")
    if sorted(descriptions(linux_output)) != linux_files:
        failures.append(f"descriptions of {sorted(descriptions(linux_output))} only")
    if descriptions(linux_output) != descriptions(windows_output):
        failures.append(f"descriptions: {descriptions(linux_output)} against "
                        f"{descriptions(windows_output)}")
    for name in sorted(set(linux_files) & set(windows_files)):
        first = read_png(pathlib.Path(linux) / name)
        second = read_png(pathlib.Path(windows) / name)
        if first[:2] != second[:2]:
            failures.append(f"{name}: {first[:2]} against {second[:2]} pixels")
            continue
        differing = [y for y, (a, b) in enumerate(zip(first[2], second[2]))
                     if a[:text_column * 3] != b[:text_column * 3]]
        if differing:
            failures.append(f"{name}: the map differs in {len(differing)} rows, "
                            f"the first {differing[0]}")
    for failure in failures:
        print(f"compare-maps: {failure}", file=sys.stderr)
    if failures:
        return 1
    print(f"{len(linux_files)} maps alike left of column {text_column}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
