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
its texture interpolated across every face, pixel by pixel (attribute_figure),
with each run's target and the faces it reached in the title and the face
count under each view (in red when the target was not reached). The
cylinder's picture has a second row: the same runs with --no-attributes,
whose files hold positions only; there each vertex takes the texture
coordinates of the nearest point of the input (uv_put_back), so the picture
shows where a texture would tear on a mesh that cannot carry seams. If
zeq's outputs lack the attributes, it lists which and exits with 0, leaving
every picture as it was.

Everything is read from local files; nothing is downloaded. Needs numpy and
matplotlib (Debian: python3-matplotlib); docs/make_pictures installs them.
"""

import argparse
import re
import csv
import io
import math
import os
import subprocess
import sys
import tempfile
import textwrap

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
# generator's arguments before the output name, output name, camera, title,
# which vertices zeq holds for the attributes (named in the title when a
# target is not reached), and whether a second row shows the runs with
# --no-attributes.
ATTRIBUTE_MESHES = [
    ("bunny_colours", ["coloured", "tests/e2e/meshes/bunny.smf"], "bunny_coloured.ply",
     (0.0, 0.0, 15.0), "Stanford bunny with vertex colours", None, False),
    ("cylinder_texture", ["textured-cylinder"], "cylinder.obj", (-61.0, -27.0, -75.0),
     "textured cylinder (UV seam facing, hard-edged rims, two materials)",
     "the vertices of the UV seam and of the rims are held", True),
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


def save_png(fig, path, dither=False):
    """Saves the figure as a palette PNG (a fraction of the RGBA size). With
    dither, the pixels are mapped onto the palette with Floyd-Steinberg error
    diffusion, which keeps smooth gradients (interpolated colours, shading)
    from breaking into flat patches, at up to twice the file size."""
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
    if dither:
        # quantize only diffuses the error when given a palette: the one just made.
        buf.seek(0)
        img = Image.open(buf).convert("RGB").quantize(palette=img,
                                                      dither=Image.Dither.FLOYDSTEINBERG)
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


# ---- error bounds ----------------------------------------------------------------

# The picture of "How far": one model, the input and three --max-error runs.
BOUNDS = ("fandisk_bounds", "tests/e2e/meshes/fandisk.smf", (-90.0, 40.0, 25.0),
          "fandisk", ["0.001", "0.003", "0.01"])


def render_bounds(zeq, outdir, workdir):
    """The input and zeq --max-error E for each E, side by side, each labelled
    with its face count and the distance bound the run printed."""
    name, rel, camera, title, errors = BOUNDS
    src = os.path.join(ROOT, rel)
    verts, faces = read_mesh(src)
    views, labels = [(verts, faces)], ["%s faces (input)" % format(len(faces), ",")]
    for e in errors:
        out = os.path.join(workdir, "%s-%s.smf" % (name, e))
        run = subprocess.run([zeq, "--max-error", e, src, out], stdout=subprocess.PIPE, text=True)
        if run.returncode != 0:
            sys.exit("make_pictures: %s --max-error %s %s failed (status %d):\n%s"
                     % (zeq, e, src, run.returncode, run.stdout))
        bound = re.search(r"Distance bound = (\S+) of the diagonal", run.stdout).group(1)
        views.append(read_mesh(out))
        labels.append("%s faces (--max-error %s, bound %s)" % (format(len(views[-1][1]), ","), e, bound))
    rot = rotation(*camera)
    rv = verts[np.unique(faces)] @ rot.T
    lo, hi = rv.min(axis=0), rv.max(axis=0)
    centre = ((lo + hi) / 2) @ rot
    half = 0.53 * max(hi[0] - lo[0], hi[1] - lo[1])
    n = len(views)
    fig = plt.figure(figsize=(n * PANEL_PX / DPI, (PANEL_PX + 80) / DPI), dpi=DPI)
    fig.suptitle("%s: zeq --max-error E (a fraction of the bounding-box diagonal), as far as the bound allows"
                 % title, fontsize=15, y=0.985)
    for i, ((v, f), label) in enumerate(zip(views, labels)):
        ax = fig.add_axes([i / n, 50 / (PANEL_PX + 80), 1 / n, PANEL_PX / (PANEL_PX + 80)])
        draw_mesh(ax, v, f, rot, centre, half)
        fig.text((i + 0.5) / n, 18 / (PANEL_PX + 80), label, ha="center", va="center", fontsize=12)
    path = os.path.join(outdir, "%s.png" % name)
    save_png(fig, path)
    print("%s: %s" % (path, "; ".join(labels)))


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


# ---- per-pixel rendering and texture coordinates put back ----------------------------

SUPERSAMPLE = 3         # each view is drawn SUPERSAMPLE times larger, then averaged down


def cross2(a, b):
    """The z component of the cross product of 2-vectors (last axis)."""
    return a[..., 0] * b[..., 1] - a[..., 1] * b[..., 0]


def rasterize(xy, depth, faces, size):
    """Which face each pixel of a size x size image shows, by a depth buffer.

    xy holds the vertices' image positions in pixels (x to the right, y down;
    the pixel in row j, column i is sampled at its centre (i + 0.5, j + 0.5)),
    depth their depths, larger nearer. Returns a size x size array of face
    indices, -1 where no face covers the pixel. A face seen edge-on covers
    nothing; where two faces are equally near, the same one wins on every
    run."""
    zbuf = np.full(size * size, -np.inf)
    ids = np.full(size * size, -1, dtype=np.int64)
    tri = xy[faces]
    tz = depth[faces]
    area = cross2(tri[:, 1] - tri[:, 0], tri[:, 2] - tri[:, 0])
    x0 = np.clip(np.ceil(tri[:, :, 0].min(axis=1) - 0.5), 0, size).astype(np.int64)
    x1 = np.clip(np.floor(tri[:, :, 0].max(axis=1) - 0.5), -1, size - 1).astype(np.int64)
    y0 = np.clip(np.ceil(tri[:, :, 1].min(axis=1) - 0.5), 0, size).astype(np.int64)
    y1 = np.clip(np.floor(tri[:, :, 1].max(axis=1) - 0.5), -1, size - 1).astype(np.int64)
    ok = (x1 >= x0) & (y1 >= y0) & (np.abs(area) > 1e-9)
    # Faces go in batches of like size: each scans the square, of a side that
    # is a power of two, at the top left of its bounding box.
    span = np.maximum(x1 - x0, y1 - y0) + 1
    side = np.left_shift(1, np.ceil(np.log2(np.maximum(span, 1))).astype(np.int64))
    steps = np.arange(int(side[ok].max()) if ok.any() else 1)
    for s in np.unique(side[ok]):
        group = np.nonzero(ok & (side == s))[0]
        batch = max(1, (1 << 19) // int(s * s))
        for start in range(0, len(group), batch):
            f = group[start:start + batch]
            gx = x0[f, None, None] + steps[None, None, :s]
            gy = y0[f, None, None] + steps[None, :s, None]
            px, py = gx + 0.5, gy + 0.5
            t = tri[f]
            ta, tb, tc = (t[:, k, None, None, :] for k in range(3))
            wa = ((tb[..., 0] - px) * (tc[..., 1] - py) - (tc[..., 0] - px) * (tb[..., 1] - py)) \
                / area[f, None, None]
            wb = ((tc[..., 0] - px) * (ta[..., 1] - py) - (ta[..., 0] - px) * (tc[..., 1] - py)) \
                / area[f, None, None]
            wc = 1.0 - wa - wb
            inside = ((wa >= -1e-9) & (wb >= -1e-9) & (wc >= -1e-9)
                      & (gx <= x1[f, None, None]) & (gy <= y1[f, None, None]))
            z = (wa * tz[f, 0, None, None] + wb * tz[f, 1, None, None]
                 + wc * tz[f, 2, None, None])[inside]
            pix = np.broadcast_to(gy * size + gx, inside.shape)[inside]
            face = np.broadcast_to(f[:, None, None], inside.shape)[inside]
            # The nearest sample of each pixel in the batch (lower face index
            # on a tie: lexsort is stable), then the depth buffer's test.
            order = np.lexsort((-z, pix))
            pix, z, face = pix[order], z[order], face[order]
            first = np.ones(len(pix), dtype=bool)
            first[1:] = pix[1:] != pix[:-1]
            pix, z, face = pix[first], z[first], face[first]
            nearer = z > zbuf[pix]
            zbuf[pix[nearer]] = z[nearer]
            ids[pix[nearer]] = face[nearer]
    return ids.reshape(size, size)


def draw_attributed(ax, mesh, rot, centre, half, textures):
    """Draws mesh (a dict of read_attributed) into ax as an image, in the view
    of draw_mesh. Each pixel takes the colour the surface has there: the
    texture at the texture coordinates interpolated across the face (the
    nearest texel), else the vertex colours interpolated across the face,
    else the face's material colour, else FACE_RGB. Lighting is draw_mesh's,
    one brightness per face, so the triangles show; so do their borders, a
    darker shade of the colour, drawn only where the face is seen. The image
    is made SUPERSAMPLE times larger and averaged down, which smooths the
    borders and the texture's steps. textures caches the images by path."""
    size = PANEL_PX * SUPERSAMPLE
    faces = mesh["faces"]
    v = (mesh["verts"] - centre) @ rot.T
    scale = size / (2.0 * half)
    xy = np.stack([(v[:, 0] + half) * scale, (half - v[:, 1]) * scale], axis=1)
    ids = rasterize(xy, v[:, 2], faces, size)

    tri = v[faces]
    n = np.cross(tri[:, 1] - tri[:, 0], tri[:, 2] - tri[:, 0])
    length = np.linalg.norm(n, axis=1)
    length[length == 0] = 1.0
    n /= length[:, None]
    facing = np.where(n[:, 2] < 0, -1.0, 1.0)
    lambert = np.clip((n * facing[:, None]) @ (LIGHT / np.linalg.norm(LIGHT)), 0.0, 1.0)
    shade = 0.30 + 0.70 * lambert

    rows, cols = np.nonzero(ids >= 0)
    fid = ids[rows, cols]
    p = np.stack([cols + 0.5, rows + 0.5], axis=1)
    t = xy[faces[fid]]
    area = cross2(t[:, 1] - t[:, 0], t[:, 2] - t[:, 0])
    wa = cross2(t[:, 1] - p, t[:, 2] - p) / area
    wb = cross2(t[:, 2] - p, t[:, 0] - p) / area
    w = np.stack([wa, wb, 1.0 - wa - wb], axis=1)

    if mesh["face_kd"] is not None:
        rgb = mesh["face_kd"][fid].astype(float)
    else:
        rgb = np.tile(FACE_RGB, (len(fid), 1))
    if mesh["face_uv"] is not None and mesh["textures"]:
        for k, tex in enumerate(mesh["textures"]):
            if tex not in textures:
                textures[tex] = read_texture(tex)
            sel = mesh["face_texture"][fid] == k
            uv = (w[sel, :, None] * mesh["face_uv"][fid[sel]]).sum(axis=1)
            rgb[sel] = sample_texture(textures[tex], uv)
    elif mesh["vertex_rgb"] is not None:
        rgb = (w[:, :, None] * mesh["vertex_rgb"][faces[fid]]).sum(axis=1)
    colour = np.clip(rgb * shade[fid, None] + 0.08 * lambert[fid, None] ** 8, 0, 1)

    # A face's border: its pixels next to a pixel (right, below, or the
    # background on any side) that shows something else.
    border = np.zeros(ids.shape, dtype=bool)
    border[:, :-1] |= ids[:, :-1] != ids[:, 1:]
    border[:-1, :] |= ids[:-1, :] != ids[1:, :]
    empty = ids < 0
    border[:, 1:] |= empty[:, :-1]
    border[1:, :] |= empty[:-1, :]
    colour[border[rows, cols]] *= 0.55

    img = np.ones((size, size, 3))
    img[rows, cols] = colour
    img = img.reshape(PANEL_PX, SUPERSAMPLE, PANEL_PX, SUPERSAMPLE, 3).mean(axis=(1, 3))
    ax.imshow(img, extent=(-half, half, -half, half), interpolation="nearest")
    ax.set_xlim(-half, half)
    ax.set_ylim(-half, half)
    ax.set_aspect("equal")
    ax.axis("off")


def closest_on_triangles(p, a, b, c):
    """For points p and triangles abc (n x 3 each, row by row): the squared
    distance from p to the nearest point of the triangle, that point's weights
    on a, b, c (n x 3), and the weights of p's projection onto the triangle's
    plane (n x 3; negative outside the triangle)."""
    e0, e1, d = b - a, c - a, p - a
    d00, d01, d11 = (e0 * e0).sum(1), (e0 * e1).sum(1), (e1 * e1).sum(1)
    d20, d21 = (d * e0).sum(1), (d * e1).sum(1)
    denom = d00 * d11 - d01 * d01
    safe = np.where(denom > 0, denom, 1.0)
    wb = np.where(denom > 0, (d11 * d20 - d01 * d21) / safe, 1 / 3)
    wc = np.where(denom > 0, (d00 * d21 - d01 * d20) / safe, 1 / 3)
    plane = np.stack([1.0 - wb - wc, wb, wc], axis=1)
    # Inside: the projection. Outside: the nearest point of the three sides.
    candidates = []
    inside = (denom > 0) & (plane >= 0).all(axis=1)
    q = plane[:, :1] * a + plane[:, 1:2] * b + plane[:, 2:] * c
    candidates.append((np.where(inside, ((p - q) ** 2).sum(1), np.inf), plane))
    for i, (s, e) in enumerate(((a, b), (b, c), (c, a))):
        se = e - s
        length2 = (se * se).sum(1)
        u = np.clip(((p - s) * se).sum(1) / np.where(length2 > 0, length2, 1.0), 0.0, 1.0)
        q = s + u[:, None] * se
        weights = np.zeros((len(p), 3))
        weights[:, i] = 1.0 - u
        weights[:, (i + 1) % 3] = u
        candidates.append((((p - q) ** 2).sum(1), weights))
    dist = np.stack([c_[0] for c_ in candidates], axis=1)
    best = dist.argmin(axis=1)
    near = np.stack([c_[1] for c_ in candidates], axis=1)[np.arange(len(p)), best]
    return dist[np.arange(len(p)), best], near, plane


def nearest_faces(points, verts, faces, candidates=16):
    """For each point (n x 3), the face of the mesh (verts, faces) nearest to
    it, found among the faces with the nearest centroids; returns the face
    indices and the weights of the nearest point on each."""
    tri = verts[faces]
    centroid = tri.mean(axis=1)
    k = min(candidates, len(faces))
    best = np.zeros(len(points), dtype=np.int64)
    weights = np.zeros((len(points), 3))
    for start in range(0, len(points), 256):
        p = points[start:start + 256]
        d2 = ((p[:, None, :] - centroid[None, :, :]) ** 2).sum(axis=2)
        cand = np.argpartition(d2, k - 1, axis=1)[:, :k]
        flat = cand.ravel()
        dist, near, _ = closest_on_triangles(np.repeat(p, k, axis=0), tri[flat, 0],
                                             tri[flat, 1], tri[flat, 2])
        pick = dist.reshape(len(p), k).argmin(axis=1)
        best[start:start + len(p)] = cand[np.arange(len(p)), pick]
        weights[start:start + len(p)] = near.reshape(len(p), k, 3)[np.arange(len(p)), pick]
    return best, weights


def uv_put_back(source, mesh):
    """Gives mesh (which has no texture coordinates) the texture coordinates
    and texture of source, the textured mesh it was made from, one pair per
    vertex: each vertex takes those of the nearest point of source's surface.
    A file without attributes can hold no more than one pair per vertex, so a
    face that spans a UV seam or joins two charts gets coordinates from both
    sides, and the texture drawn across it tears, as it would for any such
    file; inside one chart the texture lands where it was. Each face takes the
    material of the source face nearest its centroid."""
    faces = mesh["faces"]
    near, weights = nearest_faces(mesh["verts"], source["verts"], source["faces"])
    vertex_uv = (weights[:, :, None] * source["face_uv"][near]).sum(axis=1)
    centroid_face, _ = nearest_faces(mesh["verts"][faces].mean(axis=1), source["verts"],
                                     source["faces"])
    out = dict(mesh)
    out["face_uv"] = vertex_uv[faces]
    out["textures"] = source["textures"]
    out["face_texture"] = source["face_texture"][centroid_face]
    if source["face_kd"] is not None:
        out["face_kd"] = source["face_kd"][centroid_face]
    return out


def figure_cell(cell):
    """A cell of attribute_figure as a dict: (title, path) and
    (title, path, below[, uv_source]) tuples are views, (None, text) a note."""
    if isinstance(cell, dict):
        return cell
    if cell[0] is None:
        return {"note": cell[1]}
    keys = ("title", "path", "below", "uv_source")
    return dict(zip(keys, cell))


def attribute_figure(entries, out_png, camera=(0.0, 0.0, 15.0), title=None):
    """Draws meshes side by side into out_png, in one row (entries a list of
    cells) or several (a list of such lists). A cell is (title, path): the
    mesh of path under its title, with its face count below; or
    (title, path, below, uv_source): below is the text under the view (None
    for the face count; a (text, colour) pair to colour it) and uv_source, if
    given, a textured mesh's file whose texture uv_put_back lays onto the
    mesh, which has none of its own; or (None, text): a panel of text.

    A mesh is drawn by draw_attributed: with its texture when it has texture
    coordinates and one (OBJ materials' map_Kd, PLY "comment TextureFile"),
    else with its vertex colours, else with its materials' colours, else
    plain. Every view uses the camera (yaw, pitch, roll as in rotation) and
    the first mesh's extent, so views of one mesh at several sizes compare. A
    mesh whose own texture file is missing uses the texture of the view
    before it in its row, if any (a simplified OBJ written away from its
    material library). title may hold several lines."""
    rows = entries if entries and isinstance(entries[0], list) else [entries]
    rows = [[figure_cell(c) for c in row] for row in rows]
    loaded = {}

    def load(path):
        if path not in loaded:
            loaded[path] = read_attributed(path)
        return loaded[path]

    meshes = []
    for row in rows:
        last_textures, row_meshes = [], []
        for cell in row:
            if "note" in cell:
                row_meshes.append(None)
                continue
            mesh = dict(load(cell["path"]))
            if cell.get("uv_source"):
                mesh = uv_put_back(load(cell["uv_source"]), mesh)
            if mesh["face_uv"] is not None:
                if mesh["textures"] and all(os.path.exists(t) for t in mesh["textures"]):
                    last_textures = mesh["textures"]
                elif last_textures:
                    mesh["textures"] = last_textures
                    mesh["face_texture"] = np.zeros(len(mesh["faces"]), dtype=np.int64)
            row_meshes.append(mesh)
        meshes.append(row_meshes)
    rot = rotation(*camera)
    first = next(m for row in meshes for m in row if m is not None)
    used = first["verts"][np.unique(first["faces"])]
    rv = used @ rot.T
    lo, hi = rv.min(axis=0), rv.max(axis=0)
    centre = ((lo + hi) / 2) @ rot
    half = 0.53 * max(hi[0] - lo[0], hi[1] - lo[1])

    n = max(len(row) for row in rows)
    title_lines = title.count("\n") + 1 if title else 0
    top = 10 + 30 * title_lines
    row_px = 40 + PANEL_PX + 50          # title above, view, text below
    height = top + len(rows) * row_px
    fig = plt.figure(figsize=(n * PANEL_PX / DPI, height / DPI), dpi=DPI)
    if title:
        fig.text(0.5, 1 - (top - 5) / 2 / height, title, ha="center", va="center", fontsize=15,
                 linespacing=1.4)
    textures = {}
    for r, (row, row_meshes) in enumerate(zip(rows, meshes)):
        base = height - top - (r + 1) * row_px          # bottom of the row, in pixels
        for i, (cell, mesh) in enumerate(zip(row, row_meshes)):
            if mesh is None:
                fig.text((i + 0.08) / n, (base + 50 + PANEL_PX / 2) / height, cell["note"],
                         ha="left", va="center", fontsize=12, linespacing=1.45)
                continue
            ax = fig.add_axes([i / n, (base + 50) / height, 1 / n, PANEL_PX / height])
            draw_attributed(ax, mesh, rot, centre, half, textures)
            fig.text((i + 0.5) / n, (base + 50 + PANEL_PX + 20) / height, cell["title"],
                     ha="center", va="center", fontsize=13)
            below = cell.get("below") or "%s faces" % format(len(mesh["faces"]), ",")
            text, colour = below if isinstance(below, tuple) else (below, "black")
            fig.text((i + 0.5) / n, (base + 22) / height, text, ha="center", va="center",
                     fontsize=14, color=colour)
    # Colours interpolated across faces make gradients, which a palette
    # without dithering breaks into patches; textures and flat colours do not.
    save_png(fig, out_png, dither=any(
        m is not None and m["vertex_rgb"] is not None and not (m["face_uv"] is not None
                                                               and m["textures"])
        for row in meshes for m in row))


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


def run_zeq(zeq, options, count, src, out):
    """Runs zeq [options] -N count src out; returns None, or why it failed."""
    run = subprocess.run([zeq] + options + ["-N", str(count), src, out], stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True)
    if run.returncode != 0:
        return "zeq exited with status %d" % run.returncode
    return None if os.path.exists(out) else "not written"


def reached_label(faces, asked):
    """The text under a simplified view: its face count, and, in dark red,
    the target when the run stopped above it."""
    if faces > asked:
        return ("%s faces: target %s not reached" % (format(faces, ","), format(asked, ",")),
                "#a01010")
    return "%s faces" % format(faces, ",")


def reached_line(what, asked, faces, held):
    """One line of a title: each run's target and the faces it reached."""
    line = "%s: %s faces" % (what, ", ".join("-N %d \u2192 %s" % (a, format(f, ","))
                                            for a, f in zip(asked, faces)))
    if any(f > a for a, f in zip(asked, faces)):
        line += " (target not reached%s)" % (": " + held if held else "")
    return line


POSITIONS_NOTE = (
    "Lower row: the same runs with --no-attributes. Those files hold positions only, "
    "no texture coordinates. To show where the texture would tear, the picture gives "
    "each of their vertices the texture coordinates of the nearest point of the input: "
    "one pair per vertex, all that a file without seams can hold. A face across the UV "
    "seam (right of centre) then spans the texture's whole width, squeezed; faces at "
    "the rims mix the side's and the caps' charts. Carrying attributes (upper row), zeq "
    "keeps two pairs at the seam and holds the seam's and rims' vertices.")


def attribute_pictures(zeq, outdir, workdir):
    """Makes the ATTRIBUTE_MESHES pictures: generates each input with
    data/make_attributed.py, simplifies it with zeq at FRACTIONS and draws the
    views with attribute_figure, the faces each run reached under its view
    and in the title. For a mesh marked so, a second row shows the runs with
    --no-attributes, textured by uv_put_back. Nothing is written to outdir
    unless every zeq output carries its attributes (and every --no-attributes
    output was written, without texture coordinates); otherwise what is wrong
    is listed and the function returns False."""
    generator = os.path.join(ROOT, "data", "make_attributed.py")
    missing, figures = [], []
    for name, gen_args, out_name, camera, title, held, positions_row in ATTRIBUTE_MESHES:
        src = os.path.join(workdir, out_name)
        args = [a if i == 0 else os.path.join(ROOT, a) for i, a in enumerate(gen_args)]
        subprocess.run([sys.executable, generator] + args + [src], check=True,
                       stdout=subprocess.DEVNULL)
        total = len(read_attributed(src)["faces"])
        stem, ext = os.path.splitext(out_name)
        asked = [max(1, int(round(total * frac))) for frac in FRACTIONS[1:]]
        kinds = [("", [])] + ([("positions-", ["--no-attributes"])] if positions_row else [])
        rows = [[("input", src)], [(None, textwrap.fill(POSITIONS_NOTE, 46))]][:len(kinds)]
        reached = [[] for _ in kinds]
        for k, (prefix, options) in enumerate(kinds):
            for frac, count in zip(FRACTIONS[1:], asked):
                out = os.path.join(workdir, "%s%s-%d%s" % (prefix, stem, count, ext))
                run_name = " ".join(options + [out_name, "-N", str(count)])
                if zeq is None:
                    missing.append("%s (no zeq binary)" % run_name)
                    continue
                why = run_zeq(zeq, options, count, src, out)
                if why is None and not options:
                    why = carries_attributes(out)
                if why is None and options and read_attributed(out)["face_uv"] is not None:
                    why = "has texture coordinates"
                if why:
                    missing.append("%s: %s" % (run_name, why))
                    continue
                faces = len(read_attributed(out)["faces"])
                reached[k].append(faces)
                view = "-N %d (%g %%)" % (count, frac * 100)
                if options:
                    view = "--no-attributes %s, UVs put back" % view
                rows[k].append((view, out, reached_label(faces, count), src if options else None))
        lines = ["%s: zeq -N at %s of %s faces" % (
            title, ", ".join("%g %%" % (f * 100) for f in FRACTIONS[1:]), format(total, ","))]
        if not missing:
            lines.append(reached_line("with attributes" if positions_row else "reached",
                                      asked, reached[0], held))
            if positions_row:
                lines.append(reached_line("--no-attributes", asked, reached[1], None))
        figures.append((name, rows, camera, "\n".join(lines), reached))
    if missing:
        print("make_pictures: attribute pictures not made; these zeq outputs are missing "
              "or lack their attributes:")
        for line in missing:
            print("  " + line)
        return False
    os.makedirs(outdir, exist_ok=True)
    for name, rows, camera, title, reached in figures:
        path = os.path.join(outdir, "%s.png" % name)
        attribute_figure(rows, path, camera=camera, title=title)
        print("%s: %s faces; %s" % (path, format(len(read_attributed(rows[0][0][1])["faces"]), ","),
                                    "; ".join(", ".join(str(f) for f in r) for r in reached)))
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
    ap.add_argument("--bounds-only", action="store_true",
                    help="make only the picture of a model at three error bounds")
    args = ap.parse_args()
    if args.bounds_only:
        with tempfile.TemporaryDirectory() as workdir:
            render_bounds(os.path.abspath(args.zeq), args.out, workdir)
        return
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
        render_bounds(zeq, args.out, workdir)
    draw_bench(args.bench, args.out)


if __name__ == "__main__":
    main()
