#!/usr/bin/env python3
"""Writer (and a small decoder) of the game's `.primitives` files.

File: u32 magic 0x42A14E65, section blocks back to back (each starting at a
multiple of 4), then the section table, then u32 table length.  Table entry:
u32 block length, 16 reserved bytes, u32 name length, name, padding to 4.

Vertex section: 64-byte zero-padded format name, i32 count, vertices.
  "xyznuv"        (32 bytes): pos 3f, normal 3f, uv 2f
  "xyznuvtb"      (32 bytes): pos 3f, packed normal, uv 2f, packed tangent, packed binormal
  "xyznuviiiwwtb" (37 bytes): pos 3f, packed normal, uv 2f, 3 index bytes,
                              2 weight bytes, packed tangent, packed binormal
Packed vector: x signed 11 bits (0-10, scale 1023), y signed 11 bits
(11-21, scale 1023), z signed 10 bits (22-31, scale 511).
Index section: 64-byte format name ("list" 16-bit, "list32" 32-bit), u32 index
count, u32 group count, indices, groups (startIndex, primitiveCount,
startVertex, vertexCount; u32 each).
"uv2" section: one (u, v) float pair per vertex.

Coordinates are written as given (game space); the reader negates x and
reverses every triangle.

Usage as a module:
    import primitives as P
    vs = P.vertex_section("xyznuvtb", [dict(pos=(0,0,0), normal=(0,1,0), uv=(0,0),
                                           tangent=(1,0,0), binormal=(0,0,1)), ...])
    ix = P.index_section([0, 1, 2, ...], groups=[(0, ntri, 0, nvert)])  # list32 chosen
                                                                         # automatically
    data = P.write_primitives([("Hull.vertices", vs), ("Hull.indices", ix)])
Vertices may be dicts (keys pos, normal, uv, tangent, binormal, bones, weights)
or tuples in field order.
Command line:  primitives.py dump FILE    primitives.py selftest
"""
import struct
import sys

MAGIC = 0x42A14E65
FORMATS = {"xyznuv": 32, "xyznuvtb": 32, "xyznuviiiwwtb": 37}


def _clamp_int(v, scale, bits):
    lo, hi = -(1 << (bits - 1)), (1 << (bits - 1)) - 1
    return max(lo, min(hi, int(round(v * scale))))


def pack_vector(v):
    """Packed 32-bit word of a (unit) vector."""
    x = _clamp_int(v[0], 1023, 11) & 0x7FF
    y = _clamp_int(v[1], 1023, 11) & 0x7FF
    z = _clamp_int(v[2], 511, 10) & 0x3FF
    return z << 22 | y << 11 | x


def unpack_vector(w):
    def sx(val, bits):
        return val - (1 << bits) if val & (1 << (bits - 1)) else val
    x = sx(w & 0x7FF, 11)
    y = sx((w >> 11) & 0x7FF, 11)
    z = sx((w >> 22) & 0x3FF, 10)
    f = struct.unpack("<f", struct.pack("<f", 1.0 / 1023))[0]
    g = struct.unpack("<f", struct.pack("<f", 1.0 / 511))[0]
    return (x * f, y * f, z * g)


def _name64(name):
    b = name.encode("latin-1")
    if len(b) > 64:
        raise ValueError("format name too long")
    return b + b"\x00" * (64 - len(b))


_KEYS = {"xyznuv": ("pos", "normal", "uv"),
         "xyznuvtb": ("pos", "normal", "uv", "tangent", "binormal"),
         "xyznuviiiwwtb": ("pos", "normal", "uv", "bones", "weights", "tangent", "binormal")}


def _fields(fmt, v):
    keys = _KEYS[fmt]
    if isinstance(v, dict):
        out = []
        for k in keys:
            if k in v:
                out.append(v[k])
            elif k in ("tangent",):
                out.append((1, 0, 0))
            elif k == "binormal":
                out.append((0, 0, 1))
            elif k == "bones":
                out.append((0, 0, 0))
            elif k == "weights":
                out.append((255, 0))
            else:
                raise KeyError(k)
        return out
    return list(v)


def vertex_section(fmt, vertices, format_name=None, count=None):
    """Bytes of a vertex section. ``format_name`` overrides the written name
    (e.g. "XYZNUV"); ``count`` overrides the written vertex count."""
    fmt_l = fmt.lower()
    if fmt_l not in FORMATS:
        raise ValueError("unknown vertex format " + fmt)
    out = [_name64(format_name or fmt), struct.pack("<i", len(vertices) if count is None else count)]
    pf = struct.Struct("<3f")
    for v in vertices:
        f = _fields(fmt_l, v)
        if fmt_l == "xyznuv":
            out.append(struct.pack("<8f", *f[0], *f[1], *f[2]))
        elif fmt_l == "xyznuvtb":
            out.append(pf.pack(*f[0]) + struct.pack("<I2fII", pack_vector(f[1]), f[2][0], f[2][1],
                                                    pack_vector(f[3]), pack_vector(f[4])))
        else:
            out.append(pf.pack(*f[0]) + struct.pack("<I2f3B2BII", pack_vector(f[1]), f[2][0], f[2][1],
                                                    *f[3], *f[4], pack_vector(f[5]), pack_vector(f[6])))
    return b"".join(out)


def index_section(indices, groups=None, fmt=None, count=None):
    """Bytes of an index section. ``indices`` is a flat list (or a list of
    triangles); ``groups`` a list of (startIndex, primitiveCount, startVertex,
    vertexCount); default one group covering everything. ``fmt`` defaults to
    "list32" when an index exceeds 65535, else "list"."""
    flat = []
    for i in indices:
        if isinstance(i, (tuple, list)):
            flat.extend(i)
        else:
            flat.append(i)
    top = max(flat) if flat else -1
    if fmt is None:
        fmt = "list32" if top > 0xFFFF else "list"
    wide = "list32" in fmt
    if not wide and top > 0xFFFF:
        raise ValueError("index above 65535 in a 16-bit section")
    if groups is None:
        groups = [(0, len(flat) // 3, 0, top + 1)]
    out = [_name64(fmt), struct.pack("<II", len(flat) if count is None else count, len(groups)),
           struct.pack("<%d%s" % (len(flat), "I" if wide else "H"), *flat)]
    for g in groups:
        out.append(struct.pack("<4I", *g))
    return b"".join(out)


def uv2_section(uvs):
    return b"".join(struct.pack("<2f", u, v) for u, v in uvs)


def write_primitives(sections, table_length=None, bit31=False, magic=MAGIC):
    """Bytes of a .primitives file from [(name, bytes)] in order.
    Odd test files: ``table_length`` overrides the last word, ``bit31`` sets
    bit 31 of every block length in the table (the reader clears it), ``magic``
    replaces the magic; a section may also be (name, bytes, written_length) to
    write a block length that differs from the data."""
    blocks = [struct.pack("<I", magic)]
    table = []
    for sec in sections:
        name, data = sec[0], sec[1]
        length = sec[2] if len(sec) > 2 else len(data)
        blocks.append(data + b"\x00" * (-len(data) % 4))
        nb = name.encode("latin-1")
        table.append(struct.pack("<I16xI", length | (0x80000000 if bit31 else 0), len(nb)) + nb
                     + b"\x00" * (-len(nb) % 4))
    t = b"".join(table)
    return b"".join(blocks) + t + struct.pack("<I", len(t) if table_length is None else table_length)


# ------------------------------------------------------------------ decoder

def read_primitives(data):
    """Decode -> list of (name, bytes). Strict."""
    if struct.unpack_from("<I", data, 0)[0] != MAGIC:
        raise ValueError("bad magic")
    L = struct.unpack_from("<I", data, len(data) - 4)[0]
    pos = len(data) - 4 - L
    if pos < 4:
        raise ValueError("bad table")
    off = 4
    out = []
    while pos < len(data) - 4:
        length, nlen = struct.unpack_from("<I16xI", data, pos)
        length &= 0x7FFFFFFF
        pos += 24
        name = data[pos:pos + nlen].decode("latin-1")
        pos += nlen + (-nlen % 4)
        out.append((name, data[off:off + length]))
        off += length + (-length % 4)
    return out


def read_vertices(section):
    fmt = section[:64].rstrip(b"\x00").decode("latin-1").lower()
    n = struct.unpack_from("<i", section, 64)[0]
    stride = FORMATS[fmt]
    verts = []
    for i in range(max(n, 0)):
        p = 68 + i * stride
        pos = struct.unpack_from("<3f", section, p)
        if fmt == "xyznuv":
            nrm = struct.unpack_from("<3f", section, p + 12)
            uv = struct.unpack_from("<2f", section, p + 24)
            verts.append(dict(pos=pos, normal=nrm, uv=uv))
        elif fmt == "xyznuvtb":
            w, u, v, t, b = struct.unpack_from("<I2fII", section, p + 12)
            verts.append(dict(pos=pos, normal=unpack_vector(w), uv=(u, v),
                              tangent=unpack_vector(t), binormal=unpack_vector(b)))
        else:
            w, u, v, i0, i1, i2, w0, w1, t, b = struct.unpack_from("<I2f3B2BII", section, p + 12)
            verts.append(dict(pos=pos, normal=unpack_vector(w), uv=(u, v), bones=(i0, i1, i2),
                              weights=(w0, w1), tangent=unpack_vector(t), binormal=unpack_vector(b)))
    return fmt, verts


def read_indices(section):
    fmt = section[:64].rstrip(b"\x00").decode("latin-1")
    n, g = struct.unpack_from("<II", section, 64)
    w = 4 if "list32" in fmt else 2
    idx = list(struct.unpack_from("<%d%s" % (n, "I" if w == 4 else "H"), section, 72))
    p = 72 + n * w
    groups = [struct.unpack_from("<4I", section, p + 16 * k) for k in range(g)]
    return fmt, idx, groups


def read_uv2(section):
    return [struct.unpack_from("<2f", section, 8 * k) for k in range(len(section) // 8)]


# ---------------------------------------------------------------- self-test

def _close(a, b, eps):
    return all(abs(x - y) <= eps for x, y in zip(a, b))


def selftest():
    import math
    verts = []
    for i in range(7):
        a = i * 0.7
        n = (math.cos(a), 0.3, math.sin(a))
        ln = math.sqrt(sum(c * c for c in n))
        n = tuple(c / ln for c in n)
        verts.append(dict(pos=(i, -i * 0.5, 2.0 + i), normal=n, uv=(i / 7, 1 - i / 7),
                          tangent=(n[2], 0, -n[0]), binormal=(0, 1, 0), bones=(i, 1, 2),
                          weights=(200, 55)))
    tris = [(0, 1, 2), (2, 3, 4), (4, 5, 6)]
    for fmt in FORMATS:
        vs = vertex_section(fmt, verts)
        assert len(vs) == 68 + FORMATS[fmt] * len(verts)
        f2, back = read_vertices(vs)
        assert f2 == fmt and len(back) == len(verts)
        for a, b in zip(verts, back):
            assert a["pos"] == b["pos"]
            assert _close(a["normal"], b["normal"], 0.003)
            assert _close(a["uv"], b["uv"], 1e-6)
            if fmt != "xyznuv":
                assert _close(a["tangent"], b["tangent"], 0.003)
            if fmt == "xyznuviiiwwtb":
                assert b["bones"] == a["bones"] and b["weights"] == a["weights"]
    ix = index_section(tris)
    fmt, idx, groups = read_indices(ix)
    assert fmt == "list" and idx == [i for t in tris for i in t] and groups == [(0, 3, 0, 7)]
    big = index_section([0, 1, 70000], groups=[(0, 1, 0, 70001)])
    assert read_indices(big)[0] == "list32" and read_indices(big)[1] == [0, 1, 70000]
    uv2 = uv2_section([(0.25, 0.5)] * 7)
    odd = b"abcde"
    data = write_primitives([("A.vertices", vertex_section("xyznuvtb", verts)),
                             ("A.indices", ix), ("A.uv2", uv2), ("odd", odd), ("B", b"xy")])
    secs = read_primitives(data)
    assert [s[0] for s in secs] == ["A.vertices", "A.indices", "A.uv2", "odd", "B"]
    assert secs[3][1] == odd and secs[4][1] == b"xy"
    assert read_uv2(secs[2][1]) == [(0.25, 0.5)] * 7
    assert read_primitives(write_primitives([("A", b"abcd")], bit31=True)) == [("A", b"abcd")]
    assert unpack_vector(0) == (0, 0, 0)
    assert abs(unpack_vector(pack_vector((0, 0, 1)))[2] - 1.0) < 1e-6
    assert pack_vector((1, 0, 0)) == 1023
    print("primitives selftest ok")


def main(argv):
    if argv[:1] == ["selftest"]:
        selftest()
    elif len(argv) == 2 and argv[0] == "dump":
        with open(argv[1], "rb") as f:
            data = f.read()
        for name, sec in read_primitives(data):
            head = sec[:64].rstrip(b"\x00")
            info = ""
            try:
                fmtname = head.decode("latin-1")
                if fmtname.lower() in FORMATS:
                    info = "vertices %s x %d" % (fmtname, struct.unpack_from("<i", sec, 64)[0])
                elif fmtname.startswith("list"):
                    n, g = struct.unpack_from("<II", sec, 64)
                    info = "indices %s x %d, %d groups" % (fmtname, n, g)
            except Exception:
                pass
            print("%-32s %8d  %s" % (name, len(sec), info))
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
