#!/usr/bin/env python3
"""Software preview of a sample tank (debugging aid, standard library only).

    preview.py GAME_DIR MODEL_DIR OUT.png [--form normal|crash|collision]

MODEL_DIR is the tank folder below res, e.g. vehicles/velmora/V07_Bastion.
Reads the parts back with the project's own decoders, places them like the
viewer (hull at hullPosition, turret at HP_turretJoint, gun at HP_gunJoint),
mirrors x as the viewer does, culls back faces (counter-clockwise front after
the reader's index reversal) and draws three flat-shaded views: side, top and
a three-quarter view.  Shading uses no textures; DXT1 is not decoded."""
import math
import os
import struct
import sys
import zlib
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "formats"))
import packedxml  # noqa: E402
import primitives  # noqa: E402


def read(game, name):
    p = os.path.join(game, "res", name)
    if os.path.isfile(p):
        return open(p, "rb").read()
    pk = os.path.join(game, "res", "packages")
    for f in sorted(os.listdir(pk)):
        with zipfile.ZipFile(os.path.join(pk, f)) as z:
            if name in z.namelist():
                return z.read(name)
    raise FileNotFoundError(name)


def tree(data, name):
    import xml.etree.ElementTree as ET
    if packedxml.is_packed(data):
        return packedxml.unpack(data, name)
    return ET.fromstring(data)


def load_part(game, path):
    vis = tree(read(game, path + ".visual"), "x")
    secs = dict(primitives.read_primitives(read(game, path + ".primitives")))
    tris = []
    nodes = {}
    for n in vis.iter("node"):
        ident = n.find("identifier")
        if ident is not None and n.find("transform") is not None:
            r3 = [float(x) for x in n.find("transform/row3").text.split()]
            nodes[ident.text.strip().lower()] = (-r3[0], r3[1], r3[2])
    for geo in vis.iter("geometry"):
        _, verts = primitives.read_vertices(secs[geo.find("vertices").text.strip()])
        _, idx, _ = primitives.read_indices(secs[geo.find("primitive").text.strip()])
        P = [(-v["pos"][0], v["pos"][1], v["pos"][2]) for v in verts]
        for k in range(0, len(idx) - 2, 3):
            a, b, c = idx[k + 2], idx[k + 1], idx[k]       # reversed like the reader
            tris.append((P[a], P[b], P[c]))
    return tris, nodes


def render(tris, w, h, view, bounds):
    zbuf = [1e30] * (w * h)
    img = bytearray(b"\x30\x30\x38" * (w * h))
    (x0, y0), (x1, y1) = bounds
    s = min(w / (x1 - x0), h / (y1 - y0)) * 0.92
    light = (0.4, 0.8, -0.45)
    for t in tris:
        q = [view(p) for p in t]
        e1 = [q[1][i] - q[0][i] for i in range(3)]
        e2 = [q[2][i] - q[0][i] for i in range(3)]
        n = (e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0])
        if n[2] <= 0:          # counter-clockwise on screen (x right, y up) = front
            continue
        ln = math.sqrt(sum(c * c for c in n)) or 1
        i = max(0.15, (n[0] * light[0] + n[1] * light[1] + n[2] * 0.5) / ln)
        col = bytes((min(255, int(200 * i)), min(255, int(190 * i)), min(255, int(150 * i))))
        sx = [((p[0] - x0) * s + w * 0.04, h - ((p[1] - y0) * s + h * 0.04), -p[2]) for p in q]
        minx, maxx = max(0, int(min(p[0] for p in sx))), min(w - 1, int(max(p[0] for p in sx)) + 1)
        miny, maxy = max(0, int(min(p[1] for p in sx))), min(h - 1, int(max(p[1] for p in sx)) + 1)
        (ax, ay, az), (bx, by, bz), (cx, cy, cz) = sx
        den = (by - cy) * (ax - cx) + (cx - bx) * (ay - cy)
        if abs(den) < 1e-9:
            continue
        for y in range(miny, maxy + 1):
            for x in range(minx, maxx + 1):
                l1 = ((by - cy) * (x - cx) + (cx - bx) * (y - cy)) / den
                l2 = ((cy - ay) * (x - cx) + (ax - cx) * (y - cy)) / den
                l3 = 1 - l1 - l2
                if l1 < 0 or l2 < 0 or l3 < 0:
                    continue
                z = l1 * az + l2 * bz + l3 * cz
                o = y * w + x
                if z < zbuf[o]:
                    zbuf[o] = z
                    img[o * 3:o * 3 + 3] = col
    return img


def png(path, w, h, rgb):
    raw = b"".join(b"\x00" + bytes(rgb[y * w * 3:(y + 1) * w * 3]) for y in range(h))
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def main(argv):
    game, folder, out = argv[:3]
    form = argv[argv.index("--form") + 1] if "--form" in argv else "normal"
    model = folder.split("/")[-1]
    nation = folder.split("/")[1]
    d = tree(read(game, "scripts/item_defs/vehicles/%s/%s.xml" % (nation, model.lower())), "d")
    hp = [float(x) for x in d.find("chassis")[0].find("hullPosition").text.split()] \
        if d.find("chassis")[0].find("hullPosition") is not None else [0, 0, 0]
    hp[0] = -hp[0]
    sub = form if form == "collision" else form + "/lod0"
    ch, _ = load_part(game, "%s/%s/Chassis" % (folder, sub))
    hull, hn = load_part(game, "%s/%s/Hull" % (folder, sub))
    tur, tn = load_part(game, "%s/%s/Turret_01" % (folder, sub))
    gun, _ = load_part(game, "%s/%s/Gun_01" % (folder, sub))
    tj = hn.get("hp_turretjoint", (0, 0, 0)) if form != "collision" else (0, 0, 0)
    gj = tn.get("hp_gunjoint", (0, 0, 0)) if form != "collision" else (0, 0, 0)
    def move(ts, o):
        return [tuple((p[0] + o[0], p[1] + o[1], p[2] + o[2]) for p in t) for t in ts]
    hull_o = hp
    tur_o = [hull_o[i] + tj[i] for i in range(3)]
    gun_o = [tur_o[i] + gj[i] for i in range(3)]
    tris = ch + move(hull, hull_o) + move(tur, tur_o) + move(gun, gun_o)
    W, H = 360, 240
    views = [
        ("side", lambda p: (-p[2], p[1], p[0])),                      # from +x, looking towards -x
        ("top", lambda p: (p[0], -p[2], p[1])),
        ("3/4", lambda p: (p[0] * 0.7 + p[2] * 0.7, p[1] * 0.9 + (p[2] * 0.7 - p[0] * 0.7) * 0.3,
                           p[2] * 0.7 - p[0] * 0.7)),
    ]
    rows = []
    for name, v in views:
        pts = [v(p) for t in tris for p in t]
        b = ((min(p[0] for p in pts), min(p[1] for p in pts)), (max(p[0] for p in pts), max(p[1] for p in pts)))
        rows.append(render(tris, W, H, v, b))
    img = bytearray()
    for y in range(H):
        for r in rows:
            img += r[y * W * 3:(y + 1) * W * 3]
    png(out, W * len(rows), H, img)
    print("%d triangles -> %s" % (len(tris), out))


if __name__ == "__main__":
    main(sys.argv[1:])
