#!/usr/bin/env python3
"""Writer (and a small decoder) of the game's packed binary XML.

File layout (little-endian):
    u32 magic 0x62A14E45, one byte 0, name table (zero-terminated names),
    a 0 byte ending the table, then the root element.
Element: i16 child count, u32 own descriptor (bits 0-27 end offset of the own
value, bits 28-31 type), per child i16 name index + u32 descriptor, then the
data block: own value, then each child's value in order.  End offsets count
from the start of the data block.
Types: 0 Element, 1 String, 2 Integer (1/2/4 bytes), 3 Floats, 4 Boolean,
5 Blob.

High level (usual use):
    import packedxml
    data = packedxml.pack_tree(elem)      # xml.etree.ElementTree element
The element's text is its own value; children become children.  Types are
inferred (see ``infer_value``) unless forced with the attribute
``type="string|int|int1|int2|int4|float|floats|bool|blob"`` (attributes are
never written: the format has none).  An element with children row0..row3 of
three numbers each, and nothing else, becomes one 12-float value.

Low level (deliberately odd files for reader tests):
    V(type, raw_bytes)             one value with exact type and bytes
    N(value, children, count=None) one element; children are (name, N|V);
                                   count overrides the written child count
    pack_node(root_node, names=None, magic=MAGIC, skip_byte=0) -> bytes

Command line:
    packedxml.py pack   in.xml out.xml     plain XML -> packed
    packedxml.py unpack in.xml [out.xml]   packed -> plain XML (own decoder)
    packedxml.py selftest
"""
import base64
import re
import struct
import sys
import xml.etree.ElementTree as ET

MAGIC = 0x62A14E45
ELEMENT, STRING, INTEGER, FLOATS, BOOLEAN, BLOB = range(6)
TYPE_NAMES = {ELEMENT: "element", STRING: "string", INTEGER: "int",
              FLOATS: "floats", BOOLEAN: "bool", BLOB: "blob"}


class V:
    """One value: a type number (any 0-15, also unknown ones) and raw bytes."""
    __slots__ = ("type", "data")

    def __init__(self, type_, data=b""):
        self.type = type_
        self.data = bytes(data)

    def __repr__(self):
        return "V(%d, %r)" % (self.type, self.data)

    # convenience constructors
    @staticmethod
    def string(s):
        return V(STRING, s.encode("latin-1") if isinstance(s, str) else s)

    @staticmethod
    def integer(n, width=None):
        if width is None:
            width = 1 if -128 <= n < 128 else 2 if -32768 <= n < 32768 else 4
        fmt = {1: "<b", 2: "<h", 4: "<i"}[width]
        return V(INTEGER, struct.pack(fmt, n))

    @staticmethod
    def floats(values):
        return V(FLOATS, b"".join(struct.pack("<f", float(x)) for x in values))

    @staticmethod
    def boolean(b):
        return V(BOOLEAN, b"\x01" if b else b"")

    @staticmethod
    def blob(data):
        return V(BLOB, data)


class N:
    """One element: own value (a V), children [(name, N or V)], optional count."""
    __slots__ = ("value", "children", "count")

    def __init__(self, value=None, children=None, count=None):
        self.value = value if value is not None else V(STRING, b"")
        self.children = list(children or [])
        self.count = count


def _collect_names(node, names, index):
    for name, child in node.children:
        if name not in index:
            index[name] = len(names)
            names.append(name)
        if isinstance(child, N):
            _collect_names(child, names, index)


def _encode_element(node, index):
    parts = [node.value.data]
    descr = []
    end = len(node.value.data)
    if end >= 1 << 28:
        raise ValueError("value too long")
    own = (node.value.type & 0xF) << 28 | end
    for name, child in node.children:
        if isinstance(child, N):
            data, t = _encode_element(child, index), ELEMENT
        else:
            data, t = child.data, child.type
        end += len(data)
        if end >= 1 << 28:
            raise ValueError("element too long")
        parts.append(data)
        descr.append(struct.pack("<hI", index[name] if isinstance(name, str) else name,
                                 (t & 0xF) << 28 | end))
    count = len(node.children) if node.count is None else node.count
    return struct.pack("<hI", count, own) + b"".join(descr) + b"".join(parts)


def pack_node(root, names=None, magic=MAGIC, skip_byte=0):
    """Encode an N tree. ``names`` may give the name table explicitly (a list);
    a child name given as an int is used as a raw name index."""
    if names is None:
        names, index = [], {}
        _collect_names(root, names, index)
    else:
        index = {n: i for i, n in enumerate(names)}
        extra = []
        _collect_names(root, extra, dict(index))
        for n in extra:
            if isinstance(n, str) and n not in index:
                index[n] = len(names)
                names.append(n)
    table = b"".join(n.encode("latin-1") + b"\x00" for n in names) + b"\x00"
    return struct.pack("<IB", magic, skip_byte) + table + _encode_element(root, index)


# ---------------------------------------------------------------- tree input

_INT_RE = re.compile(r"^[+-]?\d+$")
_NUM_RE = re.compile(r"^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


def infer_value(text, forced=None):
    """Value for an element's text. ``forced`` is a type attribute value."""
    text = "" if text is None else text.strip()
    if forced:
        f = forced.lower()
        if f in ("string", "str"):
            return V.string(text)
        if f in ("int", "integer"):
            return V.integer(int(text or 0))
        if f in ("int1", "int2", "int4"):
            return V.integer(int(text or 0), int(f[3]))
        if f in ("float", "floats"):
            return V.floats([float(x) for x in text.split()])
        if f in ("bool", "boolean"):
            return V.boolean(text.lower() in ("true", "1"))
        if f == "blob":
            return V.blob(base64.b64decode(text))
        raise ValueError("unknown forced type %r" % forced)
    if text == "":
        return V.string("")
    if text in ("true", "false"):
        return V.boolean(text == "true")
    words = text.split()
    if len(words) == 1 and _INT_RE.match(text) and -2 ** 31 <= int(text) < 2 ** 31:
        return V.integer(int(text))
    if all(_NUM_RE.match(w) for w in words):
        if len(words) == 12:
            raise ValueError("12 floats are read back as a matrix; use row0..row3")
        return V.floats([float(w) for w in words])
    return V.string(text)


_ROWS = ["row0", "row1", "row2", "row3"]


def _is_matrix(elem):
    kids = list(elem)
    return ([k.tag for k in kids] == _ROWS and not (elem.text or "").strip()
            and all(len((k.text or "").split()) == 3 and not list(k) for k in kids))


def tree_to_node(elem):
    """ElementTree element -> N (the element's own tag is not used)."""
    forced = elem.get("type")
    if not list(elem) or forced == "element":
        raise ValueError("tree_to_node needs an element with children")
    node = N(infer_value(elem.text, forced if forced != "element" else None))
    for child in elem:
        if _is_matrix(child):
            node.children.append((child.tag, V.floats(
                [float(x) for k in child for x in k.text.split()])))
        elif len(child) or child.get("type") == "element":
            node.children.append((child.tag, tree_to_node(child)))
        else:
            node.children.append((child.tag, infer_value(child.text, child.get("type"))))
    return node


def pack_tree(elem):
    """Packed bytes of an ElementTree element (the root tag is not stored)."""
    if not list(elem):
        return pack_node(N(infer_value(elem.text, elem.get("type"))))
    return pack_node(tree_to_node(elem))


def pack_text(xml_text):
    return pack_tree(ET.fromstring(xml_text))


def plain_text(elem):
    """Plain XML text of a tree (no declaration, type attributes dropped)."""
    copy = ET.fromstring(ET.tostring(elem))
    for e in copy.iter():
        e.attrib.pop("type", None)
    return ET.tostring(copy, encoding="unicode")


# ------------------------------------------------------------------ decoder

class DecodeError(Exception):
    pass


def decode(data):
    """Decode packed bytes -> (names, N tree). Strict: raises on malformed data."""
    if len(data) < 5 or struct.unpack_from("<I", data, 0)[0] != MAGIC:
        raise DecodeError("bad magic")
    pos = 5
    names = []
    while True:
        end = data.index(b"\x00", pos)
        if end == pos:
            pos += 1
            break
        names.append(data[pos:end].decode("latin-1"))
        pos = end + 1

    def element(pos):
        count, own = struct.unpack_from("<hI", data, pos)
        pos += 6
        descr = []
        for _ in range(max(count, 0)):
            idx, word = struct.unpack_from("<hI", data, pos)
            pos += 6
            descr.append((idx, word))
        base = pos
        own_end, own_t = own & 0x0FFFFFFF, own >> 28
        node = N(V(own_t, data[base:base + own_end]))
        prev = own_end
        for idx, word in descr:
            end, t = word & 0x0FFFFFFF, word >> 28
            if end < prev:
                raise DecodeError("descending end offset")
            name = names[idx]
            if t == ELEMENT:
                child, stop = element(base + prev)
                if stop != base + end:
                    raise DecodeError("element length mismatch")
                node.children.append((name, child))
            else:
                node.children.append((name, V(t, data[base + prev:base + end])))
            prev = end
        if base + prev > len(data):
            raise DecodeError("truncated")
        return node, base + prev

    root, stop = element(pos)
    if stop != len(data):
        raise DecodeError("trailing bytes")
    return names, root


def value_text(v):
    """Text the way the game reader renders a value (floats with %g)."""
    if v.type == STRING:
        return v.data.decode("latin-1")
    if v.type == INTEGER:
        fmt = {1: "<b", 2: "<h", 4: "<i"}.get(len(v.data))
        return str(struct.unpack(fmt, v.data)[0]) if fmt else "0"
    if v.type == FLOATS:
        n = len(v.data) // 4
        out = []
        for x in struct.unpack("<%df" % n, v.data[:n * 4]):
            s = "%g" % x
            out.append("0" if s == "-1e-06" else s)
        return " ".join(out)
    if v.type == BOOLEAN:
        return "true" if len(v.data) == 1 else "false"
    if v.type == BLOB:
        return base64.b64encode(v.data).decode("ascii")
    raise DecodeError("unknown type %d" % v.type)


def node_to_tree(tag, node):
    """N -> ElementTree element, rendering values as the game reader does."""
    e = ET.Element(tag)
    if isinstance(node, V):
        if node.type == FLOATS and len(node.data) // 4 == 12:
            words = value_text(node).split()
            for k in range(4):
                ET.SubElement(e, _ROWS[k]).text = " ".join(words[3 * k:3 * k + 3])
        else:
            e.text = value_text(node)
        return e
    e.text = value_text(node.value)
    for name, child in node.children:
        e.append(node_to_tree(name, child))
    return e


def unpack(data, root_tag="root"):
    return node_to_tree(root_tag, decode(data)[1])


def typed(v):
    """Python value of a V: str, int, bool, list of floats or bytes."""
    if v.type == STRING:
        return v.data.decode("latin-1")
    if v.type == INTEGER:
        return int(value_text(v))
    if v.type == FLOATS:
        n = len(v.data) // 4
        return list(struct.unpack("<%df" % n, v.data[:n * 4]))
    if v.type == BOOLEAN:
        return len(v.data) == 1
    return v.data


def nodes_equal(a, b):
    if isinstance(a, V) or isinstance(b, V):
        return isinstance(a, V) and isinstance(b, V) and a.type == b.type and a.data == b.data
    if not nodes_equal(a.value, b.value) or len(a.children) != len(b.children):
        return False
    return all(na == nb and nodes_equal(ca, cb)
               for (na, ca), (nb, cb) in zip(a.children, b.children))


def is_packed(data):
    return len(data) >= 4 and struct.unpack_from("<I", data, 0)[0] == MAGIC


# ---------------------------------------------------------------- self-test

def selftest():
    src = ("<a01_tank.xml><hull><maxHealth>400</maxHealth>"
           "<turretPositions><turret>0 1.6 -0.3</turret></turretPositions>"
           "<name>Hull</name><flag>true</flag><off>false</off>"
           "<big>100000</big><small>-5</small><mid>300</mid>"
           "<forced type='int4'>7</forced><fl type='floats'>2</fl>"
           "<b64 type='blob'>YWJj</b64>"
           "<transform><row0>1 0 0</row0><row1>0 1 0</row1><row2>0 0 1</row2>"
           "<row3>0.5 -1e-06 3</row3></transform></hull>"
           "<gun>shared<x>1</x></gun></a01_tank.xml>")
    elem = ET.fromstring(src)
    data = pack_tree(elem)
    assert is_packed(data)
    names, root = decode(data)
    assert nodes_equal(root, tree_to_node(elem)), "round trip"
    assert pack_node(root, names) == data, "re-encode"
    hull = dict(root.children)["hull"]
    kids = dict(hull.children)
    assert typed(kids["maxHealth"]) == 400 and len(kids["maxHealth"].data) == 2
    assert len(kids["small"].data) == 1 and len(kids["big"].data) == 4
    assert len(kids["forced"].data) == 4
    assert kids["flag"].type == BOOLEAN and kids["flag"].data == b"\x01"
    assert kids["off"].type == BOOLEAN and kids["off"].data == b""
    assert kids["name"].type == STRING and typed(kids["name"]) == "Hull"
    assert kids["b64"].data == b"abc"
    assert kids["transform"].type == FLOATS and len(kids["transform"].data) == 48
    assert typed(dict(root.children)["gun"].value) == "shared"
    t = unpack(data, "a01_tank.xml")
    assert t.find("hull/transform/row3").text == "0.5 0 3"
    assert t.find("hull/turretPositions/turret").text == "0 1.6 -0.3"
    assert t.find("hull/b64").text == "YWJj"
    # odd files
    odd = pack_node(N(children=[("a", V(INTEGER, b"\x01\x02\x03")), ("b", V(BOOLEAN, b"\x02")),
                                ("c", V(9, b""))], count=3))
    n2, r2 = decode(odd)
    assert n2 == ["a", "b", "c"] and r2.children[0][1].data == b"\x01\x02\x03"
    neg = pack_node(N(children=[("x", V.string("y"))], count=-1))
    assert struct.unpack_from("<h", neg, 5 + 3)[0] == -1
    assert value_text(V.floats([1.0, 0.5, 1e-05, -1e-06])) == "1 0.5 1e-05 0"
    assert value_text(V.blob(b"\xff")) == "/w=="
    print("packedxml selftest ok")


def main(argv):
    if len(argv) >= 3 and argv[0] == "pack":
        with open(argv[1], "rb") as f:
            data = pack_text(f.read())
        with open(argv[2], "wb") as f:
            f.write(data)
    elif len(argv) >= 2 and argv[0] == "unpack":
        with open(argv[1], "rb") as f:
            tree = unpack(f.read(), argv[1].replace("\\", "/").split("/")[-1])
        text = ET.tostring(tree, encoding="unicode")
        if len(argv) >= 3:
            with open(argv[2], "w") as f:
                f.write(text)
        else:
            print(text)
    elif argv[:1] == ["selftest"]:
        selftest()
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
