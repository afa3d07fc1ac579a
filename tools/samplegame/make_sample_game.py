#!/usr/bin/env python3
"""Generate the Hullscope sample game.

    make_sample_game.py OUT [--large]

Writes, deterministically (same bytes every run):
    OUT/Brastel/   the game folder (Settings BrastelPath): Brastel.exe, version.xml,
                   res/text/LC_MESSAGES/*.mo, res/scripts/item_defs/..., res/packages/*.pkg
    OUT/mod/       the empty mod folder (Settings ModPath)
    OUT/data/      resources.cfg, tank_list.cfg, garages.cfg as the program needs them
                   for this sample; for the small sample they equal the shipped
                   data/*.cfg of the repository (a test checks it).

Three invented nations (velmora, kastrel, oriande) with a dozen tanks over the
five classes and tiers 1-10.  --large adds 8 more nations, about 700 catalogue
entries sharing a few model sets per nation, and one detailed tank (~200,000
triangles).  Standard formats come from standard tools: msgfmt (.mo), Info-ZIP
zip (packages), nvcompress -fast (DDS).  Python 3 standard library only.
"""
import math
import os
import random
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "formats"))
sys.path.insert(0, HERE)
import packedxml  # noqa: E402
import primitives  # noqa: E402
import meshes  # noqa: E402

STAMP = "200001010000"  # touch -t: fixed timestamps of every zipped file

NATIONS = [
    # folder, display name, nation colour (r, g, b), letter
    ("velmora", "Velmora", (96, 104, 62), "V"),
    ("kastrel", "Kastrel", (120, 112, 96), "K"),
    ("oriande", "Oriande", (70, 84, 96), "O"),
]
EXTRA_NATIONS = [
    ("durmont", "Durmont", (110, 90, 60), "D"), ("ysolde", "Ysolde", (80, 96, 80), "Y"),
    ("tarvik", "Tarvik", (90, 90, 100), "T"), ("quellan", "Quellan", (100, 80, 80), "Q"),
    ("morrow", "Morrow", (70, 70, 60), "M"), ("sarnesse", "Sarnesse", (120, 100, 70), "S"),
    ("halvard", "Halvard", (60, 80, 70), "H"), ("zenthia", "Zenthia", (96, 96, 70), "Z"),
]
CLASSES = [("lightTank", "Light Tanks"), ("mediumTank", "Medium Tanks"), ("heavyTank", "Heavy Tanks"),
           ("AT-SPG", "Tank Destroyers"), ("SPG", "Artillery")]

# model id, class, tier, display name, options
TANKS = {
    "velmora": [("V01_Sprite", "lightTank", 1, "Sprite", {}),
                ("V04_Warden", "mediumTank", 4, "Warden", {"plain_def": True}),
                ("V07_Bastion", "heavyTank", 7, "Bastion", {"two_turrets": True}),
                ("V10_Tempest", "SPG", 10, "Tempest", {"no_root_mask": True})],
    "kastrel": [("K02_Lynx", "lightTank", 2, "Lynx", {"old_fx": True}),
                ("K05_Ironhide", "AT-SPG", 5, "Ironhide", {"wide_gun": True}),
                ("K08_Colossus", "heavyTank", 8, "Colossus", {"big_tracks": True}),
                ("K09_Strider", "mediumTank", 9, "Strider", {"dual": True})],
    "oriande": [("O03_Hornet", "SPG", 3, "Hornet", {"tga_gun": True}),
                ("O06_Falcon", "mediumTank", 6, "Falcon", {"hd": True, "detail": True}),
                ("O09_Rampart", "AT-SPG", 9, "Rampart", {"plain_def": True}),
                ("O10_Monarch", "heavyTank", 10, "Monarch", {"missing_descr": True})],
}
MISSING_MSGID = "O10_Monarch_descr"
SEASONS = ["summer", "winter", "desert"]


# ------------------------------------------------------------------ helpers

def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def E(tag, text=None, *children, **attrs):
    e = ET.Element(tag, {k: v for k, v in attrs.items()})
    if text is not None:
        e.text = text
    for c in children:
        if c is not None:
            e.append(c)
    return e


def fmtv(*xs):
    def one(x):
        if not isinstance(x, float):
            return str(x)
        t = ("%.4f" % x).rstrip("0").rstrip(".")
        return "0" if t in ("-0", "") else t
    return " ".join(one(x) for x in xs)


def xml_bytes(elem, packed):
    if packed:
        return packedxml.pack_tree(elem)
    return packedxml.plain_text(elem).encode("utf-8")


# ------------------------------------------------------------------ images

class Canvas:
    def __init__(self, w, h, color=(128, 128, 128, 255)):
        self.w, self.h = w, h
        self.px = bytearray(bytes(color) * (w * h))

    def noise(self, rng, amp):
        table = rng.randbytes(self.w * self.h)
        px = self.px
        for i in range(self.w * self.h):
            d = (table[i] * amp >> 8) - amp // 2
            o = i * 4
            for c in range(3):
                v = px[o + c] + d
                px[o + c] = 0 if v < 0 else 255 if v > 255 else v

    def rect(self, x0, y0, x1, y1, color):
        x0, x1 = max(0, int(x0)), min(self.w, int(x1))
        y0, y1 = max(0, int(y0)), min(self.h, int(y1))
        if x1 <= x0:
            return
        row = bytes(color) * (x1 - x0)
        for y in range(y0, y1):
            o = (y * self.w + x0) * 4
            self.px[o:o + len(row)] = row

    def shade(self, x0, y0, x1, y1, f):
        x0, x1 = max(0, int(x0)), min(self.w, int(x1))
        y0, y1 = max(0, int(y0)), min(self.h, int(y1))
        for y in range(y0, y1):
            for x in range(x0, x1):
                o = (y * self.w + x) * 4
                for c in range(3):
                    self.px[o + c] = min(255, int(self.px[o + c] * f))

    def disc(self, cx, cy, r, color):
        for y in range(max(0, int(cy - r)), min(self.h, int(cy + r) + 1)):
            for x in range(max(0, int(cx - r)), min(self.w, int(cx + r) + 1)):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    o = (y * self.w + x) * 4
                    self.px[o:o + 4] = bytes(color)

    SEG = {"0": "abcdef", "1": "bc", "2": "abged", "3": "abgcd", "4": "fgbc", "5": "afgcd",
           "6": "afgedc", "7": "abc", "8": "abcdefg", "9": "abcdfg"}

    def digits(self, text, x, y, h, color):
        w, t = h * 0.55, max(2, h * 0.13)
        for ch in text:
            segs = self.SEG.get(ch, "")
            boxes = {"a": (x, y, x + w, y + t), "g": (x, y + h / 2 - t / 2, x + w, y + h / 2 + t / 2),
                     "d": (x, y + h - t, x + w, y + h), "f": (x, y, x + t, y + h / 2),
                     "b": (x + w - t, y, x + w, y + h / 2), "e": (x, y + h / 2, x + t, y + h),
                     "c": (x + w - t, y + h / 2, x + w, y + h)}
            for s in segs:
                self.rect(*boxes[s], color)
            x += w + h * 0.25

    def tga(self):
        hdr = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, self.w, self.h, 32, 8 | 0x20)
        px = bytearray(self.px)
        px[0::4], px[2::4] = self.px[2::4], self.px[0::4]  # RGBA -> BGRA
        return hdr + bytes(px)


class TextureJobs:
    """Collects images; writes TGA files and runs nvcompress on them."""

    def __init__(self, tmp):
        self.tmp = tmp
        self.jobs = []

    def add(self, out_path, canvas, fmt="-bc1", mips=True):
        src = os.path.join(self.tmp, "tex%05d.tga" % len(self.jobs))
        write(src, canvas.tga())
        args = ["nvcompress", "-fast", fmt] + ([] if mips else ["-nomips"])
        if fmt in ("-bc2", "-bc3", "-rgb"):
            args.insert(1, "-alpha")
        self.jobs.append(args + [src, out_path])
        os.makedirs(os.path.dirname(out_path), exist_ok=True)

    def run(self):
        procs = []
        for args in self.jobs:
            procs.append(subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            if len(procs) >= 8:
                p = procs.pop(0)
                if p.wait() != 0:
                    raise RuntimeError("nvcompress failed: %r" % (p.args,))
        for p in procs:
            if p.wait() != 0:
                raise RuntimeError("nvcompress failed: %r" % (p.args,))
        for args in self.jobs:
            os.remove(args[-2])


def paint_part(rng, size, base, number, dark=False, stripe=None):
    """Atlas of Builder.uv: left half sides (with the number), right top roof,
    right bottom front/back. Panel lines, rivets, a number, weathering."""
    c = Canvas(size, size, base + (255,))
    c.noise(rng, 28)
    line = tuple(max(0, v - 38) for v in base) + (255,)
    light = tuple(min(255, v + 30) for v in base) + (255,)
    s = size
    # panel lines: irregular grid per region
    for (x0, y0, x1, y1) in ((0, 0, s // 2, s), (s // 2, 0, s, s // 2), (s // 2, s // 2, s, s)):
        x = x0 + rng.randint(8, 24) * s // 256
        while x < x1 - 4:
            c.rect(x, y0, x + max(1, s // 256), y1, line)
            x += rng.randint(30, 70) * s // 256
        y = y0 + rng.randint(8, 24) * s // 256
        while y < y1 - 4:
            c.rect(x0, y, x1, y + max(1, s // 256), line)
            for k in range(x0 + 6, x1 - 4, max(6, s // 24)):
                c.rect(k, y + 3, k + 2, y + 5, light)
            y += rng.randint(30, 70) * s // 256
        c.rect(x0, y0, x1, y0 + 2, line)
        c.rect(x0, y1 - 2, x1, y1, line)
    if stripe:
        c.rect(0, s * 0.42, s // 2, s * 0.47, stripe + (255,))
    # the number on the side region, away from the centre line
    h = s * 0.22
    c.digits(number, s * 0.06, s * 0.18, h, (235, 232, 220, 255))
    c.rect(s * 0.06, s * 0.18 + h + 4, s * 0.06 + h * 0.9, s * 0.18 + h + 8, (160, 30, 30, 255))
    # weathering at the bottom of the side region
    c.shade(0, s * 0.85, s // 2, s, 0.75)
    if dark:
        c.shade(0, 0, s, s, 0.35)
    return c


def paint_camo(rng, size, season, hidden=False):
    """RGBA camouflage mask: each channel selects one of c0..c3 (soft-edged blobs)."""
    n = 6
    grids = [[[rng.random() for _ in range(n)] for _ in range(n)] for _ in range(3)]
    c = Canvas(size, size, (0, 0, 0, 255))
    px = c.px
    for y in range(size):
        fy = y * n / size
        y0 = int(fy)
        ty = fy - y0
        for x in range(size):
            fx = x * n / size
            x0 = int(fx)
            tx = fx - x0
            vals = []
            for g in grids:
                a = g[y0 % n][x0 % n] * (1 - tx) + g[y0 % n][(x0 + 1) % n] * tx
                b = g[(y0 + 1) % n][x0 % n] * (1 - tx) + g[(y0 + 1) % n][(x0 + 1) % n] * tx
                vals.append(a * (1 - ty) + b * ty)
            k = max(range(3), key=lambda i: vals[i])
            o = (y * size + x) * 4
            px[o:o + 4] = (b"\xff\x00\x00\xff", b"\x00\xff\x00\xff", b"\x00\x00\xff\xff")[k] \
                if not hidden or (x // 16 + y // 16) % 2 else b"\x00\x00\x00\x00"
    return c


# ------------------------------------------------------------------ models

class TankShape:
    def __init__(self, rng, cls, scale=1.0, detail=1):
        self.cls = cls
        self.d = detail
        r = rng.uniform
        self.L = r(5.2, 6.6) * scale
        self.W = r(1.9, 2.3) * scale
        self.tw = r(0.42, 0.55) * scale
        self.wheels = rng.randint(5, 6)
        self.rw = r(0.30, 0.36) * scale
        self.hullH = r(0.85, 1.05) * scale
        self.hull_pos = (0.0, 0.42 * scale, 0.04)
        tz = {"SPG": -0.25, "AT-SPG": 0.25}.get(cls, 0.12) * self.L
        self.turret_joint = (-0.18 * scale, self.hullH, tz)
        self.tr = r(0.85, 1.05) * scale * (1.15 if cls == "heavyTank" else 1.0)
        self.tH = r(0.55, 0.75) * scale * (0.8 if cls in ("AT-SPG", "SPG") else 1.0)
        self.gun_joint = (0.07 * scale, self.tH * 0.45, self.tr * 0.85)
        self.gunL = r(3.0, 4.6) * scale * (1.2 if cls == "AT-SPG" else 1.0)
        self.gunR = r(0.055, 0.085) * scale * (1.4 if cls == "SPG" else 1.0)

    # bounds for the uv atlas
    def hull_bounds(self):
        return ((-self.W / 2 - self.tw, 0.0, -self.L / 2), (self.W / 2 + self.tw, self.hullH + 0.1, self.L / 2))

    def hull(self, b, collision=False):
        L, W, H = self.L, self.W, self.hullH
        prof = [(-L / 2 + 0.25, 0.0), (L / 2 - 0.55, 0.0), (L / 2, H * 0.45),
                (L / 2 - 1.05, H), (-L / 2 + 0.1, H), (-L / 2, H * 0.55)]
        if collision:
            faces = b.prism_x("tmp", prof, -W / 2, W / 2)
            del b.groups["tmp"], b.order[b.order.index("tmp")]
            c = meshes.centroid([p for f in faces for p in f])
            for k, f in enumerate(faces):
                n = meshes.sub(meshes.centroid(f), c)
                fc = meshes.centroid(f)
                if k < 2:
                    tag = "armor_2"           # side plates
                elif fc[2] > L / 2 - 1.1 and fc[1] < H * 0.99:
                    tag = "armor_1"           # front glacis plates
                else:
                    tag = "armor_3"           # rear, roof, floor
                b.poly(tag, f, n)
            # spaced side skirt (left side only: deliberately asymmetric)
            b.box("armor_4", (W / 2 + self.tw + 0.03, H * 0.5, 0.0), (0.02, H * 0.35, L * 0.8))
            b.box("surveyingDevice", (0.45, H + 0.08, -0.6), (0.18, 0.16, 0.18))
            return
        b.prism_x("hull", prof, -W / 2, W / 2, taper=0.06)
        # fenders over the tracks
        for sx in (-1, 1):
            b.box("hull", (sx * (W / 2 + self.tw / 2), H * 0.55, 0.0), (self.tw + 0.06, 0.04, L * 1.02))
        # asymmetric details: tool box left, exhaust right rear, headlight front left
        b.box("hull", (W / 2 + self.tw / 2, H * 0.55 + 0.12, -L * 0.2), (self.tw * 0.8, 0.2, L * 0.25))
        b.cylinder("hull", "x", (-W * 0.3, H * 0.8, -L / 2 - 0.05), 0.09, 0.5, 10 * self.d)
        b.cylinder("hull", "z", (W * 0.35, H * 0.55, L / 2 - 0.2), 0.08, 0.14, 10 * self.d)
        b.box("hull", (-W * 0.25, H + 0.05, L * 0.28), (0.5, 0.1, 0.45))  # driver hatch, off centre
        b.box("equipment_glass", (-W * 0.25, H + 0.06, L * 0.28 + 0.26), (0.3, 0.06, 0.04))

    def chassis_bounds(self):
        return ((-self.W / 2 - self.tw, 0.0, -self.L / 2 - 0.4), (self.W / 2 + self.tw, 1.0, self.L / 2 + 0.4))

    def track_path(self):
        L, rw = self.L, self.rw
        zs, zf = -L / 2 + 0.1, L / 2 - 0.1       # sprocket rear, idler front
        ys, yf = 0.62, 0.55
        pts = []
        # bottom run, front curve, top run, rear curve (a closed loop in (z, y))
        n = 8 * self.d
        pts.append((zs + 0.35, 0.03))
        pts.append((zf - 0.4, 0.03))
        for i in range(n + 1):
            a = -math.pi / 2 + math.pi * i / n
            pts.append((zf + 0.3 * math.cos(a) * 1.0, yf + 0.3 * math.sin(a)))
        pts.append((zs, ys + 0.3))
        for i in range(n + 1):
            a = math.pi / 2 + math.pi * i / n
            pts.append((zs + 0.3 * math.cos(a), ys + 0.3 * math.sin(a)))
        return pts

    def chassis(self, b, collision=False, links=0):
        L, W, tw = self.L, self.W, self.tw
        if collision:
            for sx in (-1, 1):
                b.box("armor_1", (sx * (W / 2 + tw / 2), 0.45, 0.0), (tw, 0.9, L + 0.5))
            return
        for sx in (-1, 1):
            x = sx * (W / 2 + tw / 2)
            span = L - 1.3
            for i in range(self.wheels):
                z = -span / 2 + span * i / (self.wheels - 1)
                b.cylinder("chassis", "x", (x, self.rw + 0.05, z), self.rw, tw * 0.8, 14 * self.d)
                b.cylinder("chassis", "x", (x + sx * 0.05, self.rw + 0.05, z), self.rw * 0.35, tw * 0.85, 8)
            b.cylinder("chassis", "x", (x, 0.62, -L / 2 + 0.1), 0.27, tw * 0.7, 12 * self.d)  # sprocket
            b.cylinder("chassis", "x", (x, 0.55, L / 2 - 0.1), 0.24, tw * 0.7, 12 * self.d)   # idler
            path = self.track_path()
            pts = []
            if links:
                # many individual links along the loop (the 32-bit index part)
                seglen = [math.dist(path[i], path[(i + 1) % len(path)]) for i in range(len(path))]
                total = sum(seglen)
                for k in range(links):
                    t = total * k / links
                    i = 0
                    while t > seglen[i]:
                        t -= seglen[i]
                        i += 1
                    a, c = path[i], path[(i + 1) % len(path)]
                    f = t / seglen[i]
                    pts.append((a[0] + (c[0] - a[0]) * f, a[1] + (c[1] - a[1]) * f))
            else:
                pts = path
            n = len(pts)
            cz = sum(p[0] for p in pts) / n
            cy = sum(p[1] for p in pts) / n
            for i in range(n):
                (z0, y0), (z1, y1) = pts[i], pts[(i + 1) % n]
                x0, x1 = x - tw / 2, x + tw / 2
                out = meshes.norm((0.0, (y0 + y1) / 2 - cy, (z0 + z1) / 2 - cz))
                th = 0.06
                o0 = (y0 + out[1] * th, z0 + out[2] * th)
                o1 = (y1 + out[1] * th, z1 + out[2] * th)
                if links:
                    # a link: a small solid block with a guide horn
                    zm, ym = (z0 + z1) / 2, (y0 + y1) / 2
                    b.box("track", (x, ym + out[1] * th / 2, zm + out[2] * th / 2), (tw, th, max(0.02, math.dist((z0, y0), (z1, y1)) * 0.85)))
                    b.box("track", (x + sx * 0.02, ym - out[1] * 0.04, zm - out[2] * 0.04), (0.05, 0.05, 0.05))
                    continue
                b.poly("track", [(x0, o0[0], o0[1]), (x1, o0[0], o0[1]), (x1, o1[0], o1[1]), (x0, o1[0], o1[1])], out)
                b.poly("track", [(x0, y0, z0), (x1, y0, z0), (x1, y1, z1), (x0, y1, z1)], (0, -out[1], -out[2]))
                b.poly("track", [(x0, y0, z0), (x0, o0[0], o0[1]), (x0, o1[0], o1[1]), (x0, y1, z1)], (-1, 0, 0))
                b.poly("track", [(x1, y0, z0), (x1, o0[0], o0[1]), (x1, o1[0], o1[1]), (x1, y1, z1)], (1, 0, 0))

    def turret_bounds(self, k=1.0):
        r = self.tr * k
        return ((-r, 0.0, -r * 1.5), (r, self.tH + 0.3, r * 1.2))

    def turret(self, b, collision=False, k=1.0, sides=8):
        r, H = self.tr * k, self.tH
        g = "turret"
        if collision:
            faces = []
            n = sides
            lo = [(r * math.cos(2 * math.pi * i / n + 0.3), 0.0, r * 1.1 * math.sin(2 * math.pi * i / n + 0.3)) for i in range(n)]
            hi = [(p[0] * 0.78, H, p[2] * 0.78) for p in lo]
            c = (0.0, H / 2, 0.0)
            for i in range(n):
                j = (i + 1) % n
                f = [lo[i], lo[j], hi[j], hi[i]]
                fc = meshes.centroid(f)
                b.poly("armor_1" if fc[2] > r * 0.45 else "armor_2", f, meshes.sub(fc, c))
            b.poly("armor_3", hi, (0, 1, 0))
            b.poly("armor_3", lo, (0, -1, 0))
            b.box("armor_2", (0.0, H * 0.45, -r * 1.25), (r * 1.1, H * 0.8, r * 0.55))
            return
        b.ring_solid(g, sides, 0.0, H, r, r * 0.78, zscale=1.1, phase=0.3)
        b.box(g, (0.0, H * 0.45, -r * 1.25), (r * 1.1, H * 0.8, r * 0.55))          # bustle
        b.ring_solid(g, 10 * self.d, H, H + 0.22, 0.24, 0.2, center=(0.35 * r, -0.3 * r), smooth=True)  # cupola
        b.box(g, (-0.4 * r, H + 0.03, -0.2 * r), (0.45, 0.06, 0.5))                 # loader hatch
        b.cylinder(g, "z", (-0.55 * r, H + 0.35, -0.9 * r), 0.012, 0.02, 4, radius2=0.012)  # aerial base
        b.box(g, (-0.55 * r, H + 0.6, -0.9 * r), (0.015, 1.2, 0.015))               # aerial

    def gun_bounds(self):
        return ((-0.4, -0.35, -0.2), (0.4, 0.35, self.gunL + 0.3))

    def gun(self, b, collision=False, k=1.0):
        L, R = self.gunL * k, self.gunR
        if collision:
            b.box("armor_1", (0.0, 0.0, 0.15), (0.62, 0.46, 0.34))
            b.cylinder("gun", "z", (0.0, 0.0, 0.3 + L / 2), R * 1.2, L, 8)
            return
        b.box("gun", (0.0, 0.0, 0.15), (0.62, 0.46, 0.34), shear=0.04)            # mantlet
        b.cylinder("gun", "z", (0.0, 0.0, 0.45), R * 2.2, 0.3, 12 * self.d)          # barrel collar
        b.cylinder("gun", "z", (0.0, 0.0, 0.3 + L / 2), R * 1.25, L, 14 * self.d, radius2=R)  # barrel
        b.cylinder("gun", "z", (0.0, 0.0, 0.3 + L + 0.12), R * 1.8, 0.25, 10 * self.d)         # muzzle brake
        b.box("gun", (0.18, 0.12, 0.4), (0.08, 0.08, 0.3))                            # sight, right only


# ------------------------------------------------------------------ visual files

def matrix(rows):
    t = E("transform")
    for k, r in enumerate(rows):
        t.append(E("row%d" % k, fmtv(*r)))
    return t


def node(name, translation=(0.0, 0.0, 0.0), children=(), rot=0.0):
    c, s = math.cos(rot), math.sin(rot)
    # rows: unit diagonal always (the reader keeps only the diagonal); a rotation
    # is expressed in the off-diagonal terms only (visible in the file, harmless)
    rows = [(1.0, 0.0, round(-s, 4)), (0.0, 1.0, 0.0), (round(s, 4), 0.0, 1.0), translation] if rot else \
        [(1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0), translation]
    n = E("node", None, E("identifier", name), matrix(rows))
    for ch in children:
        n.append(ch)
    return n


def prop(name, typ, value):
    p = E("property", name)
    v = E(typ, value)
    if typ == "Float":
        v.set("type", "floats")
    if typ == "Int":
        v.set("type", "int")
    p.append(v)
    return p


def material(ident, fx, props):
    m = E("material", None, E("identifier", ident), E("fx", "shaders/std_effects/" + fx))
    for p in props:
        m.append(p)
    return m


def visual_tree(fname, nodes, section, groups, stream=None, bounds=None):
    root = E(fname)
    root.append(nodes)
    rs = E("renderSet", None, E("treatAsWorldSpaceObject", "false"), E("node", "Scene Root"))
    geo = E("geometry", None, E("vertices", section + ".vertices"), E("primitive", section + ".indices"))
    if stream:
        geo.append(E("stream", stream))
    for i, mat in enumerate(groups):
        pg = E("primitiveGroup", str(i))
        pg.append(mat)
        geo.append(pg)
    rs.append(geo)
    root.append(rs)
    if bounds:
        root.append(E("boundingBox", None, E("min", fmtv(*bounds[0])), E("max", fmtv(*bounds[1]))))
    return root


class Game:
    def __init__(self, out, large):
        self.out = out
        self.large = large
        self.game = os.path.join(out, "Brastel")
        self.res = os.path.join(self.game, "res")
        self.stage = os.path.join(out, ".stage")
        self.tmp = os.path.join(out, ".tmp")
        self.tex = TextureJobs(self.tmp)
        self.packages = []           # (name, staging dir)
        self.po = {}                 # catalogue -> {msgid: text}
        self.nations = []            # (folder, display)
        self.parts32 = []

    def pkg_dir(self, name):
        d = os.path.join(self.stage, name)
        if name not in [p[0] for p in self.packages]:
            self.packages.append((name, d))
        return d

    def msg(self, cat, msgid, text):
        self.po.setdefault(cat, {})[msgid] = text
        return "#%s:%s" % (cat, msgid)

    # -------------------------------------------------------------- parts
    def write_part(self, root_dir, rel, builder, fmt, mats, nodes, packed, stream=None):
        """rel like vehicles/x/T/normal/lod0/Hull; writes .visual and .primitives."""
        section = rel.split("/")[-1]
        verts, idx, groups = builder.sections()
        sections = []
        if fmt == "xyznuvtb" and stream:
            uv2 = [(v["pos"][0] * 0.35, v["pos"][2] * 0.35) for v in verts]
        vs = primitives.vertex_section(fmt, verts)
        ix = primitives.index_section(idx, [g[1] for g in groups])
        if max(idx) > 0xFFFF:
            self.parts32.append(rel)
        sections = [(section + ".vertices", vs), (section + ".indices", ix)]
        if stream:
            sections.append(("uv2", primitives.uv2_section(uv2)))
        write(os.path.join(root_dir, rel + ".primitives"), primitives.write_primitives(sections))
        mlist = [mats[g[0]] for g in groups]
        (x0, y0, z0), (x1, y1, z1) = builder.bounds
        tree = visual_tree(section + ".visual", nodes, section, mlist, stream, ((x0, y0, z0), (x1, y1, z1)))
        write(os.path.join(root_dir, rel + ".visual"), xml_bytes(tree, packed))
        return builder.triangle_count()

    def tank_textures(self, pk, nation, model, rng, base, number, parts, opts):
        folder = "vehicles/%s/%s" % (nation, model)
        for p in parts:
            size = 512 if (opts.get("hd") and p == "Hull") else 256
            c = paint_part(random.Random(rng.random()), size // 2 if opts.get("hd") and p == "Hull" else size,
                           base, number, stripe=(180, 40, 40) if p == "Turret" else None)
            if opts.get("wide_gun") and p == "Gun":
                # a texture wider than high: its UV map is drawn square but saved at this shape
                c.h = size // 2
                c.px = c.px[:c.w * c.h * 4]
            self.tex.add(os.path.join(pk, folder, p + "_AM.dds"), c, "-bc1")
            m = Canvas(128, 128, (255, 255, 255, 255))
            m.rect(4, 20, 64, 52, (0, 0, 0, 255))     # no camouflage over the number
            m.rect(0, 110, 64, 128, (0, 0, 0, 255))
            self.tex.add(os.path.join(pk, folder, p + "_CM.dds"), m, "-bc1")
            if opts.get("hd") and p == "Hull":
                hd = paint_part(random.Random(rng.random()), 512, base, number)
                self.tex.add(os.path.join(pk, folder, "Hull_AM_hd.dds"), hd, "-bc1", mips=False)
                tf = E("Hull_AM.texformat", None, E("lod0", None, E("mip", folder + "/Hull_AM_hd.dds"),
                                                      E("format", "DXT1")))
                write(os.path.join(pk, folder, "Hull_AM.texformat"), packedxml.pack_tree(tf))

    def nation_textures(self, nation, base, rng):
        pk = self.pkg_dir("shared_content.pkg")
        common = "vehicles/%s/common" % nation
        self.tex.add(os.path.join(pk, common, "Crash_AM.dds"),
                     paint_part(rng, 128, (70, 62, 54), "", dark=True), "-bc1")
        t = Canvas(128, 128, (60, 58, 54, 255))
        t.noise(rng, 30)
        for y in range(0, 128, 16):
            t.rect(0, y, 128, y + 3, (25, 24, 22, 255))
            t.rect(60, y + 3, 68, y + 16, (0, 0, 0, 0))   # alpha holes between the links
        self.tex.add(os.path.join(pk, common, "tracks", "Track_AM.dds"), t, "-bc2")
        w = paint_part(rng, 128, base, "")
        self.tex.add(os.path.join(pk, common, "tracks", "Wheels_AM.dds"), w, "-bc1")
        n = Canvas(128, 128, (128, 128, 255, 255))
        for k in range(0, 128, 32):
            n.rect(k, 0, k + 2, 128, (90, 128, 230, 255))
            n.rect(0, k, 128, k + 2, (128, 90, 230, 255))
        self.tex.add(os.path.join(pk, common, "Common_ANM.dds"), n, "-bc3")
        gl = Canvas(32, 32, (120, 170, 190, 110))
        gl.rect(4, 4, 12, 28, (220, 240, 250, 180))
        self.tex.add(os.path.join(pk, common, "equipment", "Glass_AM.dds"), gl, "-bc3")
        g = Canvas(64, 64, (40, 180, 60, 255))
        g.noise(rng, 40)
        self.tex.add(os.path.join(pk, common, "Common_GMM.dds"), g, "-bc1")
        if nation == NATIONS[0][0] and not os.path.exists(os.path.join(pk, "vehicles/common/Detail_MDM.dds")):
            d = Canvas(64, 64, (128, 128, 128, 255))
            d.noise(rng, 90)
            self.tex.add(os.path.join(pk, "vehicles/common/Detail_MDM.dds"), d, "-bc1")
            self.tex.add(os.path.join(pk, "vehicles/common/Dirt_AM.dds"), paint_part(rng, 64, (90, 80, 60), ""), "-bc1")
        return common

    def materials(self, nation, model, part, opts, crash):
        folder = "vehicles/%s/%s" % (nation, model)
        common = "vehicles/%s/common" % nation
        tex = common + "/Crash_AM.dds" if crash else "%s/%s_AM.dds" % (folder, part)
        if opts.get("tga_gun") and part == "Gun" and not crash:
            tex = tex[:-len(".dds")] + ".tga"   # the program reads x.tga as x.dds
        if opts.get("old_fx"):
            body = material(part.lower(), "normalmap_specmap.fx",
                            [prop("diffuseMap", "Texture", tex), prop("normalMap", "Texture", common + "/Common_ANM.dds"),
                             prop("specularMap", "Texture", common + "/Common_GMM.dds")])
        elif opts.get("dual") and part == "Hull":
            body = material(part.lower(), "PBS_ext_dual.fx",
                            [prop("diffuseMap", "Texture", tex), prop("diffuseMap2", "Texture", "vehicles/common/Dirt_AM.dds"),
                             prop("normalMap", "Texture", common + "/Common_ANM.dds"),
                             prop("metallicGlossMap", "Texture", common + "/Common_GMM.dds")])
        else:
            ps = [prop("diffuseMap", "Texture", tex), prop("normalMap", "Texture", common + "/Common_ANM.dds"),
                  prop("metallicGlossMap", "Texture", common + "/Common_GMM.dds"),
                  prop("g_useNormalPackDXT1", "Bool", "false")]
            if opts.get("detail"):
                ps += [prop("metallicDetailMap", "Texture", "vehicles/common/Detail_MDM.dds"),
                       prop("g_useDetailMetallic", "Bool", "true"), prop("g_detailPower", "Float", "50"),
                       prop("g_metallicDetailUVTiling", "Vector4", "4 4 0 0")]
            body = material(part.lower(), "PBS_tank.fx", ps)
        mats = {part.lower(): body, "hull": body, "turret": body, "gun": body}
        mats["equipment_glass"] = material("equipment_glass", "lightonly_alpha.fx",
                                           [prop("diffuseMap", "Texture", common + "/equipment/Glass_AM.dds"),
                                            prop("srcBlend", "Int", "5"), prop("destBlend", "Int", "13"),
                                            prop("doubleSided", "Bool", "true")])
        mats["chassis"] = material("chassis", "PBS_tank_skinned.fx",
                                   [prop("diffuseMap", "Texture", (common + "/Crash_AM.dds") if crash else common + "/tracks/Wheels_AM.dds"),
                                    prop("normalMap", "Texture", common + "/Common_ANM.dds"),
                                    prop("metallicGlossMap", "Texture", common + "/Common_GMM.dds")])
        mats["track"] = material("track_L", "PBS_tank_skinned.fx",
                                 [prop("diffuseMap", "Texture", common + "/tracks/Track_AM.dds"),
                                  prop("normalMap", "Texture", common + "/Common_ANM.dds"),
                                  prop("alphaTestEnable", "Bool", "true"), prop("alphaReference", "Int", "128"),
                                  prop("doubleSided", "Bool", "true")])
        return mats

    def collision_mats(self, tags):
        out = {}
        for t in tags:
            m = E("material", None, E("identifier", t))
            if t == "armor_4":
                m.append(prop("doubleSided", "Bool", "true"))
            out[t] = m
        return out

    # -------------------------------------------------------------- tanks
    # the armour tag each group of a part's normal model stands for (detailed collision models)
    DETAILED_COLLISION_TAGS = {"chassis": "armor_1", "track": "armor_1", "hull": "armor_2",
                               "equipment_glass": "surveyingDevice", "turret": "armor_1", "gun": "gun"}

    def part_mats(self, b, coll, detailed, normal_mats):
        if not coll:
            return normal_mats()
        if not detailed:
            return self.collision_mats(b.order)
        return {g: self.collision_mats([self.DETAILED_COLLISION_TAGS[g]])[self.DETAILED_COLLISION_TAGS[g]]
                for g in b.order}

    def tank(self, nation, model, cls, tier, opts, base, shape_seed, pk, packed, scale=1.0, detail=1,
             links=0, number=None, detailed_collision=False):
        rng = random.Random(shape_seed)
        shape = TankShape(rng, cls, scale, detail)
        folder = "vehicles/%s/%s" % (nation, model)
        two = opts.get("two_turrets")
        turret_names = ["Turret_01", "Turret_02"] if two else ["Turret_01"]
        gun_names = ["Gun_01", "Gun_02", "Gun_03"] if two else ["Gun_01"]
        parts_tex = ["Hull", "Turret", "Gun"]
        self.tank_textures(pk, nation, model, rng, base, number or str(tier * 100 + 11 + len(model)), parts_tex, opts)
        tris = {}
        for form in ("normal", "crash", "collision"):
            tris[form] = 0
            crash = form == "crash"
            coll = form == "collision"
            sub = "%s/%s" % (folder, form if coll else form + "/lod0")
            fmt_main = "xyznuv" if coll else "xyznuvtb"
            # a detailed collision form is the normal form's geometry, its groups named by armour tags
            detailed = coll and detailed_collision
            coll_shape = coll and not detailed
            # chassis
            b = meshes.Builder(shape.chassis_bounds())
            shape.chassis(b, coll_shape, links=0 if (coll_shape or crash) else links)
            if crash:
                meshes.deform(b, "%s-%d" % (shape_seed, 1), 0.05, 0.0)
            mats = self.part_mats(b, coll, detailed, lambda: self.materials(nation, model, "Chassis", opts, crash))
            tris[form] += self.write_part(pk, sub + "/Chassis", b, "xyznuv" if coll else "xyznuviiiwwtb", mats,
                                    node("Scene Root", children=[node("tank"), node("Track_L", (shape.W / 2 + shape.tw / 2, 0.3, 0.0)),
                                                                 node("Track_R", (-shape.W / 2 - shape.tw / 2, 0.3, 0.0))]), packed)
            # hull
            b = meshes.Builder(shape.hull_bounds())
            shape.hull(b, coll_shape)
            if crash:
                meshes.deform(b, "%s-%d" % (shape_seed, 2), 0.16, 0.2)
            mats = self.part_mats(b, coll, detailed, lambda: self.materials(nation, model, "Hull", opts, crash))
            tj = shape.turret_joint
            if crash:
                tj = (tj[0] + 0.05, tj[1] - 0.06, tj[2] - 0.04)
            tris[form] += self.write_part(pk, sub + "/Hull", b, fmt_main, mats,
                                    node("Scene Root", children=[node("V", children=[node("HP_turretJoint", tj)]),
                                                                 node("HP_Track_Exhaus_1", (-shape.W * 0.3, shape.hullH * 0.8, -shape.L / 2))]),
                                    packed, stream="uv2" if (opts.get("dual") and not coll) else None)
            for ti, tn in enumerate(turret_names):
                k = 1.0 + 0.12 * ti
                b = meshes.Builder(shape.turret_bounds(k))
                shape.turret(b, coll_shape, k, sides=8 if ti == 0 else 6)
                if crash:
                    meshes.deform(b, "%s-%d" % (shape_seed, 3 + ti), 0.14, 0.1, tilt=0.09)
                mats = self.part_mats(b, coll, detailed, lambda: self.materials(nation, model, "Turret", opts, crash))
                gj = (shape.gun_joint[0], shape.gun_joint[1], shape.gun_joint[2] * k)
                tris[form] += self.write_part(pk, sub + "/" + tn, b, fmt_main, mats,
                                        node("Scene Root", children=[node("HP_gunJoint", gj, rot=0.12 if not crash else 0.3)]), packed)
            for gi, gn in enumerate(gun_names):
                k = 1.0 - 0.15 * gi
                b = meshes.Builder(shape.gun_bounds())
                shape.gun(b, coll_shape, k)
                if crash:
                    meshes.deform(b, "%s-%d" % (shape_seed, 7 + gi), 0.05, 0.0)
                    for v in b.groups["gun"][0]:
                        x, y, z = v["pos"]
                        v["pos"] = (x + 0.02 * z * z, y - 0.03 * z * z, z)  # bent barrel
                mats = self.part_mats(b, coll, detailed, lambda: self.materials(nation, model, "Gun", opts, crash))
                tris[form] += self.write_part(pk, sub + "/" + gn, b, fmt_main, mats, node("Scene Root"), packed)
        return shape, turret_names, gun_names, tris

    def definition(self, nation, model, shape, turret_names, gun_names, opts, cls):
        folder = "vehicles/%s/%s" % (nation, model)
        cat = nation + "_vehicles"
        root = E(model.lower() + ".xml")

        def models(part, coll_extra=""):
            return [E("models", None, E("undamaged", "%s/normal/lod0/%s.model" % (folder, part)),
                      E("destroyed", "%s/crash/lod0/%s.model" % (folder, part))),
                    E("hitTester", None, E("collisionModel", "%s/collision%s/%s.model" % (folder, coll_extra, part)))]

        if not opts.get("no_root_mask"):
            root.append(E("camouflage", None, E("exclusionMask", folder + "/Hull_CM.dds")))
        hull = E("hull", None, *models("Hull"))
        hull.append(E("maxHealth", str(300 + 40 * len(model))))
        hull.append(E("turretPositions", None, E("turret", fmtv(*shape.turret_joint))))
        hull.append(E("camouflage", None, E("exclusionMask", folder + "/Hull_CM.dds")))
        hull.append(E("armor", None, E("armor_1", "80"), E("armor_2", "45"), E("armor_3", "20"),
                      E("armor_4", "10", E("vehicleDamageFactor", "0")), E("surveyingDevice", "0")))
        root.append(hull)
        ch = E("Chassis_" + model, None, *models("Chassis", "/"))   # "//" in the collision path
        ch.find("hitTester/collisionModel").text = "%s/collision//Chassis.model" % folder
        ch.append(E("maxHealth", "120"))
        ch.append(E("tracks", None, E("textureScale", "1 1")))
        ch.append(E("hullPosition", fmtv(*shape.hull_pos)))
        ch.append(E("armor", None, E("armor_1", "20")))
        root.append(E("chassis", None, ch))
        turrets = E("turrets0")
        gi = 0
        for ti, tn in enumerate(turret_names):
            ttag = "Turret_%d_%s" % (ti + 1, model)
            t = E(ttag, None, E("userString", "#%s:%s" % (cat, ttag)), *models(tn))
            t.append(E("maxHealth", str(150 + 25 * ti)))
            if ti == 0 and cls not in ("AT-SPG",):
                pass
            else:
                t.append(E("yawLimits", "-45 30" if cls == "AT-SPG" else "-180 180"))
            gj = shape.gun_joint
            t.append(E("gunPosition", fmtv(gj[0], gj[1], gj[2] * (1.0 + 0.12 * ti))))
            t.append(E("camouflage", None, E("exclusionMask", folder + "/Turret_CM.dds"), E("tiling", "1 1 0.1 0")))
            t.append(E("armor", None, E("armor_1", str(100 + 20 * ti)), E("armor_2", "60"), E("armor_3", "30")))
            guns = E("guns")
            my_guns = [gun_names[gi]] if not (len(gun_names) > 1 and ti == 1) else gun_names[gi:]
            for gn in my_guns:
                gtag = self.gun_tag(model, gn)
                shared = gn == "Gun_03"
                g = E(gtag, "shared" if shared else None, *models(gn))
                if not shared:
                    g.append(E("turretYawLimits", "-30 30" if gi == 0 and cls == "AT-SPG" else "0 0"))
                    g.append(E("pitchLimits", "-10 20" if gi == 0 else "-8 25"))
                    if gi == 0:
                        g.append(E("extraPitchLimits", None, E("front", "-5 15 20"), E("back", "0 5 40")))
                    g.append(E("camouflage", None, E("exclusionMask", folder + "/Gun_CM.dds"), E("tiling", "1 1 0 0")))
                g.append(E("armor", None, E("gun", "40" if not shared else "50"), E("armor_1", "90")))
                guns.append(g)
                gi += 1
            if len(gun_names) > 1 and ti == 1:
                # The first turret's gun offered here too, with limits and armour of its own.
                g = E(self.gun_tag(model, gun_names[0]), None, *models(gun_names[0]))
                g.append(E("turretYawLimits", "-25 25"))
                g.append(E("pitchLimits", "-6 18"))
                g.append(E("camouflage", None, E("exclusionMask", folder + "/Gun_CM.dds"), E("tiling", "1 1 0 0")))
                g.append(E("armor", None, E("gun", "30"), E("armor_1", "110")))
                guns.append(g)
            t.append(guns)
            turrets.append(t)
        root.append(turrets)
        return root

    def gun_tag(self, model, gn):
        return {"Gun_01": "_75mm_Gun_" + model, "Gun_02": "_90mm_Gun_" + model,
                "Gun_03": "_105mm_Shared"}[gn]

    # -------------------------------------------------------------- nations
    def nation(self, folder, display, base, letter, tanks, extra_entries=0, model_pkg=None):
        res_path = "scripts/item_defs/vehicles/" + folder
        self.nations.append((folder, display))
        self.msg("menu", "nations/" + folder, display)
        rng = random.Random("nation-" + folder)
        self.nation_textures(folder, base, rng)
        pk = self.pkg_dir(model_pkg or "vehicles_%s.pkg" % folder)
        scripts_pkg = self.pkg_dir("scripts.pkg") if folder == "kastrel" else None
        cat = folder + "_vehicles"
        lst = E("list.xml")
        camo_tanks = []
        shared_used = False
        for i, (model, cls, tier, name, opts) in enumerate(tanks):
            packed = (i % 2 == 0) != (folder == "kastrel")
            shape, tns, gns, tris = self.tank(folder, model, cls, tier, opts, base, "%s-%s" % (folder, model), pk,
                                              packed, links=720 if opts.get("big_tracks") else 0)
            self.msg(cat, model, name)
            if not opts.get("missing_descr"):
                self.msg(cat, model + "_descr", "%s, a tier %d %s of %s." % (name, tier, cls, display))
            for ti in range(len(tns)):
                self.msg(cat, "Turret_%d_%s" % (ti + 1, model), "%s turret mk.%d" % (name, ti + 1))
            for gn in gns:
                tag = self.gun_tag(model, gn)
                if gn == "Gun_03":
                    self.msg(cat, tag, "105 mm shared gun")
                    shared_used = True
                else:
                    self.msg(cat, tag, "%s mm gun %s" % (tag.split("mm")[0].strip("_"), name))
            d = self.definition(folder, model, shape, tns, gns, opts, cls)
            defpath = "%s/%s.xml" % (res_path, model.lower())
            data = xml_bytes(d, not opts.get("plain_def"))
            if scripts_pkg:
                write(os.path.join(scripts_pkg, defpath), data)
            else:
                write(os.path.join(self.res, defpath), data)
            lst.append(E(model, None, E("level", str(tier)), E("tags", "%s %s_tag collectorVehicle" % (cls, folder)),
                         E("userString", "#%s:%s" % (cat, model)), E("description", "#%s:%s_descr" % (cat, model))))
            camo_tanks.append(model.lower())
            if i == 0:
                self.msg(cat, "Observer", "Observer")
                lst.append(E("Observer", None, E("level", "1"), E("tags", "observer"),
                             E("userString", "#%s:Observer" % cat), E("description", "#%s:Observer" % cat)))
                lst.append(E("%s00_training_%s" % (letter, folder), None, E("level", "1"), E("tags", "lightTank training"),
                             E("userString", "#%s:%s" % (cat, model)), E("description", "#%s:%s_descr" % (cat, model))))
        # large catalogue: entries sharing the model sets above
        for j in range(extra_entries):
            src = tanks[j % len(tanks)]
            model = "%s%03d_Variant_%s" % (letter, j + 100, src[0].split("_", 1)[1])
            tier = 1 + j % 10
            cls = CLASSES[j % 5][0]
            opts = dict(src[4])
            opts.pop("plain_def", None)
            fake = TankShape(random.Random("%s-%s" % (folder, src[0])), src[1])
            tns = ["Turret_01", "Turret_02"] if opts.get("two_turrets") else ["Turret_01"]
            gns = ["Gun_01", "Gun_02", "Gun_03"] if opts.get("two_turrets") else ["Gun_01"]
            d = self.definition(folder, src[0], fake, tns, gns, opts, src[1])
            d.tag = model.lower() + ".xml"
            write(os.path.join(self.res, "%s/%s.xml" % (res_path, model.lower())), xml_bytes(d, True))
            self.msg(cat, model, "%s Variant %d" % (src[3], j + 100))
            self.msg(cat, model + "_descr", "A catalogue variant of the %s." % src[3])
            lst.append(E(model, None, E("level", str(tier)), E("tags", cls),
                         E("userString", "#%s:%s" % (cat, model)), E("description", "#%s:%s_descr" % (cat, model))))
        write(os.path.join(self.res, res_path, "list.xml"), xml_bytes(lst, folder != "oriande"))
        guns = E("guns.xml", None, E("shared"))
        if shared_used:
            guns.find("shared").append(E("_105mm_Shared", None, E("userString", "#%s:_105mm_Shared" % cat),
                                         E("turretYawLimits", "-20 20"), E("pitchLimits", "-8 15")))
        gpath = "%s/components/guns.xml" % res_path
        write(os.path.join(scripts_pkg or self.res, gpath), xml_bytes(guns, folder != "oriande"))
        self.customization(folder, camo_tanks, rng)
        return res_path

    def customization(self, nation, tank_keys, rng):
        pk = self.pkg_dir("shared_content.pkg")
        root = E("customization.xml", None, E("armorColor", "90 90 70 255"))
        camos = E("camouflages")
        colours = {"summer": [(94, 89, 68), (60, 70, 40), (120, 110, 80)],
                   "winter": [(200, 200, 196), (120, 124, 120), (70, 72, 70)],
                   "desert": [(196, 170, 120), (150, 120, 80), (100, 84, 60)]}
        for si, season in enumerate(SEASONS):
            for k in range(2 if season == "summer" else 1):
                name = "%s_%s_%d" % (nation, season, k + 1)
                tex = "vehicles/camouflage/%s.dds" % name
                self.tex.add(os.path.join(pk, tex), paint_camo(random.Random(name), 128, season), "-bc3")
                c = colours[season]
                cols = E("colors", None, *[E("c%d" % i, fmtv(*(c[(i + k) % 3] + (255,)))) for i in range(3)],
                         E("c3", "0 0 0 0"))
                til = E("tiling", None, *[E(t, fmtv(1.0 + 0.25 * j, 1.0 + 0.2 * j, 0.1 * j, 0.0)) for j, t in enumerate(tank_keys)])
                desc = self.msg("vehicle_customization", "camouflage/" + name,
                                "%s %s pattern %d" % (nation.capitalize(), season, k + 1))
                camos.append(E(name, None, E("group", season), E("texture", tex), cols, til, E("description", desc)))
        hidden = "%s_hidden" % nation
        self.tex.add(os.path.join(pk, "vehicles/camouflage/%s.dds" % hidden), paint_camo(random.Random(hidden), 64, "summer", True), "-bc3")
        camos.append(E(hidden, None, E("notInShop", "true"), E("group", "summer"),
                       E("texture", "vehicles/camouflage/%s.dds" % hidden),
                       E("description", self.msg("vehicle_customization", "camouflage/" + hidden, "Hidden"))))
        root.append(camos)
        write(os.path.join(self.res, "scripts/item_defs/vehicles", nation, "customization.xml"),
              packedxml.pack_tree(root))

    # -------------------------------------------------------------- hangars
    def hangar(self, name, packed, premium):
        pk = self.pkg_dir("hangar_%s.pkg" % name)
        space = "spaces/hangar_%s" % name
        rng = random.Random(name)
        floor = Canvas(128, 128, (70, 72, 74, 255) if premium else (92, 86, 76, 255))
        floor.noise(rng, 20)
        for k in range(0, 128, 32):
            floor.rect(k, 0, k + 2, 128, (40, 40, 40, 255))
            floor.rect(0, k, 128, k + 2, (40, 40, 40, 255))
        floor.rect(10, 10, 30, 14, (200, 170, 20, 255))
        self.tex.add(os.path.join(pk, space, "floor_AM.dds"), floor, "-rgb" if premium else "-bc1")
        b = meshes.Builder(((-15, -0.2, -15), (15, 0.0, 15)))
        b.box("floor", (0.0, -0.1, 0.0), (30.0, 0.2, 30.0))
        mats = {"floor": material("floor", "lightonly.fx", [prop("diffuseMap", "Texture", space + "/floor_AM.dds")])}
        self.write_part(pk, space + "/floor", b, "xyznuv", mats, node("Scene Root"), packed)
        b = meshes.Builder(((-15, 0, -15), (15, 8, 15)))
        for i in range(6 if premium else 4):
            a = 2 * math.pi * i / (6 if premium else 4) + 0.4
            b.ring_solid("walls", 8, 0.0, 7.0, 0.4, 0.35, center=(11 * math.cos(a), 11 * math.sin(a)))
        b.box("walls", (0.0, 4.0, -14.0), (28.0, 8.0, 0.4))
        if premium:
            b.box("walls", (-13.5, 4.0, 0.0), (0.4, 8.0, 28.0))
        mats = {"walls": material("walls", "PBS_ext.fx", [prop("diffuseMap", "Texture", space + "/floor_AM.dds")])}
        self.write_part(pk, space + "/hall", b, "xyznuvtb", mats, node("Scene Root"), not packed)

    # -------------------------------------------------------------- the rest
    def item_types(self):
        tags = E("tags")
        for cls, text in CLASSES:
            tags.append(E(cls, None, E("userString", self.msg("menu", "classes/" + cls, text))))
        root = E("item_types.xml", None, E("vehicle", None, tags))
        write(os.path.join(self.res, "scripts/item_defs/item_types.xml"), packedxml.pack_tree(root))
        self.msg("menu", "carousel_tank_filter/all", "All")

    def catalogues(self):
        d = os.path.join(self.res, "text", "LC_MESSAGES")
        os.makedirs(d, exist_ok=True)
        for cat in sorted(self.po):
            lines = ['msgid ""', 'msgstr ""', '"Content-Type: text/plain; charset=UTF-8\\n"', '"Language: en\\n"', ""]
            for k in sorted(self.po[cat]):
                esc = lambda s: s.replace("\\", "\\\\").replace('"', '\\"')
                lines += ['msgid "%s"' % esc(k), 'msgstr "%s"' % esc(self.po[cat][k]), ""]
            po = os.path.join(self.tmp, cat + ".po")
            write(po, "\n".join(lines))
            subprocess.run(["msgfmt", "-o", os.path.join(d, cat + ".mo"), po], check=True)

    def zip_packages(self):
        pdir = os.path.join(self.res, "packages")
        os.makedirs(pdir, exist_ok=True)
        env = dict(os.environ, TZ="UTC")
        for name, d in self.packages:
            files = []
            for dp, dn, fn in os.walk(d):
                dn.sort()
                for f in sorted(fn):
                    files.append(os.path.relpath(os.path.join(dp, f), d))
            files.sort()
            for f in files:
                subprocess.run(["touch", "-t", STAMP, os.path.join(d, f)], check=True, env=env)
            target = os.path.abspath(os.path.join(pdir, name))
            subprocess.run(["zip", "-X", "-D", "-q", "-n", ".dds", target, "-@"], cwd=d, env=env, check=True,
                           input="\n".join(files).encode())

    def program_files(self, res_paths, resources):
        dd = os.path.join(self.out, "data")
        r = E("Resources", None, E("Paths", None, *[E("Zip", p) for p in resources]))
        write(os.path.join(dd, "resources.cfg"), pretty(r))
        tl = E("TankList")
        for (folder, display), rp in zip(self.nations, res_paths):
            tl.append(E(display.replace(" ", ""), None, E("ResPath", rp), E("DataPath", "vehicles/" + folder)))
        write(os.path.join(dd, "tank_list.cfg"), pretty(tl))
        g = E("Garages",
              None,
              E("Basic", None,
                E("Transform", None, E("Position", "0 -0.01 0"), E("Rotation", "0 1 0 180"), E("Scale", "1 1 1")),
                E("Zip", "hangar_basic.pkg"),
                E("Mesh", None, E("File", "spaces/hangar_basic/floor.model"), E("Position", "0 0 0"),
                  E("Rotation", "0 1 0 0"), E("Scale", "1 1 1")),
                E("Mesh", None, E("File", "spaces/hangar_basic/hall.model"), E("Position", "0.5 0 -1"),
                  E("Rotation", "0 1 0 15"), E("Scale", "1 1 1"))),
              E("Premium", None,
                E("Transform", None, E("Position", "0 0 0"), E("Rotation", "0 1 0 30"), E("Scale", "1.1 1 1.1")),
                E("Packages", None, E("Zip", "hangar_premium.pkg")),
                E("Mesh", None, E("File", "spaces/hangar_premium/floor.model")),
                E("Mesh", None, E("File", "spaces/hangar_premium/hall.model"), E("Position", "-1 0 2"),
                  E("Rotation", "0 1 0 -20"), E("Scale", "1 1.2 1"))))
        write(os.path.join(dd, "garages.cfg"), pretty(g))

    def generate(self):
        for d in ("Brastel", "mod", "data", ".stage", ".tmp"):
            shutil.rmtree(os.path.join(self.out, d), ignore_errors=True)
        os.makedirs(os.path.join(self.out, "mod"))
        write(os.path.join(self.game, "Brastel.exe"), b"MZ Hullscope sample game: not a program\n")
        write(os.path.join(self.game, "version.xml"),
              "<version.xml>\n <version> 1.4.2 Sample  #17 </version>\n <meta><localization>en</localization></meta>\n</version.xml>\n")
        self.item_types()
        res_paths = []
        for folder, display, base, letter in NATIONS:
            res_paths.append(self.nation(folder, display, base, letter, TANKS[folder],
                                         extra_entries=40 if self.large else 0))
        if self.large:
            # the detailed tank (~200,000 triangles) in the first nation's package
            pk = self.pkg_dir("vehicles_velmora.pkg")
            self.detailed = self.tank("velmora", "V99_Leviathan", "heavyTank", 10, {}, NATIONS[0][2],
                                      "velmora-V99_Leviathan", pk, True, scale=1.1, detail=4, links=4200,
                                      detailed_collision=True)
            folder = "velmora"
            # register it in the nation list (rewrite list.xml with the extra entry)
            lp = os.path.join(self.res, res_paths[0], "list.xml")
            names, rootn = packedxml.decode(open(lp, "rb").read())
            lst = packedxml.node_to_tree("list.xml", rootn)
            lst.text = None
            lst.append(E("V99_Leviathan", None, E("level", "10"), E("tags", "heavyTank"),
                         E("userString", self.msg("velmora_vehicles", "V99_Leviathan", "Leviathan")),
                         E("description", self.msg("velmora_vehicles", "V99_Leviathan_descr", "The detailed one."))))
            for e in lst.iter():
                if list(e) and e is not lst:
                    e.text = None
            write(lp, packedxml.pack_tree(lst))
            d = self.definition(folder, "V99_Leviathan", self.detailed[0], self.detailed[1], self.detailed[2], {}, "heavyTank")
            write(os.path.join(self.res, res_paths[0], "v99_leviathan.xml"), packedxml.pack_tree(d))
            for folder, display, base, letter in EXTRA_NATIONS:
                tanks = [("%s%02d_%s" % (letter, k * 3 + 1, n), c, k * 3 + 1, "%s %s" % (display, n), {})
                         for k, (n, c) in enumerate([("Scout", "lightTank"), ("Lancer", "mediumTank"),
                                                     ("Brute", "heavyTank"), ("Hunter", "AT-SPG")])]
                res_paths.append(self.nation(folder, display, base, letter, tanks, extra_entries=70,
                                             model_pkg="vehicles_%s.pkg" % folder))
        self.hangar("basic", True, False)
        self.hangar("premium", False, True)
        self.tex.run()
        self.catalogues()
        self.zip_packages()
        resources = [p[0] for p in self.packages if not p[0].startswith("hangar_")]
        self.program_files(res_paths, resources)
        shutil.rmtree(self.stage)
        shutil.rmtree(self.tmp)
        entries = 0
        for rp in res_paths:
            lst = open(os.path.join(self.res, rp, "list.xml"), "rb").read()
            tree = packedxml.unpack(lst) if packedxml.is_packed(lst) else ET.fromstring(lst)
            entries += sum(1 for e in tree if e.tag != "Observer" and "training" not in e.tag)
        print("sample game: %d nations, %d tanks, 32-bit parts: %s%s" % (
            len(self.nations), entries, ", ".join(self.parts32),
            ", detailed tank: %(normal)d triangles normal, %(crash)d crash, %(collision)d collision" % self.detailed[3] if self.large else ""))


def pretty(elem):
    ET.indent(elem, " ")
    return ET.tostring(elem, encoding="unicode") + "\n"


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    if len(args) != 1 or any(a not in ("--large",) for a in argv if a.startswith("--")):
        print(__doc__)
        return 2
    out = os.path.abspath(args[0])
    os.makedirs(out, exist_ok=True)
    g = Game(out, "--large" in argv)
    g.generate()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
