# Paths the tests of the Python module need, from the environment ctest
# gives them (tests/python/CMakeLists.txt), and meshes made with numpy.
import os
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[2]


def env_path(name, default=None):
    value = os.environ.get(name, default)
    return Path(value) if value and Path(value).exists() else None


@pytest.fixture(scope="session")
def zeq_binary():
    path = env_path("ZEQ_BINARY")
    if path is None:
        pytest.skip("ZEQ_BINARY (the built zeq program) not given")
    return path


@pytest.fixture(scope="session")
def shared_meshes():
    path = env_path("ZEQ_SHARED_MESHES", str(ROOT.parent / "shared" / "meshes"))
    if path is None:
        pytest.skip("no shared meshes directory")
    return path


@pytest.fixture(scope="session")
def sample():
    """data/sample.off as float64 / int32 arrays."""
    import zeq
    mesh = zeq.read(ROOT / "data" / "sample.off")
    return np.array(mesh.vertices), np.array(mesh.faces)


def torus(rings, sides, big=3.0, small=1.0):
    """A closed torus of rings × sides × 2 triangles."""
    u = np.repeat(np.linspace(0, 2 * np.pi, rings, endpoint=False), sides)
    v = np.tile(np.linspace(0, 2 * np.pi, sides, endpoint=False), rings)
    vertices = np.stack([(big + small * np.cos(v)) * np.cos(u),
                         (big + small * np.cos(v)) * np.sin(u),
                         small * np.sin(v)], axis=1)
    i, j = np.divmod(np.arange(rings * sides), sides)
    a = i * sides + j
    b = ((i + 1) % rings) * sides + j
    c = ((i + 1) % rings) * sides + (j + 1) % sides
    d = i * sides + (j + 1) % sides
    faces = np.concatenate([np.stack([a, b, c], 1), np.stack([a, c, d], 1)])
    return vertices, faces.astype(np.int32)
