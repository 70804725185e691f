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


def draw_mesh(ax, verts, faces, rot, centre, half):
    """Orthographic view along -z after rot; painter's order (far faces first),
    two-sided Lambert shading, every triangle outlined."""
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
    colours = np.clip(FACE_RGB[None, :] * shade[:, None] + 0.08 * lambert[:, None] ** 8, 0, 1)
    order = np.argsort(tri[:, :, 2].mean(axis=1))   # far (small z) first
    polys = tri[order][:, :, :2]
    ax.add_collection(PolyCollection(polys, facecolors=colours[order], edgecolors=EDGE_RGB,
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
    args = ap.parse_args()
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
