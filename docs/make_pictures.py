#!/usr/bin/python3
"""Makes the README pictures from real zeq runs and a bench/run table.

    docs/make_pictures [--zeq build/release/zeq] [--bench docs/bench.tsv] [--out docs]

For every mesh listed in MESHES it runs the given zeq binary three times
(-N at 20 %, 5 % and 1 % of the input's faces), reads the written files back
and draws the input and the three results side by side, flat shaded with the
triangle edges drawn, from one fixed camera per mesh, with the face count of
each file under its view. The chart shows the whole-run wall time and the peak
memory of zeq against the input face count, with the I/O yardstick (the parse
and format times of zeq_io_baseline) and, when the table has the peer_wall_s /
peer_peak_kb columns, the peer.

With --attributes-only it makes instead the pictures of meshes that carry
attributes: data/make_attributed.py writes a bunny with vertex colours (PLY)
and a textured cylinder (OBJ, MTL, PNG) into a temporary folder, zeq
simplifies them at the same fractions, and each is drawn with its colours or
its texture (attribute_figure). Until zeq writes those attributes back, it
lists which outputs are missing and exits with 0, leaving every picture as it
was.

Everything is read from local files; nothing is downloaded. Needs numpy and
matplotlib (Debian: python3-matplotlib); docs/make_pictures installs them.
"""

import argparse
import csv
import io
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.collections import PolyCollection  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# name, input file (relative to the source tree), camera (turn about the
# vertical axis, then tilt towards the viewer, in degrees), title
MESHES = [
    ("bunny", "tests/e2e/meshes/bunny.smf", (0.0, 0.0, 15.0),
     "Stanford bunny (closed)"),
    ("fandisk", "tests/e2e/meshes/fandisk.smf", (-90.0, 40.0, 25.0),
     "fandisk (closed, sharp features)"),
    ("elephant_with_holes", "tests/e2e/meshes/elephant_with_holes.off", (20.0, 10.0, 0.0),
     "elephant with holes (1,353 boundary edges, whose vertices never move)"),
]

# Meshes with attributes, made by data/make_attributed.py: picture name, the
# generator's arguments before the output name, output name, camera, title.
ATTRIBUTE_MESHES = [
    ("bunny_colours", ["coloured", "tests/e2e/meshes/bunny.smf"], "bunny_coloured.ply",
     (0.0, 0.0, 15.0), "Stanford bunny with vertex colours"),
    ("cylinder_texture", ["textured-cylinder"], "cylinder.obj", (-61.0, -27.0, -75.0),
     "textured cylinder (UV seam facing, hard-edged rims, two materials)"),
]
FRACTIONS = [1.0, 0.20, 0.05, 0.01]
PANEL_PX = 500          # each view is PANEL_PX square; four views side by side
DPI = 100
FACE_RGB = np.array([0.62, 0.74, 0.90])
EDGE_RGB = (0.10, 0.13, 0.20)
LIGHT = np.array([-0.35, 0.45, 0.82])


# ---- mesh files ----------------------------------------------------------------

def read_mesh(path):
    """Returns (vertices Nx3, faces Mx3 0-based) of an SMF or OFF file.

    Only what zeq writes and the bundled meshes hold: SMF v/f records, OFF with
    a keyword line, a counts line and "3 i j k" faces."""
    with open(path, "r") as f:
        text = f.read()
    if path.lower().endswith("off"):
        items = text.split()
        nv, nf = int(items[1]), int(items[2])
        pos = 4
        verts = np.array(items[pos:pos + 3 * nv], dtype=float).reshape(nv, 3)
        pos += 3 * nv
        faces = np.array(items[pos:pos + 4 * nf], dtype=np.int64).reshape(nf, 4)[:, 1:]
        return verts, faces
    verts, faces = [], []
    for line in text.splitlines():
        parts = line.split()
        if not parts:
            continue
        if parts[0] == "v":
            verts.append([float(x) for x in parts[1:4]])
        elif parts[0] == "f":
            faces.append([int(x) - 1 for x in parts[1:4]])
    return np.array(verts, dtype=float), np.array(faces, dtype=np.int64)


def simplify(zeq, src, count, workdir):
    """Runs zeq -N count src out and returns the output file name."""
    ext = ".off" if src.lower().endswith("off") else ".smf"
    out = os.path.join(workdir, "%s-%d%s" % (os.path.basename(src).rsplit(".", 1)[0], count, ext))
    run = subprocess.run([zeq, "-N", str(count), src, out], stdout=subprocess.PIPE, text=True)
    if run.returncode != 0:
        sys.exit("make_pictures: %s -N %d %s failed (status %d):\n%s"
                 % (zeq, count, src, run.returncode, run.stdout))
    return out


# ---- rendering -------------------------------------------------------------------

def rotation(yaw, pitch, roll):
    """Camera rotation: about y (yaw), then x (pitch), then z (roll), degrees."""
    a, b, c = (math.radians(t) for t in (yaw, pitch, roll))
    ry = np.array([[math.cos(a), 0, math.sin(a)], [0, 1, 0], [-math.sin(a), 0, math.cos(a)]])
    rx = np.array([[1, 0, 0], [0, math.cos(b), -math.sin(b)], [0, math.sin(b), math.cos(b)]])
    rz = np.array([[math.cos(c), -math.sin(c), 0], [math.sin(c), math.cos(c), 0], [0, 0, 1]])
    return rz @ rx @ ry


def draw_mesh(ax, verts, faces, rot, centre, half, face_rgb=None):
    """Orthographic view along -z after rot; painter's order (far faces first),
    two-sided Lambert shading, every triangle outlined.

    face_rgb, an M x 3 array in 0..1, gives each face its own colour before
    shading (and outlines it in a darker shade of it, so the outlines show the
    triangles without hiding the colours); by default all faces are FACE_RGB
    with dark outlines."""
    v = (verts - centre) @ rot.T
    tri = v[faces]                                   # M x 3 x 3
    n = np.cross(tri[:, 1] - tri[:, 0], tri[:, 2] - tri[:, 0])
    length = np.linalg.norm(n, axis=1)
    length[length == 0] = 1.0
    n /= length[:, None]
    light = LIGHT / np.linalg.norm(LIGHT)
    # A face seen from behind is lit as seen from the front, so the picture
    # does not depend on which way the file winds its faces.
    facing = np.where(n[:, 2] < 0, -1.0, 1.0)
    lambert = np.clip((n * facing[:, None]) @ light, 0.0, 1.0)
    shade = 0.30 + 0.70 * lambert
    if face_rgb is None:
        colours = np.clip(FACE_RGB[None, :] * shade[:, None] + 0.08 * lambert[:, None] ** 8, 0, 1)
    else:
        colours = np.clip(face_rgb * shade[:, None] + 0.08 * lambert[:, None] ** 8, 0, 1)
    order = np.argsort(tri[:, :, 2].mean(axis=1))   # far (small z) first
    polys = tri[order][:, :, :2]
    edges = EDGE_RGB if face_rgb is None else colours[order] * 0.55
    ax.add_collection(PolyCollection(polys, facecolors=colours[order], edgecolors=edges,
                                     linewidths=0.35, antialiaseds=True))
    ax.set_xlim(-half, half)
    ax.set_ylim(-half, half)
    ax.set_aspect("equal")
    ax.axis("off")


def save_png(fig, path):
    """Saves the figure as a palette PNG (a fraction of the RGBA size)."""
    buf = io.BytesIO()
    fig.savefig(buf, format="png", dpi=DPI, facecolor="white")
    plt.close(fig)
    try:
        from PIL import Image
    except ImportError:
        with open(path, "wb") as f:
            f.write(buf.getvalue())
        return
    buf.seek(0)
    img = Image.open(buf).convert("RGB").quantize(colors=256, method=Image.Quantize.MEDIANCUT,
                                                  dither=Image.Dither.NONE)
    img.save(path, optimize=True)


def render_mesh(zeq, name, src, camera, title, outdir, workdir):
    verts, faces = read_mesh(src)
    total = len(faces)
    views = [(verts, faces)]
    counts = [None]
    for frac in FRACTIONS[1:]:
        counts.append(max(1, int(round(total * frac))))
        views.append(read_mesh(simplify(zeq, src, counts[-1], workdir)))
    rot = rotation(*camera)
    # Frame every view with the input's extent so the four compare.
    used = verts[np.unique(faces)]
    rv = (used @ rot.T)
    lo, hi = rv.min(axis=0), rv.max(axis=0)
    centre = ((lo + hi) / 2) @ rot            # back to model coordinates
    half = 0.53 * max(hi[0] - lo[0], hi[1] - lo[1])

    fig = plt.figure(figsize=(4 * PANEL_PX / DPI, (PANEL_PX + 80) / DPI), dpi=DPI)
    fig.suptitle("%s: zeq -N at 100 %%, 20 %%, 5 %%, 1 %% of %s faces" % (title, format(total, ",")),
                 fontsize=15, y=0.985)
    for i, ((v, f), frac, asked) in enumerate(zip(views, FRACTIONS, counts)):
        ax = fig.add_axes([i / 4, 50 / (PANEL_PX + 80), 1 / 4, PANEL_PX / (PANEL_PX + 80)])
        draw_mesh(ax, v, f, rot, centre, half)
        label = "%s faces" % format(len(f), ",")
        label += " (input)" if asked is None else " (-N %d, %g %%)" % (asked, frac * 100)
        fig.text((i + 0.5) / 4, 18 / (PANEL_PX + 80), label, ha="center", va="center", fontsize=14)
    path = os.path.join(outdir, "%s.png" % name)
    save_png(fig, path)
    print("%s: %d, %s faces" % (path, total, ", ".join(str(len(f)) for _, f in views[1:])))


# ---- meshes with attributes --------------------------------------------------------

PLY_DTYPES = {
    "char": "i1", "int8": "i1", "uchar": "u1", "uint8": "u1",
    "short": "i2", "int16": "i2", "ushort": "u2", "uint16": "u2",
    "int": "i4", "int32": "i4", "uint": "u4", "uint32": "u4",
    "float": "f4", "float32": "f4", "double": "f8", "float64": "f8",
}
PLY_UV_NAMES = [("s", "t"), ("u", "v"), ("texture_u", "texture_v"), ("texture_s", "texture_t")]


def fan_polygons(polys):
    """Splits each polygon (a list of corners) into the triangles (c0, ck, ck+1);
    returns the triangles and, for each, the index of its polygon."""
    tris, owner = [], []
    for p, poly in enumerate(polys):
        for k in range(1, len(poly) - 1):
            tris.append((poly[0], poly[k], poly[k + 1]))
            owner.append(p)
    return tris, owner


def read_ply_attributed(path):
    """Reads a PLY file (text, or binary in either byte order).

    Returns a dict with "verts" (N x 3), "faces" (M x 3, polygons fanned),
    "vertex_rgb" (N x 3 in 0..1, from red/green/blue or diffuse_red/...; or
    None), "face_uv" (M x 3 x 2 from a face "texcoord" list of 2 values a
    corner or from vertex s/t, u/v, texture_u/texture_v; or None), and
    "textures" ([file named by a "comment TextureFile" line] or [])."""
    with open(path, "rb") as f:
        data = f.read()
    end = data.find(b"end_header")
    if not data.startswith(b"ply") or end < 0:
        raise ValueError("%s: not a PLY file" % path)
    pos = data.index(b"\n", end) + 1
    fmt, elements, texture = None, [], None
    for line in data[:end].decode("latin-1").splitlines():
        parts = line.split()
        if not parts:
            continue
        if parts[0] == "format":
            fmt = parts[1]
        elif parts[0] == "comment" and len(parts) > 2 and parts[1].lower() == "texturefile":
            texture = line.split(None, 2)[2].strip()
        elif parts[0] == "element":
            elements.append((parts[1], int(parts[2]), []))
        elif parts[0] == "property":
            if parts[1] == "list":
                elements[-1][2].append((parts[4], (PLY_DTYPES[parts[2]], PLY_DTYPES[parts[3]])))
            else:
                elements[-1][2].append((parts[2], PLY_DTYPES[parts[1]]))
    values = {}
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
                        rec[pname] = [float(x) for x in tokens[k + 1:k + 1 + n]]
                        k += 1 + n
                    else:
                        rec[pname] = float(tokens[k])
                        k += 1
                records.append(rec)
            values[name] = records
    elif fmt in ("binary_little_endian", "binary_big_endian"):
        order = "<" if fmt == "binary_little_endian" else ">"
        for name, count, props in elements:
            values[name], pos = read_ply_binary_element(data, pos, count, props, order)
    else:
        raise ValueError("%s: unknown PLY format %r" % (path, fmt))

    def column(records, key):
        if isinstance(records, np.ndarray):
            return records[key].astype(float)
        return np.array([r[key] for r in records], dtype=float)

    types = {name: dict(props) for name, _, props in elements}
    vtypes, ftypes = types.get("vertex", {}), types.get("face", {})
    vrec = values["vertex"]
    verts = np.stack([column(vrec, a) for a in "xyz"], axis=1) if len(vrec) else np.zeros((0, 3))
    frec = values.get("face", [])
    key = "vertex_indices" if "vertex_indices" in ftypes else "vertex_index"
    if isinstance(frec, np.ndarray):
        polys = frec[key].astype(np.int64).tolist()       # one corner count for all
    else:
        polys = [[int(i) for i in r[key]] for r in frec]
    tris, owner = fan_polygons(polys)
    faces = np.array(tris, dtype=np.int64).reshape(-1, 3)

    rgb = None
    for names in (("red", "green", "blue"), ("diffuse_red", "diffuse_green", "diffuse_blue")):
        if all(n in vtypes for n in names):
            rgb = np.stack([column(vrec, n) for n in names], axis=1)
            # Integer channels run to their type's maximum (255 for uchar);
            # float channels are 0..1 already.
            kind = np.dtype(vtypes[names[0]])
            if kind.kind in "ui":
                rgb = rgb / float(np.iinfo(kind).max)
            break

    face_uv = None
    if "texcoord" in ftypes:
        if isinstance(frec, np.ndarray):
            uv_polys = frec["texcoord"].astype(float).reshape(len(frec), -1, 2)
        else:
            uv_polys = [np.array(r["texcoord"], dtype=float).reshape(-1, 2) for r in frec]
        uv = []
        for p, poly in enumerate(polys):
            for k in range(1, len(poly) - 1):
                uv.append([uv_polys[p][0], uv_polys[p][k], uv_polys[p][k + 1]])
        face_uv = np.array(uv, dtype=float).reshape(-1, 3, 2)
    else:
        for su, sv in PLY_UV_NAMES:
            if su in vtypes and sv in vtypes:
                vuv = np.stack([column(vrec, su), column(vrec, sv)], axis=1)
                face_uv = vuv[faces]
                break
    return {"verts": verts, "faces": faces, "vertex_rgb": rgb, "face_uv": face_uv,
            "face_texture": np.zeros(len(faces), dtype=np.int64) if face_uv is not None else None,
            "textures": [resolve_texture(path, texture)] if texture and face_uv is not None else [],
            "face_kd": None}


def read_ply_binary_element(data, pos, count, props, order):
    """Reads one binary element. When its lists have the same length in every
    record (the usual triangles, texcoord lists of 6) the whole element is one
    numpy structured read; otherwise records are read one by one as dicts.
    Returns (records, position after the element)."""
    if count == 0:
        return [], pos
    fields, probe = [], pos
    fixed = True
    for pname, ptype in props:
        if isinstance(ptype, tuple):
            count_dt = np.dtype(order + ptype[0])
            n = int(np.frombuffer(data, count_dt, 1, probe)[0])
            fields.append((pname + "#n", count_dt))
            fields.append((pname, np.dtype(order + ptype[1]), (n,)))
            probe += count_dt.itemsize + n * np.dtype(ptype[1]).itemsize
        else:
            fields.append((pname, np.dtype(order + ptype)))
            probe += np.dtype(ptype).itemsize
    dtype = np.dtype(fields)
    if pos + dtype.itemsize * count <= len(data):
        arr = np.frombuffer(data, dtype, count, pos)
        for pname, ptype in props:
            if isinstance(ptype, tuple) and not np.all(arr[pname + "#n"] == dtype[pname].shape[0]):
                fixed = False
        if fixed:
            return arr, pos + dtype.itemsize * count
    records = []
    for _ in range(count):
        rec = {}
        for pname, ptype in props:
            if isinstance(ptype, tuple):
                count_dt = np.dtype(order + ptype[0])
                n = int(np.frombuffer(data, count_dt, 1, pos)[0])
                pos += count_dt.itemsize
                item = np.dtype(order + ptype[1])
                rec[pname] = np.frombuffer(data, item, n, pos).tolist()
                pos += n * item.itemsize
            else:
                item = np.dtype(order + ptype)
                rec[pname] = np.frombuffer(data, item, 1, pos)[0].item()
                pos += item.itemsize
        records.append(rec)
    return records, pos


def resolve_texture(base_file, name):
    """The path of a texture named in base_file (relative names are taken from
    base_file's folder)."""
    if os.path.isabs(name):
        return name
    return os.path.join(os.path.dirname(os.path.abspath(base_file)), name)


def read_mtl(path):
    """Returns {material: (Kd as 3 floats or None, texture path or None)}."""
    materials, current = {}, None
    with open(path, "r", errors="replace") as f:
        for line in f:
            parts = line.split()
            if not parts:
                continue
            if parts[0] == "newmtl":
                current = line.split(None, 1)[1].strip()
                materials[current] = [None, None]
            elif current is None:
                continue
            elif parts[0] == "Kd" and len(parts) >= 4:
                materials[current][0] = tuple(float(x) for x in parts[1:4])
            elif parts[0] == "map_Kd" and len(parts) >= 2:
                # Options (-s 1 1 1, -clamp on, ...) may come first; the file
                # name is the last item.
                materials[current][1] = resolve_texture(path, parts[-1])
    return {k: tuple(v) for k, v in materials.items()}


def read_obj_attributed(path):
    """Reads an OBJ file: v, vt, f with corners v, v/vt, v//vn or v/vt/vn
    (negative indices counted back from the last), polygons fanned, usemtl and
    mtllib (the libraries are read from the OBJ's folder).

    Returns the dict of read_ply_attributed, with "face_uv" None unless every
    face has texture coordinates, "face_texture" the index into "textures"
    for each face (-1 for a material without a texture) and "face_kd" the
    materials' diffuse colours (M x 3, or None when no material has one)."""
    verts, uvs, polys, poly_uv, poly_mat = [], [], [], [], []
    material, libraries = None, []
    with open(path, "r", errors="replace") as f:
        for line in f:
            parts = line.split("#", 1)[0].split()
            if not parts:
                continue
            key = parts[0]
            if key == "v":
                verts.append([float(x) for x in parts[1:4]])
            elif key == "vt":
                uvs.append([float(x) for x in parts[1:3]] + [0.0] * (2 - len(parts[1:3])))
            elif key == "f":
                vi, ti = [], []
                for corner in parts[1:]:
                    items = corner.split("/")
                    v = int(items[0])
                    vi.append(v - 1 if v > 0 else len(verts) + v)
                    if len(items) > 1 and items[1]:
                        t = int(items[1])
                        ti.append(t - 1 if t > 0 else len(uvs) + t)
                polys.append(vi)
                poly_uv.append(ti if len(ti) == len(vi) else None)
                poly_mat.append(material)
            elif key == "usemtl":
                material = line.split(None, 1)[1].strip() if len(parts) > 1 else None
            elif key == "mtllib":
                libraries.extend(parts[1:])
    materials = {}
    for lib in libraries:
        lib_path = resolve_texture(path, lib)
        if os.path.exists(lib_path):
            materials.update(read_mtl(lib_path))
    tris, owner = fan_polygons(polys)
    faces = np.array(tris, dtype=np.int64).reshape(-1, 3)
    face_uv = None
    if polys and all(t is not None for t in poly_uv) and uvs:
        uv_tris, _ = fan_polygons(poly_uv)
        face_uv = np.array(uvs, dtype=float)[np.array(uv_tris, dtype=np.int64).reshape(-1, 3)]
    textures, face_texture, face_kd, any_kd = [], [], [], False
    for p in owner:
        kd, tex = materials.get(poly_mat[p], (None, None))
        if tex is not None and tex not in textures:
            textures.append(tex)
        face_texture.append(textures.index(tex) if tex is not None else -1)
        any_kd = any_kd or kd is not None
        face_kd.append(kd if kd is not None else tuple(FACE_RGB))
    return {"verts": np.array(verts, dtype=float).reshape(-1, 3), "faces": faces,
            "vertex_rgb": None, "face_uv": face_uv,
            "face_texture": np.array(face_texture, dtype=np.int64) if face_uv is not None else None,
            "textures": textures if face_uv is not None else [],
            "face_kd": np.array(face_kd, dtype=float) if any_kd else None}


def read_attributed(path):
    """Reads a PLY, OBJ, SMF or OFF file into the dict of read_ply_attributed
    (SMF and OFF carry no attributes)."""
    lower = path.lower()
    if lower.endswith(".ply"):
        return read_ply_attributed(path)
    if lower.endswith(".obj"):
        return read_obj_attributed(path)
    verts, faces = read_mesh(path)
    return {"verts": verts, "faces": faces, "vertex_rgb": None, "face_uv": None,
            "face_texture": None, "textures": [], "face_kd": None}


def read_texture(path):
    """An image as an H x W x 3 float array in 0..1 (alpha dropped, grey
    expanded), top row first."""
    import matplotlib.image as mpimg
    img = np.asarray(mpimg.imread(path))
    if img.dtype.kind in "ui":
        img = img.astype(float) / np.iinfo(img.dtype).max
    if img.ndim == 2:
        img = np.stack([img] * 3, axis=2)
    return img[:, :, :3].astype(float)


def sample_texture(img, uv):
    """The texel nearest each (u, v), OBJ convention: v = 0 at the image's
    bottom; the texture repeats outside 0..1."""
    h, w = img.shape[:2]
    u = uv[:, 0] - np.floor(uv[:, 0])
    v = uv[:, 1] - np.floor(uv[:, 1])
    x = np.minimum((u * w).astype(np.int64), w - 1)
    y = np.minimum(((1.0 - v) * h).astype(np.int64), h - 1)
    return img[y, x]


def face_colours(mesh, textures=None):
    """Each face's colour before shading: for a textured mesh the texture at
    the face's centroid in UV, for a mesh with vertex colours the mean of its
    corners' colours; else the materials' Kd, else None (the plain colour).
    textures caches the loaded images by path."""
    faces = mesh["faces"]
    if mesh["face_uv"] is not None and mesh["textures"]:
        textures = {} if textures is None else textures
        base = mesh["face_kd"] if mesh["face_kd"] is not None else np.tile(FACE_RGB, (len(faces), 1))
        rgb = base.copy()
        centroid = mesh["face_uv"].mean(axis=1)
        for k, tex in enumerate(mesh["textures"]):
            if tex not in textures:
                textures[tex] = read_texture(tex)
            sel = mesh["face_texture"] == k
            rgb[sel] = sample_texture(textures[tex], centroid[sel])
        return rgb
    if mesh["vertex_rgb"] is not None:
        return mesh["vertex_rgb"][faces].mean(axis=1)
    return mesh["face_kd"]


def draw_coloured_mesh(ax, verts, faces, vertex_rgb, rot, centre, half):
    """A mesh with per-vertex colours: each face takes the mean of its corners'
    colours, then the flat shading of draw_mesh."""
    draw_mesh(ax, verts, faces, rot, centre, half, face_rgb=vertex_rgb[faces].mean(axis=1))


def draw_textured_mesh(ax, verts, faces, face_uv, texture, rot, centre, half):
    """A textured mesh: each face takes the texture's colour (texture: an
    H x W x 3 array, or a file name) at its centroid in UV, then the flat
    shading of draw_mesh."""
    img = read_texture(texture) if isinstance(texture, str) else texture
    draw_mesh(ax, verts, faces, rot, centre, half,
              face_rgb=sample_texture(img, face_uv.mean(axis=1)))


def attribute_figure(entries, out_png, camera=(0.0, 0.0, 15.0), title=None):
    """Draws the meshes of entries, (title, path) pairs, side by side into
    out_png: with their texture when they have texture coordinates and one
    (OBJ materials' map_Kd, PLY "comment TextureFile"), else with their vertex
    colours, else with their materials' colours, else plain. Every view uses
    the camera (yaw, pitch, roll as in rotation) and the first mesh's extent,
    so views of one mesh at several sizes compare; each has its title above
    and its face count below. A mesh whose own texture file is missing uses
    the texture of the entry before it, if any (a simplified OBJ written
    away from its material library)."""
    meshes = [read_attributed(path) for _, path in entries]
    textures, last_textures = {}, []
    for mesh in meshes:
        if mesh["face_uv"] is not None:
            if mesh["textures"] and all(os.path.exists(t) for t in mesh["textures"]):
                last_textures = mesh["textures"]
            elif last_textures:
                mesh["textures"] = last_textures
                mesh["face_texture"] = np.zeros(len(mesh["faces"]), dtype=np.int64)
    rot = rotation(*camera)
    first = meshes[0]
    used = first["verts"][np.unique(first["faces"])]
    rv = used @ rot.T
    lo, hi = rv.min(axis=0), rv.max(axis=0)
    centre = ((lo + hi) / 2) @ rot
    half = 0.53 * max(hi[0] - lo[0], hi[1] - lo[1])

    n = len(entries)
    top = 40 + (40 if title else 0)
    height = PANEL_PX + 50 + top
    fig = plt.figure(figsize=(n * PANEL_PX / DPI, height / DPI), dpi=DPI)
    if title:
        fig.suptitle(title, fontsize=15, y=1 - 22 / height)
    for i, ((name, _), mesh) in enumerate(zip(entries, meshes)):
        ax = fig.add_axes([i / n, 50 / height, 1 / n, PANEL_PX / height])
        draw_mesh(ax, mesh["verts"], mesh["faces"], rot, centre, half,
                  face_rgb=face_colours(mesh, textures))
        fig.text((i + 0.5) / n, (50 + PANEL_PX + 18) / height, name, ha="center", va="center",
                 fontsize=13)
        fig.text((i + 0.5) / n, 18 / height, "%s faces" % format(len(mesh["faces"]), ","),
                 ha="center", va="center", fontsize=14)
    save_png(fig, out_png)


def carries_attributes(path):
    """Why the file lacks the attributes its input had, or None when it has them:
    a PLY needs vertex colours, an OBJ texture coordinates on every face and a
    texture reachable through its materials."""
    if not os.path.exists(path):
        return "not written"
    try:
        mesh = read_attributed(path)
    except (ValueError, KeyError, IndexError) as err:
        return "unreadable (%s)" % err
    if path.lower().endswith(".ply"):
        return None if mesh["vertex_rgb"] is not None else "no vertex colours"
    if mesh["face_uv"] is None:
        return "no texture coordinates"
    if not mesh["textures"] or not all(os.path.exists(t) for t in mesh["textures"]):
        return "no material with a texture that exists"
    return None


def attribute_pictures(zeq, outdir, workdir):
    """Makes the ATTRIBUTE_MESHES pictures: generates each input with
    data/make_attributed.py, simplifies it with zeq at FRACTIONS and draws the
    views with attribute_figure. Nothing is written to outdir unless every zeq
    output carries its attributes; otherwise the missing ones are listed and
    the function returns False."""
    generator = os.path.join(ROOT, "data", "make_attributed.py")
    missing, figures = [], []
    for name, gen_args, out_name, camera, title in ATTRIBUTE_MESHES:
        src = os.path.join(workdir, out_name)
        args = [a if i == 0 else os.path.join(ROOT, a) for i, a in enumerate(gen_args)]
        subprocess.run([sys.executable, generator] + args + [src], check=True,
                       stdout=subprocess.DEVNULL)
        total = len(read_attributed(src)["faces"])
        entries = [("input", src)]
        for frac in FRACTIONS[1:]:
            count = max(1, int(round(total * frac)))
            stem, ext = os.path.splitext(out_name)
            out = os.path.join(workdir, "%s-%d%s" % (stem, count, ext))
            if zeq is None:
                missing.append("%s -N %d (no zeq binary)" % (out_name, count))
                continue
            run = subprocess.run([zeq, "-N", str(count), src, out], stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True)
            why = ("zeq exited with status %d" % run.returncode if run.returncode != 0
                   else carries_attributes(out))
            if why:
                missing.append("%s -N %d: %s" % (out_name, count, why))
            entries.append(("-N %d (%g %%)" % (count, frac * 100), out))
        figures.append((name, entries, camera, "%s: zeq -N at 100 %%, 20 %%, 5 %%, 1 %% of %s faces"
                        % (title, format(total, ","))))
    if missing:
        print("make_pictures: attribute pictures not made; these zeq outputs are missing "
              "or lack their attributes:")
        for line in missing:
            print("  " + line)
        return False
    os.makedirs(outdir, exist_ok=True)
    for name, entries, camera, title in figures:
        path = os.path.join(outdir, "%s.png" % name)
        attribute_figure(entries, path, camera=camera, title=title)
        print("%s: %s faces" % (path, ", ".join(
            str(len(read_attributed(p)["faces"])) for _, p in entries)))
    return True


# ---- bench chart -----------------------------------------------------------------

def number(row, key):
    value = row.get(key)
    if value is None or value in ("", "-"):
        return None
    try:
        return float(value)
    except ValueError:
        return None


def draw_bench(tsv, outdir):
    with open(tsv, newline="") as f:
        rows = [r for r in csv.DictReader(f, delimiter="\t") if r.get("status") == "0"]
    if not rows:
        sys.exit("make_pictures: no completed runs in %s" % tsv)
    # One format and one target fraction per chart: the first format of the
    # table and its 10 % runs (or the first fraction present).
    fmt = rows[0]["format"]
    rows = [r for r in rows if r["format"] == fmt]
    pcts = [round(100 * float(r["target"]) / float(r["faces"])) for r in rows]
    pct = 10 if 10 in pcts else pcts[0]
    rows = [r for r, p in zip(rows, pcts) if p == pct]
    has_peer = any(number(r, "peer_wall_s") is not None for r in rows)

    kinds = []
    for r in rows:
        kind = "blob" if r["mesh"].startswith("blob") else "torus"
        if kind not in kinds:
            kinds.append(kind)
    kind_style = {"torus": ("o", "-", "torus (regular grid)"),
                  "blob": ("s", "--", "blob, shuffled (irregular)")}
    tools = [("zeq", "#1f5fa8", lambda r: number(r, "wall_s"), lambda r: number(r, "peak_kb")),
             ("I/O yardstick (parse + format)", "#999999",
              lambda r: (None if number(r, "parse_s") is None or number(r, "format_s") is None
                         else number(r, "parse_s") + number(r, "format_s")),
              None)]
    if has_peer:
        tools.append(("peer", "#c8553d", lambda r: number(r, "peer_wall_s"),
                      lambda r: number(r, "peer_peak_kb")))

    fig, (ax_t, ax_m) = plt.subplots(1, 2, figsize=(12, 5.2), dpi=DPI)
    for kind in kinds:
        marker, style, kind_label = kind_style[kind]
        sel = sorted((r for r in rows if (r["mesh"].startswith("blob")) == (kind == "blob")),
                     key=lambda r: float(r["faces"]))
        for label, colour, time_of, mem_of in tools:
            for ax, get, scale in ((ax_t, time_of, 1.0), (ax_m, mem_of, 1 / 1024)):
                if get is None:
                    continue
                pts = [(float(r["faces"]), get(r)) for r in sel if get(r) is not None]
                if not pts:
                    continue
                ax.plot([p[0] for p in pts], [p[1] * scale for p in pts], marker=marker,
                        linestyle=style, color=colour, label="%s, %s" % (label, kind_label))
    for ax, ylabel, title in ((ax_t, "seconds (wall clock, whole run)", "Time"),
                              (ax_m, "peak resident memory, MB", "Peak memory")):
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_xlabel("input faces")
        ax.set_ylabel(ylabel)
        ax.set_title("%s, %s input, target %d %% of the faces" % (title, fmt.upper(), pct))
        ax.grid(True, which="both", alpha=0.3)
        ax.legend(fontsize=8, loc="upper left")
    note = "bench/run on a shared 2-core virtual machine: the figures are noisy. "
    note += "The yardstick has no memory figure." if not has_peer else \
        "The yardstick has no memory figure; peer: the peer_wall_s and peer_peak_kb columns."
    fig.text(0.5, 0.01, note, ha="center", fontsize=9, color="#444444")
    fig.tight_layout(rect=(0, 0.04, 1, 1))
    path = os.path.join(outdir, "bench.png")
    save_png(fig, path)
    print("%s: %d runs of %s, %d %%%s" % (path, len(rows), fmt, pct, ", with peer" if has_peer else ""))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--zeq", default=os.path.join(ROOT, "build/release/zeq"),
                    help="the zeq binary to run (default build/release/zeq)")
    ap.add_argument("--bench", default=os.path.join(ROOT, "docs/bench.tsv"),
                    help="a results TSV written by bench/run (default docs/bench.tsv)")
    ap.add_argument("--out", default=os.path.join(ROOT, "docs"), help="folder for the PNG files")
    ap.add_argument("--attributes-only", action="store_true",
                    help="make only the pictures of meshes with colours and textures; "
                         "if zeq's outputs lack them, list which and exit with 0")
    args = ap.parse_args()
    if args.attributes_only:
        zeq = os.path.abspath(args.zeq) if os.access(args.zeq, os.X_OK) else None
        if zeq is None:
            print("make_pictures: no zeq binary at %s" % args.zeq)
        with tempfile.TemporaryDirectory() as workdir:
            attribute_pictures(zeq, args.out, workdir)
        return
    if not os.access(args.zeq, os.X_OK):
        sys.exit("make_pictures: no zeq binary at %s (build it first)" % args.zeq)
    zeq = os.path.abspath(args.zeq)
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory() as workdir:
        for name, rel, camera, title in MESHES:
            render_mesh(zeq, name, os.path.join(ROOT, rel), camera, title, args.out, workdir)
    draw_bench(args.bench, args.out)


if __name__ == "__main__":
    main()
