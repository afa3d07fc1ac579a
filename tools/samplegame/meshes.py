"""Procedural tank part geometry for the sample game (game space: x right, y up,
z forward; the viewer negates x on reading).  Triangles are wound so that the
right-handed cross product (b - a) x (c - a) of the numbers points outward."""
import math


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def norm(a):
    ln = math.sqrt(dot(a, a))
    return (a[0] / ln, a[1] / ln, a[2] / ln) if ln > 1e-12 else (0.0, 1.0, 0.0)


def centroid(pts):
    n = float(len(pts))
    return (sum(p[0] for p in pts) / n, sum(p[1] for p in pts) / n, sum(p[2] for p in pts) / n)


class Builder:
    """Collects vertices and triangles per group (material or armour tag).
    ``bounds`` = ((xmin, ymin, zmin), (xmax, ymax, zmax)) for the UV atlas."""

    def __init__(self, bounds):
        self.groups = {}
        self.order = []
        self.bounds = bounds

    def group(self, name):
        if name not in self.groups:
            self.groups[name] = ([], [])
            self.order.append(name)
        return self.groups[name]

    # ---- uv atlas (see make_sample_game.paint_part for the painted regions)
    def uv(self, p, n):
        (x0, y0, z0), (x1, y1, z1) = self.bounds
        ex, ey, ez = max(x1 - x0, 1e-3), max(y1 - y0, 1e-3), max(z1 - z0, 1e-3)
        ax = max(range(3), key=lambda i: abs(n[i]))
        m = 0.01
        if ax == 0:
            s = (p[2] - z0) / ez if n[0] > 0 else (z1 - p[2]) / ez
            u = m + (0.5 - 2 * m) * s
            v = m + (1 - 2 * m) * (y1 - p[1]) / ey
            t = (0.0, 0.0, 1.0) if n[0] > 0 else (0.0, 0.0, -1.0)
            b = (0.0, -1.0, 0.0)
        elif ax == 1:
            u = 0.5 + m + (0.5 - 2 * m) * (p[0] - x0) / ex
            v = m + (0.5 - 2 * m) * (z1 - p[2]) / ez
            t, b = (1.0, 0.0, 0.0), (0.0, 0.0, -1.0)
        else:
            s = (x1 - p[0]) / ex if n[2] > 0 else (p[0] - x0) / ex
            u = 0.5 + m + (0.5 - 2 * m) * s
            v = 0.5 + m + (0.5 - 2 * m) * (y1 - p[1]) / ey
            t = (-1.0, 0.0, 0.0) if n[2] > 0 else (1.0, 0.0, 0.0)
            b = (0.0, -1.0, 0.0)
        return (min(max(u, 0.0), 1.0), min(max(v, 0.0), 1.0)), t, b

    def poly(self, group, pts, hint, normals=None):
        """A convex planar polygon; flipped if its normal does not face ``hint``."""
        n = norm(cross(sub(pts[1], pts[0]), sub(pts[2], pts[0])))
        if len(pts) > 3:
            # robust normal (Newell)
            nx = ny = nz = 0.0
            for i, a in enumerate(pts):
                b = pts[(i + 1) % len(pts)]
                nx += (a[1] - b[1]) * (a[2] + b[2])
                ny += (a[2] - b[2]) * (a[0] + b[0])
                nz += (a[0] - b[0]) * (a[1] + b[1])
            n = norm((nx, ny, nz))
        if dot(n, hint) < 0:
            pts = list(reversed(pts))
            n = (-n[0], -n[1], -n[2])
            if normals:
                normals = list(reversed(normals))
        verts, tris = self.group(group)
        base = len(verts)
        for i, p in enumerate(pts):
            nn = normals[i] if normals else n
            uv, t, b = self.uv(p, nn)
            verts.append(dict(pos=p, normal=nn, uv=uv, tangent=t, binormal=b))
        for i in range(1, len(pts) - 1):
            tris.append((base, base + i, base + i + 1))

    def solid(self, group, faces, normals=None):
        """Faces of a convex solid, oriented away from its centre."""
        c = centroid([p for f in faces for p in f])
        for k, f in enumerate(faces):
            self.poly(group, f, sub(centroid(f), c), normals[k] if normals else None)

    def box(self, group, center, size, shear=0.0):
        cx, cy, cz = center
        hx, hy, hz = size[0] / 2, size[1] / 2, size[2] / 2
        def P(i, j, k):
            return (cx + i * hx + shear * (j + 1) * hy, cy + j * hy, cz + k * hz)
        faces = [[P(1, -1, -1), P(1, 1, -1), P(1, 1, 1), P(1, -1, 1)],
                 [P(-1, -1, -1), P(-1, -1, 1), P(-1, 1, 1), P(-1, 1, -1)],
                 [P(-1, 1, -1), P(-1, 1, 1), P(1, 1, 1), P(1, 1, -1)],
                 [P(-1, -1, -1), P(1, -1, -1), P(1, -1, 1), P(-1, -1, 1)],
                 [P(-1, -1, 1), P(1, -1, 1), P(1, 1, 1), P(-1, 1, 1)],
                 [P(-1, -1, -1), P(-1, 1, -1), P(1, 1, -1), P(1, -1, -1)]]
        self.solid(group, faces)

    def prism_x(self, group, profile, x0, x1, taper=0.0):
        """Convex (z, y) profile extruded from x0 to x1; ``taper`` narrows the top."""
        ymin = min(p[1] for p in profile)
        ymax = max(p[1] for p in profile)
        def X(x, y):
            f = (y - ymin) / (ymax - ymin) if ymax > ymin else 0
            mid = (x0 + x1) / 2
            return mid + (x - mid) * (1 - taper * f)
        a = [(X(x0, y), y, z) for z, y in profile]
        b = [(X(x1, y), y, z) for z, y in profile]
        faces = [a, b]
        for i in range(len(profile)):
            j = (i + 1) % len(profile)
            faces.append([a[i], a[j], b[j], b[i]])
        self.solid(group, faces)
        return faces

    def ring_solid(self, group, n, y0, y1, r0, r1, center=(0, 0), zscale=1.0, phase=0.0,
                   smooth=False, top=True, bottom=True):
        cx, cz = center
        def ring(y, r):
            return [(cx + r * math.cos(phase + 2 * math.pi * i / n), y,
                     cz + zscale * r * math.sin(phase + 2 * math.pi * i / n)) for i in range(n)]
        lo, hi = ring(y0, r0), ring(y1, r1)
        c = (cx, (y0 + y1) / 2, cz)
        for i in range(n):
            j = (i + 1) % n
            f = [lo[i], lo[j], hi[j], hi[i]]
            nrm = None
            if smooth:
                nrm = [norm((p[0] - cx, 0.0, (p[2] - cz) / zscale)) for p in f]
            self.poly(group, f, sub(centroid(f), c), nrm)
        if bottom:
            self.poly(group, lo, (0, -1, 0))
        if top:
            self.poly(group, hi, (0, 1, 0))

    def cylinder(self, group, axis, center, radius, length, n, caps=True, radius2=None):
        """Cylinder along axis 'x' or 'z' (smooth sides)."""
        r2 = radius if radius2 is None else radius2
        cx, cy, cz = center
        pts0, pts1 = [], []
        for i in range(n):
            a = 2 * math.pi * i / n
            ca, sa = math.cos(a), math.sin(a)
            if axis == "x":
                pts0.append((cx - length / 2, cy + radius * sa, cz + radius * ca))
                pts1.append((cx + length / 2, cy + r2 * sa, cz + r2 * ca))
            else:
                pts0.append((cx + radius * ca, cy + radius * sa, cz - length / 2))
                pts1.append((cx + r2 * ca, cy + r2 * sa, cz + length / 2))
        for i in range(n):
            j = (i + 1) % n
            f = [pts0[i], pts0[j], pts1[j], pts1[i]]
            if axis == "x":
                nrm = [norm((0.0, p[1] - cy, p[2] - cz)) for p in f]
            else:
                nrm = [norm((p[0] - cx, p[1] - cy, 0.0)) for p in f]
            c = centroid(f)
            hint = (0.0, c[1] - cy, c[2] - cz) if axis == "x" else (c[0] - cx, c[1] - cy, 0.0)
            self.poly(group, f, hint, nrm)
        if caps:
            d = (1, 0, 0) if axis == "x" else (0, 0, 1)
            self.poly(group, pts1, d)
            self.poly(group, pts0, (-d[0], -d[1], -d[2]))

    # ---- output
    def sections(self):
        """(vertices, flat indices, groups[(name, (startIndex, prims, startVertex, count))])."""
        verts, idx, groups = [], [], []
        for name in self.order:
            gv, gt = self.groups[name]
            base, start = len(verts), len(idx)
            verts.extend(gv)
            for a, b, c in gt:
                idx.extend((a + base, b + base, c + base))
            groups.append((name, (start, len(gt), base, len(gv))))
        return verts, idx, groups

    def triangle_count(self):
        return sum(len(t) for _, t in self.groups.values())


def deform(builder, seed, strength=0.08, sag=0.1, tilt=0.0):
    """Destroyed form: jitter vertices deterministically, sag and tilt."""
    import random
    rng = random.Random(seed)
    dents = [(rng.uniform(-1.5, 1.5), rng.uniform(0.2, 1.2), rng.uniform(-3, 3), rng.uniform(0.5, 1.2))
             for _ in range(4)]
    for name in builder.order:
        for v in builder.groups[name][0]:
            x, y, z = v["pos"]
            dx = dy = dz = 0.0
            for (cx, cy, cz, r) in dents:
                d2 = (x - cx) ** 2 + (y - cy) ** 2 + (z - cz) ** 2
                if d2 < r * r:
                    f = (1 - d2 / (r * r)) * strength
                    dx -= (x - cx) * f
                    dy -= (y - cy) * f + f * 0.5
                    dz -= (z - cz) * f
            # quantised hash jitter: same position -> same offset, so faces stay closed
            h = int(abs(x * 73.1 + y * 19.7 + z * 41.3) * 1000) % 997
            j = (h / 997.0 - 0.5) * strength * 0.6
            x, y, z = x + dx + j, y + dy - sag * max(0.0, y) * 0.1 + z * 0.015 + j * 0.5, z + dz
            if tilt:
                c, s = math.cos(tilt), math.sin(tilt)
                x, y = x * c - y * s, x * s + y * c
            v["pos"] = (x, y, z)
