#!/usr/bin/env python3
"""The distance bound zeq reports is never below the distance measured.

  distance_bound.py ZEQ GEN_MESH MESH_TO_PLY SURFACE_DISTANCE MESHES_DIR ZEQ_TILES

On shared meshes and on bumpy spheres of random bumps (zeq_gen_mesh blob,
three seeds), each as binary PLY with double coordinates (so the output is
written without rounding), zeq runs with --max-error at 1e-2 and 1e-3 and
with --ratio 0.5 and 0.1. For each run the Hausdorff distance between input
and output, measured by zeq_surface_distance (a lower estimate of the true
one: it measures from sample points), must not exceed the "Distance bound"
line, and with --max-error the bound must not exceed the error asked for.
zeq-tiles, which gives half of the bound to the tiles and half to its last
run, must keep the whole run within it too.
"""
import os
import re
import subprocess
import sys
import tempfile

zeq, gen_mesh, to_ply, distance, meshes, tiles = sys.argv[1:7]
failures = 0


def run(*args):
    return subprocess.run(list(args), check=True, capture_output=True, text=True).stdout


with tempfile.TemporaryDirectory() as tmp:
    inputs = []
    for name in ("bunny.smf", "fandisk.smf", "elephant.off", "bones.off", "blobby_shuffled.smf"):
        ply = os.path.join(tmp, os.path.splitext(name)[0] + ".ply")
        run(to_ply, os.path.join(meshes, name), ply)
        inputs.append(ply)
    for seed in (1, 2, 3):
        smf = os.path.join(tmp, "blob%d.smf" % seed)
        run(gen_mesh, "blob", "4", smf, "--shuffle", "--seed", str(seed))
        ply = smf.replace(".smf", ".ply")
        run(to_ply, smf, ply)
        inputs.append(ply)
    out = os.path.join(tmp, "out.ply")
    for ply in inputs:
        for option, value in (("--max-error", "1e-2"), ("--max-error", "1e-3"), ("--ratio", "0.5"),
                              ("--ratio", "0.1")):
            said = run(zeq, option, value, ply, out)
            bound = float(re.search(r"Distance bound = (\S+) of the diagonal", said).group(1))
            faces = re.findall(r" (\d+) <Faces>", said)[-1]
            measured = float(run(distance, "--samples", "20000", ply, out).split()[1])
            ok = measured <= bound * (1 + 1e-9) + 1e-15
            if option == "--max-error":
                ok = ok and bound <= float(value)
            print("%s %s %s %s faces: bound %.6g, measured %.6g, %.2f of the bound%s" %
                  (os.path.basename(ply), option, value, faces, bound, measured,
                   measured / bound if bound > 0 else 0.0, "" if ok else "  FAILED"))
            failures += not ok

    env = dict(os.environ, ZEQ_TILES_ZEQ=zeq)
    for ply in inputs[:1] + inputs[-1:]:
        for error in ("1e-2", "1e-3"):
            subprocess.run([tiles, "run", "--ratio", "0.25", "--max-error", error, "--faces-per-tile", "1000", ply, out],
                           check=True, capture_output=True, env=env)
            measured = float(run(distance, "--samples", "20000", ply, out).split()[1])
            ok = measured <= float(error)
            print("zeq-tiles %s --max-error %s: measured %.6g%s" % (os.path.basename(ply), error, measured,
                                                                   "" if ok else "  FAILED"))
            failures += not ok

sys.exit(1 if failures else 0)
