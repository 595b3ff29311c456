#!/usr/bin/env python3
"""Writes sample Pictavo projects into a folder: each a real project folder with its start page,
movies, texts and images under bin/, named with spaces and mixed case like the authoring product
names them."""
import os
import random
import struct
import sys
import zlib


def png(width, height, seed):
    rnd = random.Random(seed)
    colour = bytes(rnd.randrange(256) for _ in range(3))
    raw = b"".join(b"\x00" + colour * width for _ in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


PROJECTS = {
    "My Folio 2": {"movies": 3, "texts": 2, "images": 8, "movie_kb": 900},
    "Garden Party": {"movies": 2, "texts": 1, "images": 5, "movie_kb": 300},
    "beach Trip 2026": {"movies": 1, "texts": 1, "images": 3, "movie_kb": 120},
}


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make(root):
    rnd = random.Random(7)
    for name, shape in PROJECTS.items():
        bin_dir = os.path.join(root, name, "bin")
        title = name.encode()
        write(os.path.join(bin_dir, "pictavo.html"),
              b"<!DOCTYPE html><html><head><title>" + title + b"</title></head><body><h1>" + title
              + b"</h1><p>Made with Pictavo.</p></body></html>\n")
        for i in range(shape["movies"]):
            write(os.path.join(bin_dir, f"scene{i + 1}.swf"), rnd.randbytes(shape["movie_kb"] * 1024 + i))
        for i in range(shape["texts"]):
            write(os.path.join(bin_dir, f"caption{i + 1}.txt"), f"Caption {i + 1} of {name}\n".encode())
        for i in range(shape["images"]):
            write(os.path.join(bin_dir, "images", f"Photo {i + 1:02d}.png"), png(64 + i, 48 + i, i))
        # The authoring product's own files stay at home: they are never published.
        write(os.path.join(root, name, "project.pvo"), b"pictavo project\n")


if __name__ == "__main__":
    make(sys.argv[1])
