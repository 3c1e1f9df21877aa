#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets: a handful of small, valid inputs each.

    python3 fuzz/make_seeds.py        (from the repository root, or anywhere)

The inputs are built here from first principles (data blocks stored and pair-expanded,
run-length images of the three types, a small container holding them) so that the seeds
do not depend on the project's own encoders: a fault in an encoder must not hide a decoder
path from the fuzzer.
"""

import os
import subprocess
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


# --- BMP file images -----------------------------------------------------------------------


def bmp(width, height, bit_count, colors, pixel):
    """A bottom-up BMP file image; pixel(x, y) gives the value of each pixel."""
    row = ((width * bit_count + 31) // 32) * 4
    offset = 54 + 4 * len(colors)
    data = bytearray()
    data += b"BM" + u32(offset + row * height) + u32(0) + u32(offset)
    data += u32(40) + u32(width) + u32(height) + u16(1) + u16(bit_count)
    data += u32(0) + u32(row * height) + u32(0) + u32(0) + u32(len(colors)) + u32(0)
    for c in colors:
        data += u32(c)
    for y in range(height):
        line = bytearray(row)
        for x in range(width):
            v = pixel(x, y)
            if bit_count == 8:
                line[x] = v
            elif bit_count == 24:
                line[3 * x : 3 * x + 3] = bytes(((v >> 16) & 255, (v >> 8) & 255, v & 255))
            elif bit_count == 1:
                line[x // 8] |= (v & 1) << (7 - x % 8)
        data += line
    return bytes(data)


# --- Data blocks ---------------------------------------------------------------------------


def data_block(decoded_size, packed_flag, body, spare_flag=1):
    return u32(16 + len(body)) + u32(decoded_size) + b"DATA" + bytes((spare_flag, packed_flag, 0, 0)) + body


def pair_table(pairs):
    """The shortest table making the codes in pairs (code -> (left, right)) pairs."""
    table = bytearray()
    k = 0
    while k < 256:
        literals = 0
        while k + literals < 256 and (k + literals) not in pairs and literals < 128:
            literals += 1
        if literals:
            table.append(127 + literals)
            k += literals
            if k == 256:
                break
        else:
            run = 0
            while k + run < 256 and (k + run) in pairs and run < 128:
                run += 1
            table.append(run - 1)
            for _ in range(run - 1):
                table += bytes(pairs[k])
                k += 1
        # One entry follows a skip, and closes a run of entries.
        if k in pairs:
            table += bytes(pairs[k])
        else:
            table.append(k)
        k += 1
    return bytes(table)


def pair_encode(data, rounds=40):
    """Byte pair encoding in one pair block: replace the most frequent pair with an unused
    code, while one is left and a pair occurs at least twice."""
    codes = list(data)
    pairs = {}
    unused = [c for c in range(256) if c not in set(data)]
    for _ in range(rounds):
        if not unused:
            break
        counts = {}
        for a, b in zip(codes, codes[1:]):
            counts[(a, b)] = counts.get((a, b), 0) + 1
        if not counts:
            break
        best, n = max(counts.items(), key=lambda item: item[1])
        if n < 2:
            break
        code = unused.pop(0)
        pairs[code] = best
        out = []
        i = 0
        while i < len(codes):
            if i + 1 < len(codes) and (codes[i], codes[i + 1]) == best:
                out.append(code)
                i += 2
            else:
                out.append(codes[i])
                i += 1
        codes = out
    return pair_table(pairs) + struct.pack(">H", len(codes)) + bytes(codes)


# --- Run-length images ---------------------------------------------------------------------


def rle_header(codec_type, decoded_size, data):
    return bytes((0x40, codec_type)) + u32(decoded_size) + u32(10 + len(data)) + data


def rle8(data):
    out = bytearray()
    i = 0
    while i < len(data):
        n = 1
        while i + n < len(data) and data[i + n] == data[i] and n < 256:
            n += 1
        out += bytes((data[i], n - 1))
        i += n
    return rle_header(8, len(data), bytes(out))


def rle24(data):
    assert len(data) % 3 == 0
    out = bytearray()
    i = 0
    while i < len(data):
        n = 1
        while i + 3 * n < len(data) and data[i + 3 * n : i + 3 * n + 3] == data[i : i + 3] and n < 256:
            n += 1
        out += data[i : i + 3] + bytes((n - 1,))
        i += 3 * n
    return rle_header(24, len(data), bytes(out))


def run_code(v):
    if v == 1:
        return "0"
    n = v.bit_length()
    return "1" * n + "0" + format(v, "b")[1:]


def rle1(data):
    bits = [(byte >> b) & 1 for byte in data for b in range(8)]
    assert bits[0] == 0, "the first run is of 0-bits"
    stream = ""
    i = 0
    while i < len(bits):
        n = 1
        while i + n < len(bits) and bits[i + n] == bits[i]:
            n += 1
        stream += run_code(n)
        i += n
    # Zero padding up to whole bytes; its last bit, the input's final bit, is never used, and
    # at most seven usable padding bits cannot complete a byte past the data.
    padding = (6 - len(stream)) % 8 or 8
    stream += "0" * padding
    stream = "00" + stream
    body = bytes(int(stream[i : i + 8], 2) for i in range(0, len(stream), 8))
    return rle_header(1, len(data), body)


# --- Container -----------------------------------------------------------------------------


def chunk(tag, payload):
    return tag + u32(len(payload)) + payload


def container(chunks):
    body = b"".join(chunks)
    return b"VEKO_S10" + u32(12 + len(body)) + body


# --- Executables and image files ----------------------------------------------------------


def pe_with_resource(wide, type_name, rid, data):
    """A minimal PE32 (PE32+ when wide) with one ".rsrc" section holding one resource."""
    section_rva, section_file = 0x1000, 0x200
    name_dir, name_entry, language_dir, language_entry, data_entry, name_string = 24, 40, 48, 64, 72, 88
    tree = bytearray(name_string)
    tree[12] = tree[name_dir + 14] = tree[language_dir + 14] = 1
    tree += u16(len(type_name)) + b"".join(u16(ord(c)) for c in type_name)
    while len(tree) % 4:
        tree.append(0)
    data_at = len(tree)
    tree += data
    for at, value in [
        (16, 0x80000000 | name_string), (20, 0x80000000 | name_dir),
        (name_entry, rid), (name_entry + 4, 0x80000000 | language_dir),
        (language_entry, 0x409), (language_entry + 4, data_entry),
        (data_entry, section_rva + data_at), (data_entry + 4, len(data)),
    ]:
        tree[at : at + 4] = u32(value)
    raw_size = (len(tree) + 0x1FF) & ~0x1FF
    tree += bytes(raw_size - len(tree))
    optional_size = 240 if wide else 224
    pe = bytearray(0x40)
    pe[0:2] = b"MZ"
    pe[0x3C:0x40] = u32(0x40)
    pe += b"PE\0\0" + u16(0x8664 if wide else 0x14C) + u16(1) + u32(0) * 3 + u16(optional_size) + u16(0x0102)
    optional = bytearray(optional_size)
    optional[0:2] = u16(0x20B if wide else 0x10B)
    directories = 112 if wide else 96
    optional[directories - 4 : directories] = u32(16)
    optional[directories + 16 : directories + 24] = u32(section_rva) + u32(len(tree))
    pe += optional + b".rsrc\0\0\0" + u32(len(tree)) + u32(section_rva) + u32(raw_size) + u32(section_file) + bytes(16)
    pe += bytes(section_file - len(pe))
    return bytes(pe + tree)


def with_offset(pe, offset):
    """The executable with its "RC_DATA" 107 value set to offset."""
    at = pe.index(b"\xEF\xBE\xAD\xDE")
    return pe[:at] + u32(offset) + pe[at + 4 :]


def png(width, height, colour_type, rows, palette=b"", trns=b""):
    """A PNG of 8-bit samples; rows holds each row's bytes without its filter byte."""

    def chunk(tag, body):
        return u32be(len(body)) + tag + body + u32be(zlib.crc32(tag + body))

    body = chunk(b"IHDR", u32be(width) + u32be(height) + bytes((8, colour_type, 0, 0, 0)))
    if palette:
        body += chunk(b"PLTE", palette)
    if trns:
        body += chunk(b"tRNS", trns)
    body += chunk(b"IDAT", zlib.compress(b"".join(b"\0" + r for r in rows)))
    return b"\x89PNG\r\n\x1a\n" + body + chunk(b"IEND", b"")


def u32be(v):
    return struct.pack(">I", v & 0xFFFFFFFF)


def key_record(*fields):
    return b"".join(struct.pack("<i", f) for f in fields)


def magick(*arguments, format="gif"):
    """A picture made by ImageMagick's convert, as the bytes of a GIF or PNG file."""
    return subprocess.run(["convert", *arguments, f"{format}:-"], check=True,
                          capture_output=True).stdout


def main():
    gray = [i * 0x010101 for i in range(4)]
    small8 = bmp(6, 3, 8, gray, lambda x, y: (x + y) % 4)
    mask1 = bmp(6, 3, 1, [0, 0xFFFFFF], lambda x, y: x > 2)
    tiny24 = bmp(3, 2, 24, [], lambda x, y: 0xFF8000 if x == y else 0x0000FF)
    text = b"the quick brown fox jumps over the lazy dog; the lazy dog sleeps. " * 2

    seeds = {
        "fuzz_data_block": {
            "stored-text": data_block(len(text), 0, text),
            "stored-empty": data_block(0, 0, b""),
            "pairs-text": data_block(len(text), 1, pair_encode(text)),
            "pairs-bmp": data_block(len(small8), 1, pair_encode(small8)),
            "pairs-two-blocks": data_block(12, 1, pair_encode(b"abababab") + pair_encode(b"xyzz")),
            "pairs-spare-flag-0": data_block(len(mask1), 1, pair_encode(mask1), spare_flag=0),
        },
        "fuzz_run_length_image": {
            "type8-bmp": rle8(small8),
            "type24-bmp": rle24(tiny24),
            "type1-mask": rle1(mask1),
            "type1-bm": bytes.fromhex("40 01 02 00 00 00 0D 00 00 00 0E 03 30"),
            "type24-example": bytes.fromhex("40 18 06 00 00 00 0E 00 00 00 01 02 03 01"),
        },
    }

    # The image store's target: a 16-bit length, an image of that length, then its mask.
    mask8 = bmp(6, 3, 8, [1, 2], lambda x, y: 7 * (x == y))
    nibbles = bmp(6, 3, 4, gray, lambda x, y: 0)
    seeds["fuzz_image_store"] = {
        name: u16(len(image)) + image + mask
        for name, image, mask in [
            ("palette8-mask1", small8, mask1),
            ("true-colour-mask1", tiny24, mask1),
            ("palette4-mask8", nibbles, mask8),
            ("mask-without-table", small8, mask1[:10] + u32(54) + mask1[14:46] + u32(0) + mask1[50:54] + mask1[62:]),
        ]
    }

    image_list = b""
    for number, packed in [
        (1, data_block(len(small8), 1, pair_encode(small8))),
        (101, rle1(mask1)),
        (2, rle8(tiny24)),
        (3, data_block(len(tiny24), 0, tiny24)),
    ]:
        image_list += u16(number) + u32(len(packed)) + packed
    schedule = key_record(1, 0, 20, 15, 6, 3, 0, 0, 0, 0, -1, -1) + key_record(2, 0, 30, 20, 3, 2, 0, 1, 0, 5, 0, -1)
    groups = struct.pack("<4i", 1, 0, 6, 3) + struct.pack("<4i", 2, 3, 3, 2)
    jumps = b"".join(struct.pack("<i", -1 if i != 9 else 0) for i in range(10))
    seeds["fuzz_container_load"] = {
        "small-animation": container(
            [
                chunk(b"P_DT", struct.pack("<6I", 64, 48, 0x00203040, 1, 1, 10)),
                chunk(b"SCHE", data_block(len(schedule), 1, pair_encode(schedule))),
                chunk(b"GRP_", data_block(len(groups), 0, groups)),
                chunk(b"JP__", data_block(len(jumps), 1, pair_encode(jumps))),
                chunk(b"BMP_", image_list),
            ]
        ),
        "stage-only": container([chunk(b"P_DT", struct.pack("<6I", 32, 24, 0, 0, 0, 4))]),
    }

    # The compositor's target: a small multi-layer animation whose background takes each of
    # the three placements (larger than the stage and cropped, tiled, stretched), with masked
    # palette and true-colour sprites, a cel group, both kinds of interpolation and all flips.
    backdrop = bmp(24, 16, 8, gray, lambda x, y: (x // 4 + y // 4) % 4)
    mask24 = bmp(3, 2, 1, [0, 0xFFFFFF], lambda x, y: x == 0)
    sprites = b""
    for number, packed in [
        (1, data_block(len(small8), 0, small8)),
        (101, rle1(mask1)),
        (2, rle8(small8)),
        (3, data_block(len(tiny24), 1, pair_encode(tiny24))),
        (103, data_block(len(mask24), 0, mask24)),
        (4, rle8(backdrop)),
    ]:
        sprites += u16(number) + u32(len(packed)) + packed

    def section(layer, *keys):
        body = b"".join(key_record(*k) for k in keys)
        return struct.pack("<h", layer) + u32(len(body)) + body

    timeline = (
        section(0, (4, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0), (4, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0))
        + section(1, (1, 0, 10, 10, 12, 6, 0, 1, 0, 0, 0, 0), (1, 0, 50, 40, -12, 9, 3, 0, 0, 8, 0, 0))
        + section(2, (0, 1, 32, 24, 1000, 2000, 1, 2, 0, 0, 0, 0), (0, 1, 20, 30, 500, 956, 2, 2, 0, 4, 0, 0),
                  (0, 1, 40, 12, 1500, 1000, 9, 0, 0, 9, 0, 0))
        + section(3, (3, 0, 5, 40, 30, 20, 2, 1, 0, 1, 0, 0), (3, 0, 60, 5, 3, 2, 0, 0, 0, 7, 0, 0))
    )
    cels = struct.pack("<4i", 2, 0, 6, 3) + struct.pack("<4i", 1, 2, 6, 3) + struct.pack("<4i", 3, 3, 3, 2)
    group_payload = b"".join(u16(k) + u32(len(cels) if k == 0 else 0) + (cels if k == 0 else b"") for k in range(101))
    seeds["fuzz_compose"] = {
        f"three-layers-{name}": container(
            [
                chunk(b"P_DT", struct.pack("<6I", 20 if mode == 1 else 64, 12 if mode == 1 else 48, 0x00A00000, mode, 1, 10)),
                chunk(b"SCHE", data_block(len(timeline), 1, pair_encode(timeline))),
                chunk(b"GRP_", data_block(len(group_payload), 0, group_payload)),
                chunk(b"JP__", data_block(len(jumps), 0, jumps)),
                chunk(b"BMP_", sprites),
            ]
        )
        for name, mode in [("cropped", 1), ("tiled", 2), ("stretched", 3)]
    }

    # Executables: the same small animation behind PE32 and PE32+ savers, and bare.
    animation = seeds["fuzz_container_load"]["small-animation"]
    marker = bytes.fromhex("EF BE AD DE")
    pe32 = pe_with_resource(False, "RC_DATA", 107, marker)
    pe64 = pe_with_resource(True, "RC_DATA", 107, marker + b"\0\0\0\0")
    seeds["fuzz_executable"] = {
        "pe32-carrying-animation": with_offset(pe32, len(pe32)) + animation,
        "pe32plus-carrying-animation": with_offset(pe64, len(pe64)) + animation,
        "pe32-carrying-nothing": with_offset(pe32, len(pe32)),
        "bare-container": animation,
    }
    # The bundle's target: a 16-bit length, a saver of that length, then the container.
    seeds["fuzz_bundle"] = {
        "pe32-small-animation": u16(len(pe32)) + with_offset(pe32, 0) + animation,
        "pe32plus-replacing": u16(len(pe64) + len(animation)) + with_offset(pe64, len(pe64)) + animation + animation[:40],
    }
    # Image files: BMPs taken byte for byte and PNGs of each colour type the reader converts.
    grey_rows = [bytes((x * 40 + y) % 256 for x in range(5)) for y in range(3)]
    rgba_rows = [bytes(v for x in range(4) for v in (x * 60, y * 90, 200, 255 if x != y else 0)) for y in range(3)]
    rgb_rows = [bytes(v for x in range(4) for v in (x * 60, y * 90, 200)) for y in range(3)]
    seeds["fuzz_image_file"] = {
        "bmp-8-bit": small8,
        "bmp-24-bit": tiny24,
        "bmp-1-bit-mask": mask1,
        "png-grey": png(5, 3, 0, grey_rows),
        "png-rgb-transparent-colour": png(4, 3, 2, rgb_rows, trns=u16(0) + u16(90) + u16(200)),
        "png-rgba": png(4, 3, 6, rgba_rows),
        "png-palette-alpha": png(5, 3, 3, [bytes(x % 3 for x in range(5))] * 3, palette=bytes(range(9)), trns=b"\x00\xff"),
    }
    # Projects: a 16-bit length, the project's text, then the bytes of every file it names. The
    # deep and long values reach the reader's limits on nesting and on quoting a bad value.
    project = b'{"stage": {"width": 64, "height": 48, "backMode": "tile", "jumpLength": 8}, "images": [{"image": 1, "file": "a.png"}], "background": [{"frame": 0, "image": 1, "centre": [32, 24]}]}'
    deep = b'{"stage": {"width": 8, "height": 8, "backMode": ' + b"[" * 32000 + b"]" * 32000 + b"}}"
    long_value = b'{"stage": {"width": 8, "height": 8, "backMode": "' + b"x" * 5000 + b'"}}'
    seeds["fuzz_project_reader"] = {
        "project-png-background": u16(len(project)) + project + png(4, 3, 6, rgba_rows),
        "deep-value-overflowed-the-stack": u16(len(deep)) + deep,
        "long-value-quoted-whole": u16(len(long_value)) + long_value,
    }

    # The importer: a byte saying GIF (0) or sheet by grid (3) or by cel size (1), the cut's
    # numbers less one, then the file. ImageMagick makes the pictures.
    seeds["fuzz_import"] = {
        "gif-transparent-disposed": b"\0\0\0" + magick("-dispose", "background", "-delay", "20",
            "-size", "4x3", "xc:red", "-size", "2x2", "xc:none", "-loop", "0"),
        "gif-previous-offset": b"\0\0\0" + magick("-dispose", "previous", "-size", "5x4",
            "xc:blue", "-page", "+1+1", "-size", "2x2", "xc:yellow", "-delay", "3", "xc:none"),
        "gif-one-frame": b"\0\0\0" + magick("-size", "3x3", "xc:green"),
        "sheet-grid-3x1": b"\3\2\0" + magick("-size", "2x2", "xc:red", "xc:none", "xc:blue",
            "+append", format="png"),
        "sheet-cells-2x2": b"\1\1\1" + magick("-size", "4x4", "gradient:", format="png"),
    }

    for target, files in seeds.items():
        directory = os.path.join(HERE, "corpus", target)
        os.makedirs(directory, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(directory, name), "wb") as f:
                f.write(data)
            print(f"{target}/{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
