#!/usr/bin/env python3
"""Checks the generated sample game with independent readers.

    check_sample_game.py [--dir OUT] [--no-repeat]
    check_sample_game.py --large      (limits and shape of the --large sample)

Without --dir the small sample is generated into a temporary folder (timed and
size-checked) and, unless --no-repeat, generated a second time to compare bytes.
Readers: unzip -t and Python's zipfile for the packages, gettext.GNUTranslations
for the catalogues, ImageMagick identify for the DDS files, the project's own
packed-XML and .primitives writers round-tripping through their decoders."""
import gettext
import io
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "formats"))
import packedxml  # noqa: E402
import primitives  # noqa: E402

GEN = os.path.join(ROOT, "tools", "samplegame", "make_sample_game.py")
MISSING = {"O10_Monarch_descr"}
failures = []


def check(cond, msg):
    if not cond:
        failures.append(msg)
        print("FAIL:", msg)


def dir_size(d):
    return sum(os.path.getsize(os.path.join(p, f)) for p, _, fs in os.walk(d) for f in fs)


def all_files(d):
    out = {}
    for p, _, fs in os.walk(d):
        for f in fs:
            full = os.path.join(p, f)
            out[os.path.relpath(full, d)] = full
    return out


class GameFiles:
    """Loose files below res/ and package members, as FileManager sees them."""

    def __init__(self, game, package_names):
        self.res = os.path.join(game, "res")
        self.zips = []
        for n in package_names:
            self.zips.append(zipfile.ZipFile(os.path.join(self.res, "packages", n)))

    def read(self, name):
        p = os.path.join(self.res, name)
        if os.path.isfile(p):
            with open(p, "rb") as f:
                return f.read()
        low = name.replace("\\", "/").lower()
        for z in self.zips:
            for info in z.infolist():
                if info.filename.lower() == low:
                    return z.read(info)
        return None

    def members(self):
        for z in self.zips:
            for n in z.namelist():
                yield z, n


def mo_hash_lookup(data, msgid):
    """The gettext hash-table lookup, independent of gettext."""
    n, o, t, size, hoff = struct.unpack_from("<5I", data, 8)
    h = 0
    for c in msgid.encode("utf-8"):
        h = ((h << 4) + c) & 0xFFFFFFFF
        g = h & 0xF0000000
        if g:
            h = h ^ (g >> 24) ^ g
    idx = h % size
    step = 1 + h % ((size - 2) & 0xFFFFFFFF)
    first = idx
    while True:
        e = struct.unpack_from("<I", data, hoff + 4 * idx)[0]
        if e == 0:
            return -1
        ln, off = struct.unpack_from("<II", data, o + 8 * (e - 1))
        if data[off:off + ln].decode("utf-8").lower() == msgid.lower():
            return e - 1
        idx = (idx + step) % size
        if idx == first:
            return -1


def parse_xml(data, name):
    """Like PackedXmlReader: packed -> tree via own decoder; plain -> ElementTree."""
    if packedxml.is_packed(data):
        names, root = packedxml.decode(data)
        check(packedxml.pack_node(root, names) == data, "packed round trip of " + name)
        return packedxml.node_to_tree(name.split("/")[-1], root), True
    return ET.fromstring(data.decode("utf-8")), False


def text(e, path):
    x = e.find(path)
    return "" if x is None else "".join(x.itertext()).strip() if not list(x) else (x.text or "").strip()


def check_large():
    with tempfile.TemporaryDirectory(prefix="hullscope-sample-large-") as tmp:
        out = os.path.join(tmp, "l")
        t0 = time.time()
        subprocess.run([sys.executable, GEN, out, "--large"], check=True)
        dt = time.time() - t0
        # Reported, not asserted: a loaded machine would fail a timed check.
        print("large sample generated in %.1f s (aim: under 180 s)" % dt)
        size = dir_size(out)
        check(size < 200 * 1024 * 1024, "large sample is %d bytes (limit 200 MB)" % size)
        game = os.path.join(out, "Brastel")
        nations = list(ET.parse(os.path.join(out, "data", "tank_list.cfg")).getroot())
        check(len(nations) == 11, "11 nations")
        tanks = 0
        for n in nations:
            data = open(os.path.join(game, "res", n.find("ResPath").text, "list.xml"), "rb").read()
            lst, _ = parse_xml(data, "list.xml")
            tanks += sum(1 for v in lst if v.tag != "Observer" and "training" not in v.tag)
        check(600 <= tanks <= 800, "about 700 tanks (%d)" % tanks)
        pkdir = os.path.join(game, "res", "packages")
        for p in sorted(os.listdir(pkdir)):
            r = subprocess.run(["unzip", "-t", "-q", os.path.join(pkdir, p)], capture_output=True, text=True)
            check(r.returncode == 0, "unzip -t " + p)
        tris = 0
        with zipfile.ZipFile(os.path.join(pkdir, "vehicles_velmora.pkg")) as z:
            for n in z.namelist():
                if n.startswith("vehicles/velmora/V99_Leviathan/normal/") and n.endswith(".primitives"):
                    for name, sec in primitives.read_primitives(z.read(n)):
                        if sec[:4] == b"list":
                            tris += struct.unpack_from("<I", sec, 64)[0] // 3
        check(150000 <= tris <= 260000, "detailed tank of about 200,000 triangles (%d)" % tris)
        print("large sample: %.1f s, %d bytes, %d tanks, detailed tank %d triangles" % (dt, size, tanks, tris))
    return 1 if failures else 0


def main(argv):
    if "--large" in argv:
        return check_large()
    out = None
    repeat = "--no-repeat" not in argv
    if "--dir" in argv:
        out = argv[argv.index("--dir") + 1]
        repeat = False
    tmp = tempfile.TemporaryDirectory(prefix="hullscope-sample-")
    if out is None:
        out = os.path.join(tmp.name, "a")
        t0 = time.time()
        subprocess.run([sys.executable, GEN, out], check=True)
        dt = time.time() - t0
        print("generated in %.1f s (aim: under 30 s)" % dt)
    size = dir_size(out)
    check(size < 20 * 1024 * 1024, "small sample is %d bytes (limit 20 MB)" % size)
    game = os.path.join(out, "Brastel")
    check(os.path.isfile(os.path.join(game, "Brastel.exe")), "Brastel.exe present")
    check(os.path.isdir(os.path.join(out, "mod")) and not os.listdir(os.path.join(out, "mod")), "empty mod folder")
    v = ET.parse(os.path.join(game, "version.xml")).getroot()
    check(" ".join(v.find("version").text.split()) != "", "version.xml has a version")

    # ---- data/ files agree with the generated ones
    for f in ("resources.cfg", "tank_list.cfg", "garages.cfg"):
        with open(os.path.join(ROOT, "data", f), "rb") as a, open(os.path.join(out, "data", f), "rb") as b:
            check(a.read() == b.read(), "shipped data/%s equals the generated one" % f)
    resources = [e.text for e in ET.parse(os.path.join(ROOT, "data", "resources.cfg")).getroot().iter("Zip")]
    garages = ET.parse(os.path.join(ROOT, "data", "garages.cfg")).getroot()
    hangar_pkgs = [e.text for e in garages.iter("Zip")]
    check({g.tag for g in garages} >= {"Basic", "Premium"}, "garages.cfg has Basic and Premium")
    pkdir = os.path.join(game, "res", "packages")
    on_disk = sorted(os.listdir(pkdir))
    check(sorted(resources + hangar_pkgs) == on_disk, "packages named by data/ = packages on disk %r" % on_disk)

    # ---- packages: unzip -t, stored and deflated members, fixed timestamps
    methods = set()
    for p in on_disk:
        r = subprocess.run(["unzip", "-t", "-q", os.path.join(pkdir, p)], capture_output=True, text=True)
        check(r.returncode == 0, "unzip -t %s: %s" % (p, r.stdout + r.stderr))
        with zipfile.ZipFile(os.path.join(pkdir, p)) as z:
            for i in z.infolist():
                methods.add(i.compress_type)
                check(i.date_time[:3] == (2000, 1, 1), "fixed timestamp of %s in %s" % (i.filename, p))
    check(zipfile.ZIP_STORED in methods and zipfile.ZIP_DEFLATED in methods, "stored and deflated members")
    files = GameFiles(game, resources + hangar_pkgs)

    # ---- catalogues
    modir = os.path.join(game, "res", "text", "LC_MESSAGES")
    cats = {}
    mo_data = {}
    for f in sorted(os.listdir(modir)):
        with open(os.path.join(modir, f), "rb") as fh:
            data = fh.read()
        mo_data[f[:-3]] = data
        check(struct.unpack_from("<I", data, 20)[0] > 2, "%s has a hash table" % f)
        cats[f[:-3]] = gettext.GNUTranslations(io.BytesIO(data))
    refs = []

    def ref(r, where):
        refs.append((r, where))

    # ---- item types, nations, lists, definitions
    it, _ = parse_xml(open(os.path.join(game, "res/scripts/item_defs/item_types.xml"), "rb").read(), "item_types.xml")
    classes = {t.tag for t in it.find("vehicle/tags")}
    check(classes == {"lightTank", "mediumTank", "heavyTank", "AT-SPG", "SPG"}, "five classes in item_types.xml")
    for t in it.find("vehicle/tags"):
        ref(text(t, "userString"), "item_types")
    ref("#menu:carousel_tank_filter/all", "menu")
    nations = list(ET.parse(os.path.join(ROOT, "data", "tank_list.cfg")).getroot())
    check(len(nations) == 3, "three nations")
    tiers, seen_classes = set(), set()
    tanks = 0
    two_turret_tanks = 0
    shared_guns = 0
    packed_seen, plain_seen = set(), set()
    for n in nations:
        rp, dp = n.find("ResPath").text, n.find("DataPath").text
        check(rp == rp.lower(), "ResPath lower case")
        check(len(dp.split("/")) >= 2, "DataPath has two parts")
        nation = rp.split("/")[-1]
        ref("#menu:nations/" + nation, "nation")
        lpath = os.path.join(game, "res", rp, "list.xml")
        check(os.path.isfile(lpath), "loose list.xml of " + nation)
        lst, pk = parse_xml(open(lpath, "rb").read(), "list.xml")
        (packed_seen if pk else plain_seen).add("list")
        cpath = os.path.join(game, "res", rp, "customization.xml")
        cdata = open(cpath, "rb").read()
        check(packedxml.is_packed(cdata), "customization.xml of %s packed" % nation)
        cust, _ = parse_xml(cdata, "customization.xml")
        groups = set()
        hidden = 0
        for camo in cust.find("camouflages"):
            if camo.find("notInShop") is not None:
                hidden += 1
                check(text(camo, "notInShop") == "true", "notInShop is true")
                continue
            groups.add(text(camo, "group"))
            ref(text(camo, "description"), "camo")
            check(files.read(text(camo, "texture")) is not None, "camo texture " + text(camo, "texture"))
            check(camo.find("tiling") is not None and len(camo.find("tiling")) > 0, "per-tank tiling")
        check(groups == {"summer", "winter", "desert"}, "three season groups in " + nation)
        check(hidden == 1, "one notInShop camouflage in " + nation)
        gdata = files.read(rp + "/components/guns.xml")
        check(gdata is not None, "guns.xml of " + nation)
        guns_xml, _ = parse_xml(gdata, "guns.xml")
        shared_tags = {g.tag: g for g in (guns_xml.find("shared") if guns_xml.find("shared") is not None else [])}
        for g in shared_tags.values():
            ref(text(g, "userString"), "guns.xml")
        tiling_keys = {k.tag for camo in cust.find("camouflages") for t in camo.findall("tiling") for k in t}
        for veh in lst:
            if veh.tag == "Observer" or "training" in veh.tag:
                continue
            tanks += 1
            tiers.add(int(text(veh, "level")))
            seen_classes.add(text(veh, "tags").split()[0])
            ref(text(veh, "userString"), veh.tag)
            ref(text(veh, "description"), veh.tag)
            defname = "%s/%s.xml" % (rp, veh.tag.lower())
            ddata = files.read(defname)
            check(ddata is not None, "definition " + defname)
            if ddata is None:
                continue
            d, pk = parse_xml(ddata, defname)
            (packed_seen if pk else plain_seen).add("def")
            check(veh.tag.lower() in tiling_keys, "tiling key for " + veh.tag)
            undamaged = text(d, "hull/models/undamaged")
            check(undamaged.split("/")[2] == veh.tag, "tank folder of " + veh.tag)
            turrets = list(d.find("turrets0"))
            if len(turrets) > 1:
                two_turret_tanks += 1
            chassis = list(d.find("chassis"))[0]
            parts = [("hull", d.find("hull"), "HP_turretJoint"), ("chassis", chassis, "tank")]
            for t in turrets:
                ref(text(t, "userString"), t.tag)
                parts.append(("turret", t, "HP_gunJoint"))
                for g in t.find("guns"):
                    own = (g.text or "").strip()
                    if own.lower().startswith("shared"):
                        shared_guns += 1
                        check(g.tag in shared_tags, "shared gun %s in guns.xml" % g.tag)
                    else:
                        ref(t.find("userString").text.split(":")[0] + ":" + g.tag, g.tag)
                    parts.append(("gun", g, None))
            # The camouflage bake pairs diffuse textures with exclusion masks
            if len(turrets) == 1:
                diffuse, masks = [], []
                for kind, e, hp in parts[:1] + parts[1:2] + parts[2:]:
                    vis = files.read(text(e, "models/undamaged").replace(".model", ".visual"))
                    if vis is None:
                        continue
                    vt, _ = parse_xml(vis, "v")
                    for p in vt.iter("property"):
                        if (p.text or "").strip() == "diffuseMap":
                            n = p.find("Texture").text.strip()
                            low = n.lower()
                            if n not in diffuse and not any(w in low for w in ("track", "bottoms", "equipment")):
                                diffuse.append(n)
                for m in (text(d, "camouflage/exclusionMask"), text(d, "hull/camouflage/exclusionMask"),
                          text(turrets[0], "camouflage/exclusionMask")) + tuple(
                              text(g, "camouflage/exclusionMask") for g in turrets[0].find("guns")):
                    if m and m not in masks:
                        masks.append(m)
                check(len(diffuse) == len(masks), "camouflage bake pairs for %s: %r / %r" % (veh.tag, diffuse, masks))
            for kind, e, hp in parts:
                armour = {a.tag for a in e.find("armor")}
                for form in ("models/undamaged", "models/destroyed", "hitTester/collisionModel"):
                    path = text(e, form).replace("//", "/")
                    vis = files.read(path.replace(".model", ".visual"))
                    prim = files.read(path.replace(".model", ".primitives"))
                    check(vis is not None and prim is not None, "model files of " + path)
                    if vis is None or prim is None:
                        continue
                    vt, pk = parse_xml(vis, path)
                    (packed_seen if pk else plain_seen).add("visual")
                    ids = [x.text.strip() for x in vt.iter("identifier")]
                    if hp and form != "hitTester/collisionModel":
                        check(hp in ids, "%s in %s" % (hp, path))
                    secs = dict(primitives.read_primitives(prim))
                    check(primitives.write_primitives(list(primitives.read_primitives(prim))) == prim,
                          "primitives round trip " + path)
                    for geo in vt.iter("geometry"):
                        vs = secs.get(geo.find("vertices").text.strip())
                        ix = secs.get(geo.find("primitive").text.strip())
                        check(vs is not None and ix is not None, "sections of " + path)
                        fmt, idx, grp = primitives.read_indices(ix)
                        nverts = struct.unpack_from("<i", vs, 64)[0]
                        check(max(idx) < nverts, "indices in range " + path)
                        if "collision" in form:
                            check(fmt == "list", "16-bit collision indices " + path)
                        for pg in geo.iter("primitiveGroup"):
                            mid = pg.find("material/identifier").text.strip()
                            if "collision" in form:
                                check(mid in armour, "collision material %s is an armour tag of %s" % (mid, path))
                            else:
                                fx = pg.find("material/fx").text.strip()
                                check(fx.startswith("shaders/std_effects/"), "effect name " + fx)
                                for p in pg.find("material").findall("property"):
                                    tex = p.find("Texture")
                                    if tex is not None:
                                        name = tex.text.strip()
                                        if name.endswith(".tga"):   # drawn from the .dds of that name
                                            name = name[:-len(".tga")] + ".dds"
                                        check(files.read(name) is not None, "texture " + tex.text)
                if kind == "hull":
                    spaced = [a for a in e.find("armor") if len(a) and a[0].tag == "vehicleDamageFactor"]
                    check(len(spaced) >= 1, "spaced armour plate in " + defname)
    check(tanks >= 10, "about a dozen tanks (%d)" % tanks)
    check(seen_classes == classes, "all five classes used")
    check(min(tiers) == 1 and max(tiers) == 10, "tiers 1-10")
    check(two_turret_tanks >= 1 and shared_guns >= 1, "two-turret tank with a shared gun")
    check(packed_seen >= {"def", "visual"} and plain_seen >= {"def", "visual"}, "packed and plain files mixed")

    # ---- references resolve
    missing = set()
    for r, where in refs:
        m = re.match(r"^#([^:]+):(.+)$", r)
        check(m is not None, "reference form %r (%s)" % (r, where))
        if not m:
            continue
        cat, msgid = m.groups()
        check(cat in cats, "catalogue %s.mo exists" % cat)
        if cat in cats and cats[cat].gettext(msgid) == msgid:
            missing.add(msgid)
            check(mo_hash_lookup(mo_data[cat], msgid) == -1, "hash lookup agrees on missing " + msgid)
        elif cat in cats:
            check(mo_hash_lookup(mo_data[cat], msgid) >= 0, "hash-table lookup finds %s in %s.mo" % (msgid, cat))
    check(missing == MISSING, "exactly the deliberately missing reference is missing: %r" % sorted(missing))

    # ---- every packed XML member round-trips; every DDS is read by identify
    fourccs = set()
    texformat = 0
    big_parts = 0
    with tempfile.TemporaryDirectory() as dd:
        k = 0
        dds_paths = []
        for z, n in files.members():
            data = z.read(n)
            if packedxml.is_packed(data):
                names, root = packedxml.decode(data)
                check(packedxml.pack_node(root, names) == data, "packed round trip " + n)
            if n.endswith(".texformat"):
                texformat += 1
                tf, pk = parse_xml(data, n)
                check(pk, "texformat packed")
                mip = list(tf)[0].find("mip").text
                check(files.read(mip) is not None, "HD mip of " + n)
            if n.endswith(".primitives"):
                for name, sec in primitives.read_primitives(data):
                    if sec[:64].rstrip(b"\0").decode("latin-1").lower() in primitives.FORMATS and \
                            struct.unpack_from("<i", sec, 64)[0] > 65535:
                        big_parts += 1
                    if sec[:6] == b"list32":
                        check(max(primitives.read_indices(sec)[1]) > 65535, "list32 needed in " + n)
            if n.endswith(".dds"):
                flags = struct.unpack_from("<I", data, 80)[0]
                fourccs.add(data[84:88] if flags & 0x4 else b"RGBA" if flags & 0x40 else b"?")
                check(data[:4] == b"DDS ", "DDS magic " + n)
                p = os.path.join(dd, "t%05d.dds" % k)
                k += 1
                with open(p, "wb") as f:
                    f.write(data)
                dds_paths.append(p)
        for i in range(0, len(dds_paths), 64):
            r = subprocess.run(["identify"] + dds_paths[i:i + 64], capture_output=True, text=True)
            check(r.returncode == 0, "identify of DDS files: " + r.stderr[:500])
            check(r.stdout.count(" DDS ") == len(dds_paths[i:i + 64]), "identify read every DDS")
    check(texformat >= 1, "a .texformat companion in a package")
    check(big_parts >= 1, "a part with more than 65,535 vertices")
    check({b"DXT1", b"DXT3", b"DXT5", b"RGBA"} <= fourccs, "DXT1, DXT3, DXT5 and RGBA textures: %r" % fourccs)

    # ---- hangar meshes are in their packages
    for h in garages:
        pk = [e.text for e in h.iter("Zip")]
        with zipfile.ZipFile(os.path.join(pkdir, pk[0])) as z:
            names = {x.lower() for x in z.namelist()}
            for m in h.iter("Mesh"):
                f = m.find("File").text.replace(".model", "")
                check(f.lower() + ".visual" in names and f.lower() + ".primitives" in names,
                      "hangar mesh %s in %s" % (f, pk[0]))

    # ---- same bytes on a second run
    if repeat:
        out2 = os.path.join(tmp.name, "b")
        subprocess.run([sys.executable, GEN, out2], check=True)
        a, b = all_files(out), all_files(out2)
        check(sorted(a) == sorted(b), "same file list on a second run")
        for rel in a:
            if rel in b:
                with open(a[rel], "rb") as x, open(b[rel], "rb") as y:
                    check(x.read() == y.read(), "same bytes on a second run: " + rel)
    tmp.cleanup()
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("sample game ok (%d tanks, %d bytes)" % (tanks, size))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
