#!/usr/bin/env python3
"""Writes the seed inputs of the image and font fuzz targets: small PNG files
in the colour types, bit depths and layouts the decoder has to handle, one
picture of four coloured quadrants in every other image format read (made with
ImageMagick's convert, which must be installed), a tiny
TrueType font of three outlined glyphs and a tiny BDF bitmap font. The files
are committed; run this again only to change them."""
import os
import shutil
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, depth, colour, rows, extra=b"", interlace=0):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write(target, name, data):
    with open(os.path.join(HERE, "corpus", target, name), "wb") as f:
        f.write(data)


def png_seeds():
    write("image_texture", "rgb8.png",
          png(4, 2, 8, 2, [bytes(range(i * 12, i * 12 + 12)) for i in range(2)]))
    write("image_texture", "rgba8.png",
          png(3, 2, 8, 6, [bytes([200, 10, 10, 255] * 3), bytes([0, 0, 250, 0] * 3)]))
    write("image_texture", "grey1.png", png(9, 3, 1, 0, [b"\xaa\x80", b"\x55\x00", b"\xff\x80"]))
    write("image_texture", "grey16.png", png(2, 2, 16, 0, [b"\x00\x00\xff\xff", b"\x80\x00\x12\x34"]))
    write("image_texture", "greyalpha8.png", png(2, 1, 8, 4, [b"\x40\xff\xc0\x00"]))
    palette = chunk(b"PLTE", bytes([255, 0, 0, 0, 255, 0, 0, 0, 255]))
    alpha = chunk(b"tRNS", bytes([255, 128]))
    write("image_texture", "palette4-trns.png",
          png(5, 2, 4, 3, [b"\x01\x20\x10", b"\x22\x11\x00"], palette + alpha))
    write("image_texture", "rgba16.png", png(1, 2, 16, 6, [bytes(range(8)), bytes(range(8, 16))]))
    write("image_texture", "interlaced.png",
          png(5, 5, 8, 2, [bytes((i * 7 + j) % 256 for j in range(15)) for i in range(5)],
              interlace=1))


# convert's TGA marks its rows as bottom first but stores them top first, so
# that one is written here: run-length packets, rows bottom first.
def quadrant_tga(colours):
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 10, 0, 0, 0, 0, 0, 16, 16, 24, 0)
    rows = b""
    for y in reversed(range(16)):
        for x in (0, 8):
            r, g, b = colours[(x >= 8) + 2 * (y >= 8)]
            rows += bytes([0x80 | 7, b, g, r])
    write("image_texture", "quadrants.tga", header + rows)


# convert's options per file: JPEG without chroma subsampling, so each 8 x 8
# block keeps one colour; lossy WebP, the only kind the image library reads.
QUADRANT_FORMATS = {
    "jpg": ["-sampling-factor", "1x1", "-quality", "95"],
    "bmp": [], "gif": [], "ppm": [], "tif": ["-compress", "none"], "xpm": [],
    "webp": ["-define", "webp:lossless=false", "-quality", "100"], "pcx": [], "ico": [],
}


def quadrant_seeds():
    """Red, green, blue and white quadrants of a 16 x 16 picture, top-left first."""
    if shutil.which("convert") is None:
        raise SystemExit("make_seeds.py: ImageMagick's convert is needed for the image seeds")
    colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]
    rows = [bytes(c for x in range(16) for c in colours[(x >= 8) + 2 * (y >= 8)])
            for y in range(16)]
    source = os.path.join(HERE, "corpus", "image_texture", "quadrants.png")
    write("image_texture", "quadrants.png", png(16, 16, 8, 2, rows))
    quadrant_tga(colours)
    for extension, options in QUADRANT_FORMATS.items():
        target = source[:-3] + extension
        subprocess.run(["convert", source] + options + ["-strip", target], check=True)


def table_directory(tables):
    tags = sorted(tables)
    header = struct.pack(">IHHHH", 0x00010000, len(tags), 32, 2, len(tags) * 16 - 32)
    offset = 12 + 16 * len(tags)
    directory, data = b"", b""
    for tag in tags:
        body = tables[tag]
        checksum = sum(struct.unpack(">%dI" % ((len(body) + 3) // 4),
                                     body + b"\0" * (-len(body) % 4))) & 0xFFFFFFFF
        directory += struct.pack(">4sIII", tag.encode(), checksum, offset + len(data), len(body))
        data += body + b"\0" * (-len(body) % 4)
    return header + directory + data


def simple_glyph(points):
    """One closed contour of on-curve points in font units."""
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    out = struct.pack(">hhhhh", 1, min(xs), min(ys), max(xs), max(ys))
    out += struct.pack(">HH", len(points) - 1, 0)
    out += bytes([1] * len(points))
    previous = 0
    for x in xs:
        out += struct.pack(">h", x - previous)
        previous = x
    previous = 0
    for y in ys:
        out += struct.pack(">h", y - previous)
        previous = y
    return out + b"\0" * (len(out) % 2)


def ttf_seed():
    # Glyphs: 0 .notdef (empty), 1 space (empty), 2 square for 'A', 3 triangle for 'B'.
    glyphs = [b"", b"", simple_glyph([(100, 0), (100, 700), (600, 700), (600, 0)]),
              simple_glyph([(50, 0), (350, 700), (650, 0)])]
    glyf, loca = b"", []
    for g in glyphs:
        loca.append(len(glyf) // 2)
        glyf += g
    loca.append(len(glyf) // 2)
    segments = [(0x20, 0x20, 1), (0x41, 0x42, 2), (0xFFFF, 0xFFFF, None)]
    count = len(segments)
    ends = b"".join(struct.pack(">H", s[1]) for s in segments)
    starts = b"".join(struct.pack(">H", s[0]) for s in segments)
    deltas = b"".join(struct.pack(">h", ((s[2] - s[0]) & 0xFFFF) - (0x10000 if (s[2] - s[0]) & 0x8000 else 0)
                                   if s[2] is not None else 1) for s in segments)
    offsets = b"\0\0" * count
    format4 = struct.pack(">HHHHHHH", 4, 16 + 8 * count, 0, count * 2, 4, 1, count * 2 - 4)
    format4 += ends + b"\0\0" + starts + deltas + offsets
    cmap = struct.pack(">HHHHI", 0, 1, 3, 1, 12) + format4
    name_text = "Seed".encode("utf-16-be")
    name = struct.pack(">HHH", 0, 2, 6 + 24) + b"".join(
        struct.pack(">HHHHHH", 3, 1, 0x409, nid, len(name_text), 0) for nid in (1, 4)) + name_text
    tables = {
        "head": struct.pack(">IIIIHHqqhhhhHHhhh", 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0, 1000,
                            0, 0, 0, 0, 700, 700, 0, 8, 2, 0, 0),
        "hhea": struct.pack(">IhhhHhhhhhhhhhhhH", 0x00010000, 800, -200, 0, 700, 0, 0, 650, 1, 0,
                            0, 0, 0, 0, 0, 0, len(glyphs)),
        "maxp": struct.pack(">IHHHHHHHHHHHHHH", 0x00010000, len(glyphs), 4, 1, 0, 0, 1, 0, 0, 0, 0,
                            0, 0, 0, 0),
        "hmtx": b"".join(struct.pack(">Hh", w, 0) for w in (500, 300, 700, 700)),
        "loca": b"".join(struct.pack(">H", o) for o in loca),
        "glyf": glyf,
        "cmap": cmap,
        "name": name,
        "post": struct.pack(">IIhhIIIII", 0x00030000, 0, -100, 50, 0, 0, 0, 0, 0),
    }
    write("font_text", "three-glyphs.ttf", table_directory(tables))


def bdf_seed():
    # A bitmap font has fixed sizes: this one claims the game's 64 pixels.
    lines = ["STARTFONT 2.1", "FONT -seed-fixed-medium-r-normal--64-640-72-72-c-80-iso8859-1",
             "SIZE 64 72 72", "FONTBOUNDINGBOX 8 8 0 -1", "STARTPROPERTIES 3", "PIXEL_SIZE 64",
             "FONT_ASCENT 7", "FONT_DESCENT 1", "ENDPROPERTIES", "CHARS 3"]
    for name, code, rows in (("space", 32, ["00"] * 8),
                             ("A", 65, ["18", "24", "42", "7E", "42", "42", "42", "00"]),
                             ("tilde", 126, ["00", "00", "32", "4C", "00", "00", "00", "00"])):
        lines += ["STARTCHAR " + name, "ENCODING %d" % code, "SWIDTH 500 0", "DWIDTH 8 0",
                  "BBX 8 8 0 -1", "BITMAP"] + rows + ["ENDCHAR"]
    lines.append("ENDFONT")
    write("font_text", "three-glyphs.bdf", ("\n".join(lines) + "\n").encode())


if __name__ == "__main__":
    png_seeds()
    quadrant_seeds()
    ttf_seed()
    bdf_seed()
