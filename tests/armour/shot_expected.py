#!/usr/bin/env python3
"""Expected shell-ray results for the shot test, worked out apart from the program.

Writes a table of shots: the shell, the ray, the plates of the world and the records
and shot end the simulation must give. Plates are squares of half-size 4 in their own
xy plane, tilted about x; an object is placed by a tilt about x and a move along z.
Arithmetic follows the program's 32-bit floats (struct rounds every step).

Usage: shot_expected.py OUTPUT
"""
import math
import struct
import sys

DEG = 57.29578
RAD = 0.017453292
# Free-travel limit: caliber * 10 * 0.01 metres, a hundred calibres, as computed.
LIMIT_FACTOR = (10.0, 0.01)


def f(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def norm(a):
    return math.sqrt(dot(a, a))


def tilt(v, degrees):
    t = math.radians(degrees)
    x, y, z = v
    return (x, y * math.cos(t) - z * math.sin(t), y * math.sin(t) + z * math.cos(t))


class Obj:
    def __init__(self, name, armor, spaced, tilt_deg, z):
        self.name, self.armor, self.spaced = name, armor, spaced
        self.tilt, self.z = tilt_deg, z
        self.plates = []

    def plate(self, tilt_deg, z):
        self.plates.append((tilt_deg, z))
        return self


def classify(o):
    name = o.name.lower()
    if o.spaced:
        return 0
    if "track" in name:
        return 2
    if "survey" in name:
        return 1
    if "gun" in name:
        return 3
    return 4


def simulate(kind, caliber, normalization, start, end, objects):
    length = norm(sub(end, start))
    d = tuple(f(c / length) for c in sub(end, start))
    hits = []
    for o in objects:
        for plate_tilt, plate_z in o.plates:
            n = tilt((0.0, 0.0, 1.0), o.tilt + plate_tilt)
            centre = tilt((0.0, 0.0, plate_z), o.tilt)
            centre = (centre[0], centre[1], centre[2] + o.z)
            denom = dot(sub(end, start), n)
            if denom == 0.0:
                continue
            t = dot(sub(centre, start), n) / denom
            if not 0.0 <= t <= 1.0:
                continue
            p = tuple(s + t * (e - s) for s, e in zip(start, end))
            # Inside the square: the point in the plate's own frame.
            local = sub(p, centre)
            local = tilt(local, -(o.tilt + plate_tilt))
            if abs(local[0]) > 4.0 or abs(local[1]) > 4.0:
                continue
            hits.append((norm(sub(p, start)), p, o, n))
    hits.sort(key=lambda h: h[0])
    if not hits:
        miss = ("Missed", 0, 0, 0, 0, 0, 0, 0, (-999.0, -999.0, -999.0), 0)
        return [miss], end, (999.0, 999.0, 999.0), kind

    marker = tuple(p - 0.04 * c for p, c in zip(hits[0][1], d))
    limit = f(f(caliber * LIMIT_FACTOR[0]) * LIMIT_FACTOR[1])
    kinetic = kind in (0, 1)
    if kinetic:
        ricochet_at = 70.0
    elif kind == 3:
        ricochet_at = 80.0
    else:
        ricochet_at = 0.0
        kind = 2
    surveys = guns = 0
    travelled = 0.0
    out = []
    shot_end = None
    for i, (_, p, o, n) in enumerate(hits):
        cls = classify(o)
        if cls == 1:
            surveys += 1
        if cls == 3:
            guns += 1
        skipped = False
        if i >= 1:
            if cls in (2, 3) and o is hits[i - 1][2]:
                skipped = True
            if cls == 3 and guns > 1:
                skipped = True
            if cls == 1 and surveys > 1:
                skipped = True
                surveys = 0
        c = f(dot(tuple(-x for x in d), n) / math.sqrt(dot(d, d) * dot(n, n)))
        c = max(-1.0, min(1.0, c))
        a = f(math.acos(c))
        if cls in (1, 2):
            a = 0.0
        deg = f(a * DEG)
        if deg > 90.0:
            deg = f(180.0 - deg)
            a = f(deg * RAD)
        armor = float(o.armor)
        e = 0.0
        if deg > normalization:
            e = f(a - f(normalization * RAD))
            if kinetic and caliber >= 2.0 * armor:
                if caliber >= 3.0 * armor:
                    ricochet_at = 0.0
                if o.armor == 0:
                    e = 0.0  # no thickness to divide by: not normalised
                else:
                    q = f(normalization * 1.4 * caliber / o.armor)
                    e = f(f(deg - q) * RAD)
        e = max(e, 0.0)
        effective = f(armor / math.cos(e))
        normalized = f(e * DEG)
        ricochet = ricochet_at > 0.0 and normalized > ricochet_at
        free = norm(sub(p, hits[i + 1][1])) if i + 1 < len(hits) else 0.0
        record = (o.name, armor, effective, deg, normalized, free, int(bool(o.spaced)),
                  int(ricochet), p, cls, skipped)
        if i >= 1:
            travelled += out[-1][5]
            if travelled > limit:
                first = out[0][8]
                shot_end = tuple(x + c * limit for x, c in zip(first, d))
                break
        out.append(record)
        if not skipped and ricochet:
            break
    if shot_end is None:
        shot_end = out[-1][8]
    return [r[:10] for r in out if not r[10]], shot_end, marker, kind


def shots():
    down = ((-0.6, 0.05, 20.0), (-0.6, 0.05, -20.0))
    yield ("calibre_rules", 0, 88.0, 2.0, down, [
        Obj("hull_front", 100, 0, 45, 0).plate(0, 0),
        Obj("hull_upper", 40, 0, 60, -2).plate(0, 0),   # two calibres
        Obj("hull_thin", 25, 0, 80, -4).plate(0, 0),    # three calibres: no ricochet after
        Obj("hull_steep", 100, 0, 80, -6).plate(0, 0),  # 78, kept on
        Obj("hull_back", 100, 0, 135, -8).plate(0, 0),  # seen from behind: 45
        Obj("hull_far", 100, 0, 10, -10).plate(0, 0),   # past the free-travel limit
    ])
    yield ("ricochet_ap", 1, 88.0, 2.0, down, [
        Obj("hull_glacis", 30, 0, 80, 0).plate(0, 0),
        Obj("hull_behind", 100, 0, 0, -2).plate(0, 0),
    ])
    yield ("heat", 3, 88.0, 0.0, down, [
        Obj("turret_side", 20, 0, 85, 0).plate(0, 0),
        Obj("turret_behind", 100, 0, 0, -2).plate(0, 0),
    ])
    yield ("he", 2, 88.0, 2.0, down, [
        Obj("hull_side", 100, 0, 85, 0).plate(0, 0),
        Obj("hull_inner", 50, 0, 20, -2).plate(0, 0),
    ])
    yield ("other_type", 7, 88.0, 2.0, down, [
        Obj("hull_side", 100, 0, 75, 0).plate(0, 0),
    ])
    yield ("spaced_and_unregistered", 0, 88.0, 0.0, down, [
        Obj("armor_4", 10, 1, 30, 0).plate(0, 0),
        Obj("unregistered", 0, 0, 40, -1).plate(0, 0),
        Obj("hull_inner", 60, 0, 20, -2).plate(0, 0),
    ])
    yield ("skipping", 0, 88.0, 2.0, down, [
        Obj("Track_L", 20, 0, 0, 0).plate(0, 0).plate(180, -0.5),
        Obj("gun_mantlet", 100, 0, 0, -1.5).plate(10, 0).plate(170, -0.5),
        Obj("Gun_barrel", 100, 0, 75, -3).plate(0, 0),  # would ricochet, skipped
        Obj("surveyingDevice_1", 10, 0, 30, -4).plate(0, 0),
        Obj("surveyingDevice_2", 10, 0, 30, -4.5).plate(0, 0),
        Obj("SurveyingDevice_3", 10, 0, 30, -5).plate(0, 0),
        Obj("hull_front", 100, 0, 30, -6).plate(0, 0),
    ])
    # At 20 mm the limit reads 2.0 m (a hundred calibres): plate_c, 2.5 m past the
    # first hit, is dropped. Ten calibres (0.2 m) would list plate_a alone.
    yield ("free_travel", 0, 20.0, 2.0, down, [
        Obj("plate_a", 10, 0, 0, 0).plate(0, 0),
        Obj("plate_b", 10, 0, 0, -1.5).plate(0, 0),
        Obj("plate_c", 10, 0, 0, -2.5).plate(0, 0),
    ])
    yield ("miss", 7, 88.0, 2.0, ((10.0, 10.0, 20.0), (10.0, 10.0, -20.0)), [
        Obj("hull_front", 100, 0, 45, 0).plate(0, 0),
    ])


def number(x):
    return repr(float(x))


def main():
    lines = ["# generated by shot_expected.py"]
    for name, kind, caliber, normalization, (start, end), objects in shots():
        lines.append(" ".join(["shot", name, str(kind), number(caliber), number(normalization)]
                              + [number(x) for x in start + end]))
        for o in objects:
            lines.append(" ".join(["object", o.name, str(o.armor), str(o.spaced),
                                   number(o.tilt), number(o.z)]))
            for plate_tilt, plate_z in o.plates:
                lines.append(" ".join(["plate", number(plate_tilt), number(plate_z)]))
        records, shot_end, marker, stored = simulate(kind, caliber, normalization, start, end,
                                                     objects)
        for r in records:
            lines.append(" ".join(["expect", r[0]] + [number(x) for x in r[1:6]]
                                  + [str(r[6]), str(r[7])] + [number(x) for x in r[8]]
                                  + [str(r[9])]))
        lines.append(" ".join(["result"] + [number(x) for x in shot_end]
                              + [number(x) for x in marker] + [str(stored)]))
    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
