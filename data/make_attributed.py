#!/usr/bin/env python3
"""Writes meshes that carry attributes (colours, normals, texture coordinates,
materials) for checking that they survive simplification.

    data/make_attributed.py coloured IN OUT.ply [--ascii]
    data/make_attributed.py textured-cylinder OUT.obj [--segments N] [--rings M] [--cap-rings K]

`coloured` reads a triangle mesh (SMF, OFF, or PLY in any of its three
formats) and writes it as PLY with area-weighted unit vertex normals and a
smooth per-vertex colour made from the position.

`textured-cylinder` writes a closed cylinder as OBJ with texture coordinates,
normals and two materials, plus the material library and the texture (PNG)
beside it. The side has one vertical UV seam, the rims are hard normal edges
and material boundaries.

Only the standard library is used. The output depends on nothing but the
arguments: sines, cosines and the texture's arctangents come from this file's
own series built from basic IEEE double operations (which Python rounds the
same way everywhere), numbers are formatted by Python's correctly rounded
formatter, and the PNG is compressed with zlib at level 9.
"""

import argparse
import math
import os
import struct
import sys
import zlib

PROGRAM = "data/make_attributed.py"


# ---- deterministic trigonometry ------------------------------------------------

def sin_cos_turns(t):
    """Returns (sin, cos) of the angle t * 2 pi, t in turns.

    The angle is reduced to the nearest quarter turn, leaving at most an eighth
    of a turn (pi / 4), where Taylor series to degree 17 / 18 are exact to well
    below a double's rounding; the quarter is then applied by swapping and
    negating. Exact quarter turns give exact 0 and 1."""
    t = t - math.floor(t)
    q = math.floor(4.0 * t + 0.5)
    a = (t - q / 4.0) * (2.0 * math.pi)
    a2 = a * a
    s = 1.0
    c = 1.0
    # Horner form of sin(a)/a and cos(a), highest term first.
    for n in range(17, 1, -2):
        s = 1.0 - s * a2 / ((n - 1) * n)
    for n in range(18, 1, -2):
        c = 1.0 - c * a2 / ((n - 1) * n)
    s = s * a
    q = int(q) % 4
    if q == 0:
        return s, c
    if q == 1:
        return c, -s
    if q == 2:
        return -s, -c
    return -c, s


def atan2_turns(y, x):
    """The angle of (x, y) in turns, in [0, 1), from basic double operations.

    Folded into the first octant (0 <= z = min / max <= 1), then past
    tan(pi / 8) shifted by pi / 4 through atan(z) = pi / 4 + atan((z - 1) / (z + 1)),
    leaving |z| <= 0.415, where 24 terms of the arctangent series are exact to
    well below a double's rounding."""
    if x == 0.0 and y == 0.0:
        return 0.0
    ax, ay = abs(x), abs(y)
    swap = ay > ax
    z = ax / ay if swap else ay / ax
    base = 0.0
    if z > 0.41421356237309503:
        z = (z - 1.0) / (z + 1.0)
        base = math.pi / 4.0
    z2 = z * z
    series = 0.0
    for n in range(47, 0, -2):
        series = 1.0 / n - z2 * series
    a = base + z * series                      # atan(min / max), 0..pi/4
    if swap:
        a = math.pi / 2.0 - a
    if x < 0.0:
        a = math.pi - a
    if y < 0.0:
        a = 2.0 * math.pi - a
    t = a / (2.0 * math.pi)
    return 0.0 if t >= 1.0 else t


def hsv(h, s, v):
    """HSV to RGB in 0..1, h in turns (wraps), piecewise linear."""
    h = (h - math.floor(h)) * 6.0
    i = int(h)
    f = h - i
    p = v * (1.0 - s)
    q = v * (1.0 - s * f)
    r = v * (1.0 - s * (1.0 - f))
    return [(v, r, p), (q, v, p), (p, v, r), (p, q, v), (r, p, v), (v, p, q)][i % 6]


def byte(x):
    """0..1 to 0..255, rounded half up, clamped."""
    return max(0, min(255, int(math.floor(x * 255.0 + 0.5))))


# ---- reading meshes -----------------------------------------------------------

def fan(corners, faces):
    """Adds the polygon's triangles (c0, ck, ck+1) to faces."""
    for k in range(1, len(corners) - 1):
        faces.append((corners[0], corners[k], corners[k + 1]))


def read_smf(text):
    verts, faces = [], []
    for line in text.splitlines():
        parts = line.split("#", 1)[0].split()
        if not parts:
            continue
        if parts[0] == "v":
            verts.append(tuple(float(x) for x in parts[1:4]))
        elif parts[0] == "f":
            fan([int(x) - 1 for x in parts[1:]], faces)
    return verts, faces


def read_off(text):
    lines = []
    for line in text.splitlines():
        parts = line.split("#", 1)[0].split()
        if parts:
            lines.append(parts)
    head = lines[0]
    if not head[0].endswith("OFF"):
        raise ValueError("no OFF keyword")
    rest = head[1:]
    pos = 1
    if not rest:
        rest = lines[1]
        pos = 2
    nv, nf = int(rest[0]), int(rest[1])
    verts = [tuple(float(x) for x in lines[pos + i][:3]) for i in range(nv)]
    pos += nv
    faces = []
    for i in range(nf):
        rec = lines[pos + i]
        n = int(rec[0])
        fan([int(x) for x in rec[1:1 + n]], faces)
    return verts, faces


PLY_TYPES = {
    "char": "b", "int8": "b", "uchar": "B", "uint8": "B",
    "short": "h", "int16": "h", "ushort": "H", "uint16": "H",
    "int": "i", "int32": "i", "uint": "I", "uint32": "I",
    "float": "f", "float32": "f", "double": "d", "float64": "d",
}


def read_ply_header(data):
    """Parses a PLY header. Returns (format, elements, offset of the body);
    elements are [name, count, [(name, type) or (name, (count type, item type))]]."""
    end = data.find(b"end_header")
    if not data.startswith(b"ply") or end < 0:
        raise ValueError("not a PLY file")
    body = data.index(b"\n", end) + 1
    fmt, elements = None, []
    for line in data[:end].decode("ascii").splitlines():
        parts = line.split()
        if not parts:
            continue
        if parts[0] == "format":
            fmt = parts[1]
        elif parts[0] == "element":
            elements.append([parts[1], int(parts[2]), []])
        elif parts[0] == "property":
            if parts[1] == "list":
                elements[-1][2].append((parts[4], (PLY_TYPES[parts[2]], PLY_TYPES[parts[3]])))
            else:
                elements[-1][2].append((parts[2], PLY_TYPES[parts[1]]))
    if fmt not in ("ascii", "binary_little_endian", "binary_big_endian"):
        raise ValueError("unknown PLY format %r" % fmt)
    return fmt, elements, body


def read_ply_elements(data):
    """Returns {element name: list of records}, each record a dict of property
    name to a number or (for a list) a list of numbers."""
    fmt, elements, pos = read_ply_header(data)
    out = {}
    if fmt == "ascii":
        tokens = data[pos:].split()
        k = 0
        for name, count, props in elements:
            records = []
            for _ in range(count):
                rec = {}
                for pname, ptype in props:
                    if isinstance(ptype, tuple):
                        n = int(tokens[k])
                        conv = float if ptype[1] in "fd" else int
                        rec[pname] = [conv(x) for x in tokens[k + 1:k + 1 + n]]
                        k += 1 + n
                    else:
                        rec[pname] = float(tokens[k]) if ptype in "fd" else int(tokens[k])
                        k += 1
                records.append(rec)
            out[name] = records
        return out
    order = "<" if fmt == "binary_little_endian" else ">"
    for name, count, props in elements:
        records = []
        if all(not isinstance(t, tuple) for _, t in props):
            # Fixed-size records: one struct for the whole element.
            rec_fmt = order + "".join(t for _, t in props)
            size = struct.calcsize(rec_fmt)
            names = [p for p, _ in props]
            for values in struct.iter_unpack(rec_fmt, data[pos:pos + size * count]):
                records.append(dict(zip(names, values)))
            pos += size * count
        else:
            for _ in range(count):
                rec = {}
                for pname, ptype in props:
                    if isinstance(ptype, tuple):
                        (n,) = struct.unpack_from(order + ptype[0], data, pos)
                        pos += struct.calcsize(ptype[0])
                        item = order + "%d%s" % (n, ptype[1])
                        rec[pname] = list(struct.unpack_from(item, data, pos))
                        pos += struct.calcsize(item)
                    else:
                        (rec[pname],) = struct.unpack_from(order + ptype, data, pos)
                        pos += struct.calcsize(ptype)
                records.append(rec)
        out[name] = records
    return out


def read_ply(data):
    elements = read_ply_elements(data)
    verts = [(r["x"], r["y"], r["z"]) for r in elements["vertex"]]
    faces = []
    for r in elements.get("face", []):
        corners = r.get("vertex_indices", r.get("vertex_index"))
        fan([int(i) for i in corners], faces)
    return verts, faces


def read_mesh(path):
    """Returns (vertices as (x, y, z), triangles as 0-based (i, j, k)) of an SMF,
    OFF or PLY file; polygons are fanned into triangles."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"ply"):
        verts, faces = read_ply(data)
    else:
        text = data.decode("latin-1")
        first = text.split("#", 1)[0].split()
        if path.lower().endswith("off") or (first and first[0].endswith("OFF")):
            verts, faces = read_off(text)
        else:
            verts, faces = read_smf(text)
    for f in faces:
        for i in f:
            if not 0 <= i < len(verts):
                raise ValueError("%s: corner %d outside the %d vertices" % (path, i, len(verts)))
    return verts, faces


# ---- coloured PLY --------------------------------------------------------------

def f32(x):
    """x rounded to single precision (returned as a Python float)."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def f32_text(x):
    """The shortest decimal that reads back as the same single-precision value."""
    x = f32(x)
    if x == 0.0:
        return "0"
    for digits in range(1, 10):
        s = "%.*g" % (digits, x)
        if f32(float(s)) == x:
            return s
    return "%.9g" % x


def vertex_normals(verts, faces):
    """Area-weighted unit normals: the sum of the adjacent faces' cross
    products (twice their area times their unit normal), normalised; (0, 0, 1)
    where the sum is zero."""
    acc = [[0.0, 0.0, 0.0] for _ in verts]
    for i, j, k in faces:
        ax, ay, az = verts[i]
        e1 = (verts[j][0] - ax, verts[j][1] - ay, verts[j][2] - az)
        e2 = (verts[k][0] - ax, verts[k][1] - ay, verts[k][2] - az)
        n = (e1[1] * e2[2] - e1[2] * e2[1],
             e1[2] * e2[0] - e1[0] * e2[2],
             e1[0] * e2[1] - e1[1] * e2[0])
        for v in (i, j, k):
            a = acc[v]
            a[0] += n[0]
            a[1] += n[1]
            a[2] += n[2]
    normals = []
    for x, y, z in acc:
        length = math.sqrt(x * x + y * y + z * z)
        normals.append((0.0, 0.0, 1.0) if length == 0.0 else (x / length, y / length, z / length))
    return normals


def position_colours(verts):
    """A smooth colour per vertex: the position scaled into the bounding box
    (0..1 on each axis) goes through three sines of different frequency and
    phase, one per channel, so a model shows broad colour bands."""
    lo = [min(v[a] for v in verts) for a in range(3)]
    hi = [max(v[a] for v in verts) for a in range(3)]
    colours = []
    for v in verts:
        s = [0.5 if hi[a] == lo[a] else (v[a] - lo[a]) / (hi[a] - lo[a]) for a in range(3)]
        r = sin_cos_turns(1.50 * s[0] + 0.30 * s[1])[0]
        g = sin_cos_turns(1.25 * s[1] + 0.25 * s[2] + 0.33)[0]
        b = sin_cos_turns(1.35 * s[2] + 0.20 * s[0] + 0.67)[0]
        colours.append(tuple(byte(0.5 + 0.5 * c) for c in (r, g, b)))
    return colours


def write_coloured(path, verts, faces, ascii_text):
    verts = [(f32(x), f32(y), f32(z)) for x, y, z in verts]
    normals = vertex_normals(verts, faces)
    colours = position_colours(verts)
    header = "\n".join([
        "ply",
        "format %s 1.0" % ("ascii" if ascii_text else "binary_little_endian"),
        "comment made by %s" % PROGRAM,
        "element vertex %d" % len(verts),
        "property float x",
        "property float y",
        "property float z",
        "property float nx",
        "property float ny",
        "property float nz",
        "property uchar red",
        "property uchar green",
        "property uchar blue",
        "element face %d" % len(faces),
        "property list uchar int vertex_indices",
        "end_header",
    ]) + "\n"
    out = [header.encode("ascii")]
    if ascii_text:
        lines = []
        for p, n, c in zip(verts, normals, colours):
            lines.append(" ".join([f32_text(x) for x in p + n] + [str(x) for x in c]))
        for f in faces:
            lines.append("3 %d %d %d" % f)
        out.append(("\n".join(lines) + "\n").encode("ascii"))
    else:
        rec = struct.Struct("<6f3B")
        out.extend(rec.pack(*(p + n + c)) for p, n, c in zip(verts, normals, colours))
        tri = struct.Struct("<B3i")
        out.extend(tri.pack(3, *f) for f in faces)
    with open(path, "wb") as f:
        f.write(b"".join(out))
    return len(verts), len(faces)


def cmd_coloured(args):
    verts, faces = read_mesh(args.input)
    if not faces:
        sys.exit("%s: %s holds no faces" % (PROGRAM, args.input))
    nv, nf = write_coloured(args.output, verts, faces, args.ascii)
    print("%s: %d vertices, %d faces (%s PLY with normals and colours)"
          % (args.output, nv, nf, "ascii" if args.ascii else "binary little-endian"))


# ---- textured cylinder ----------------------------------------------------------

TEXTURE_SIZE = 256
SIDE_CHECKS_U = 12          # checker cells around the side
SIDE_CHECKS_V = 4           # and along its height: about square on the model
CAP_RADIUS_UV = 0.225       # each cap's disc chart, centred in its quarter
CAP_CENTRES_UV = {"bottom": (0.25, 0.75), "top": (0.75, 0.75)}


def png_bytes(width, height, rows):
    """An 8-bit RGB PNG; rows are bytes of 3 * width values, top row first."""
    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + bytes(r) for r in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def texture_colour(u, v):
    """The texture at (u, v), OBJ convention (v = 0 at the image's bottom).

    Side chart (v < 0.5): a checkerboard, light and dark, tinted by a hue that
    runs once round the colour wheel along u, so it joins up where u wraps
    from 1 to 0 and any stretch or misplaced seam shows. Cap charts: a polar
    checkerboard (sectors by rings) in each disc, the bottom cap's hue turning
    with the angle, the top cap's changing with the radius; a white dot marks
    each centre. Elsewhere dark grey."""
    if v < 0.5:
        cu = int(math.floor(u * SIDE_CHECKS_U)) % SIDE_CHECKS_U
        cv = int(math.floor(v * 2.0 * SIDE_CHECKS_V))
        light = (cu + cv) % 2 == 0
        return hsv(u, 0.75, 1.0 if light else 0.55)
    for name, (cx, cy) in CAP_CENTRES_UV.items():
        dx, dy = (u - cx) / CAP_RADIUS_UV, (v - cy) / CAP_RADIUS_UV
        r = math.sqrt(dx * dx + dy * dy)
        if r > 1.04:                   # a little past the rim, for filtering
            continue
        if r < 0.06:
            return (1.0, 1.0, 1.0)
        angle = atan2_turns(dy, dx)
        sector = int(math.floor(angle * 16.0)) % 16
        band = int(math.floor(r * 6.0))
        light = (sector + band) % 2 == 0
        hue = angle if name == "bottom" else 0.55 + 0.45 * r
        return hsv(hue, 0.7, 1.0 if light else 0.5)
    return (0.22, 0.22, 0.24)


def texture_png():
    rows = []
    n = TEXTURE_SIZE
    for py in range(n):
        row = bytearray()
        v = 1.0 - (py + 0.5) / n
        for px in range(n):
            row.extend(byte(c) for c in texture_colour((px + 0.5) / n, v))
        rows.append(row)
    return png_bytes(n, n, rows)


def fixed6(x):
    """x with six decimals, never "-0.000000"."""
    s = "%.6f" % x
    return "0.000000" if s == "-0.000000" else s


def cylinder_obj(name, segments, rings, cap_rings):
    """Returns (OBJ text, counts). See data/README.md for the numbering."""
    n, K = segments, cap_rings
    angles = [sin_cos_turns(j / n) for j in range(n)]       # (sin, cos)

    v_lines, vt_lines, vn_lines = [], [], []
    # Positions. Side rows r = 0..rings from z = -1 to z = +1, each n around;
    # row 0 and row `rings` are the rims, shared with the caps. Then for each
    # cap (bottom, then top) its centre and its inner rings k = 1..K-1.
    for r in range(rings + 1):
        z = -1.0 + 2.0 * r / rings
        for s, c in angles:
            v_lines.append((c, s, z))

    def side_v(r, j):
        return r * n + (j % n) + 1

    cap_v = {}
    for cap, z, rim_row in (("bottom", -1.0, 0), ("top", 1.0, rings)):
        centre = len(v_lines) + 1
        v_lines.append((0.0, 0.0, z))
        first = len(v_lines) + 1
        for k in range(1, K):
            radius = k / K
            for s, c in angles:
                v_lines.append((radius * c, radius * s, z))

        def index(k, j, centre=centre, first=first, rim_row=rim_row):
            if k == 0:
                return centre
            if k == K:
                return side_v(rim_row, j)
            return first + (k - 1) * n + (j % n)
        cap_v[cap] = index

    # Texture coordinates. Side grid (rings + 1) x (n + 1): column n repeats
    # column 0's positions with u = 1, which makes the seam. Then each cap's
    # disc chart: centre, then rings k = 1..K (K is the rim) of n each.
    for r in range(rings + 1):
        for j in range(n + 1):
            vt_lines.append((j / n, 0.5 * r / rings))

    def side_vt(r, j):
        return r * (n + 1) + j + 1

    cap_vt = {}
    for cap in ("bottom", "top"):
        cx, cy = CAP_CENTRES_UV[cap]
        # The bottom is seen from below, so its chart is mirrored in v to keep
        # the texture unmirrored (and the UV triangles counter-clockwise) seen
        # from outside.
        flip = -1.0 if cap == "bottom" else 1.0
        centre = len(vt_lines) + 1
        vt_lines.append((cx, cy))
        first = len(vt_lines) + 1
        for k in range(1, K + 1):
            radius = CAP_RADIUS_UV * k / K
            for s, c in angles:
                vt_lines.append((cx + radius * c, cy + flip * radius * s))

        def index(k, j, centre=centre, first=first):
            return centre if k == 0 else first + (k - 1) * n + (j % n)
        cap_vt[cap] = index

    # Normals: radial ones for the side (shared across the seam, so the seam
    # is smooth), then +z for the top and -z for the bottom.
    for s, c in angles:
        vn_lines.append((c, s, 0.0))
    vn_top, vn_bottom = n + 1, n + 2
    vn_lines.append((0.0, 0.0, 1.0))
    vn_lines.append((0.0, 0.0, -1.0))

    def corner(v, vt, vn):
        return "%d/%d/%d" % (v, vt, vn)

    side_faces = []
    for r in range(rings):
        for j in range(n):
            # a, b at the lower row, c, d above; counter-clockwise from outside.
            a = corner(side_v(r, j), side_vt(r, j), j % n + 1)
            b = corner(side_v(r, j + 1), side_vt(r, j + 1), (j + 1) % n + 1)
            c = corner(side_v(r + 1, j + 1), side_vt(r + 1, j + 1), (j + 1) % n + 1)
            d = corner(side_v(r + 1, j), side_vt(r + 1, j), j % n + 1)
            side_faces.append((a, b, c))
            side_faces.append((a, c, d))

    def cap_faces(cap, vn):
        vi, ti = cap_v[cap], cap_vt[cap]
        faces = []

        def cn(k, j):
            return corner(vi(k, j), ti(k, j), vn)
        for j in range(n):
            faces.append((cn(0, 0), cn(1, j), cn(1, j + 1)))
            for k in range(1, K):
                # inner a, b and outer d, c; counter-clockwise seen from +z.
                a, b, c, d = cn(k, j), cn(k, j + 1), cn(k + 1, j + 1), cn(k + 1, j)
                faces.append((a, d, c))
                faces.append((a, c, b))
        if cap == "bottom":
            faces = [(f[0], f[2], f[1]) for f in faces]
        return faces

    top_faces = cap_faces("top", vn_top)
    bottom_faces = cap_faces("bottom", vn_bottom)

    nf = len(side_faces) + len(top_faces) + len(bottom_faces)
    lines = ["# made by %s textured-cylinder --segments %d --rings %d --cap-rings %d"
             % (PROGRAM, segments, rings, cap_rings),
             "# %d vertices, %d triangles" % (len(v_lines), nf),
             "mtllib %s.mtl" % name,
             "o cylinder"]
    lines.extend("v %s %s %s" % tuple(fixed6(x) for x in p) for p in v_lines)
    lines.extend("vt %s %s" % tuple(fixed6(x) for x in t) for t in vt_lines)
    lines.extend("vn %s %s %s" % tuple(fixed6(x) for x in p) for p in vn_lines)
    for group, material, faces in (("side", "side", side_faces), ("top", "cap", top_faces),
                                   ("bottom", "cap", bottom_faces)):
        lines.append("g %s" % group)
        lines.append("usemtl %s" % material)
        lines.extend("f %s %s %s" % f for f in faces)
    counts = {"v": len(v_lines), "vt": len(vt_lines), "vn": len(vn_lines), "f": nf,
              "side": len(side_faces), "top": len(top_faces), "bottom": len(bottom_faces)}
    return "\n".join(lines) + "\n", counts


def mtl_text(name):
    """Two materials, both textured with NAME.png: a matte one for the side and
    a shinier, slightly darker one for the caps."""
    out = ["# made by %s" % PROGRAM]
    for material, kd, ks, ns in (("side", "1.000000", "0.100000", "10.000000"),
                                 ("cap", "0.900000", "0.500000", "50.000000")):
        out += ["",
                "newmtl %s" % material,
                "Ka 0.200000 0.200000 0.200000",
                "Kd %s %s %s" % (kd, kd, kd),
                "Ks %s %s %s" % (ks, ks, ks),
                "Ns %s" % ns,
                "illum 2",
                "map_Kd %s.png" % name]
    return "\n".join(out) + "\n"


def cmd_textured_cylinder(args):
    if args.segments < 3 or args.rings < 1:
        sys.exit("%s: --segments must be at least 3 and --rings at least 1" % PROGRAM)
    cap_rings = args.cap_rings
    if cap_rings is None:
        # Rings about as far apart as the segments are at the rim.
        cap_rings = max(1, int(round(args.segments / (2.0 * math.pi))))
    if cap_rings < 1:
        sys.exit("%s: --cap-rings must be at least 1" % PROGRAM)
    stem, _ = os.path.splitext(args.output)
    name = os.path.basename(stem)
    text, counts = cylinder_obj(name, args.segments, args.rings, cap_rings)
    for path, payload in ((args.output, text.encode("ascii")),
                          (stem + ".mtl", mtl_text(name).encode("ascii")),
                          (stem + ".png", texture_png())):
        with open(path, "wb") as f:
            f.write(payload)
    print("%s: %d vertices, %d faces (side %d, top %d, bottom %d), %d texture coordinates, "
          "%d normals; %s.mtl, %s.png (%dx%d)"
          % (args.output, counts["v"], counts["f"], counts["side"], counts["top"],
             counts["bottom"], counts["vt"], counts["vn"], name, name,
             TEXTURE_SIZE, TEXTURE_SIZE))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = ap.add_subparsers(dest="command", required=True)
    p = sub.add_parser("coloured", help="a mesh as PLY with vertex normals and colours")
    p.add_argument("input", help="SMF, OFF or PLY triangle mesh")
    p.add_argument("output", help="the PLY file to write")
    p.add_argument("--ascii", action="store_true", help="write text PLY (default binary little-endian)")
    p.set_defaults(run=cmd_coloured)
    p = sub.add_parser("textured-cylinder", help="a textured closed cylinder as OBJ + MTL + PNG")
    p.add_argument("output", help="the OBJ file; NAME.mtl and NAME.png go beside it")
    p.add_argument("--segments", type=int, default=128, help="points around (default 128)")
    p.add_argument("--rings", type=int, default=40, help="quad rows on the side (default 40)")
    p.add_argument("--cap-rings", type=int, default=None,
                   help="concentric rings per cap, rim included (default segments / 2 pi)")
    p.set_defaults(run=cmd_textured_cylinder)
    args = ap.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
