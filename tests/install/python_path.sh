#!/usr/bin/env bash
# The installed Python module where Debian's python3 finds it: installs the
# built tree twice, staged under DESTDIR, with the prefix /usr/local (what
# cmake --install gives by default) and with /usr (the Debian package's), and
# checks for each that the module's folder, unstaged, is on the sys.path of
# /usr/bin/python3 (run isolated: no PYTHONPATH, no user site), and that
# python3 imports the staged module from there and simplifies an octahedron
# with it. A staged folder is not on sys.path itself, so the import puts it
# on PYTHONPATH, in place of the folder it stands for.
#
#   python_path.sh CMAKE BUILD_DIR MODULE_FILE_NAME PYTHON_VERSION PYTHON SANITIZED
#
# PYTHON is the interpreter the module was built for; exits 77 (skipped) when
# it is not Debian's /usr/bin/python3. SANITIZED (0 or 1): a sanitized module
# needs its sanitizer's runtime loaded into python3 first, so the import is
# left out.
set -euo pipefail
cmake_bin=$1 build=$2 module=$3 version=$4 built_for=$5 sanitized=$6
fail() { echo "install.python: $*" >&2; exit 1; }
python=/usr/bin/python3
if [[ ! -x $python || $(readlink -f "$built_for") != "$(readlink -f "$python")" ]]; then
    echo "install.python: the module is built for $built_for, not Debian's $python, skipped"
    exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
unset PYTHONPATH PYTHONHOME PYTHONSTARTUP PYTHONUSERBASE
$python -I -c 'import sys; print("\n".join(sys.path))' > "$tmp/sys.path"
mkdir "$tmp/elsewhere"
cat > "$tmp/elsewhere/octahedron.py" <<'PY'
import numpy as np, zeq
vertices = np.array([[1, 0, 0], [-1, 0, 0], [0, 1, 0], [0, -1, 0], [0, 0, 1], [0, 0, -1]], dtype=float)
faces = np.array([[0, 2, 4], [2, 1, 4], [1, 3, 4], [3, 0, 4], [2, 0, 5], [1, 2, 5], [3, 1, 5], [0, 3, 5]])
print(zeq.__file__)
print(len(zeq.simplify(vertices, faces, target=4).mesh.faces), "faces")
PY

for prefix in /usr/local /usr; do
    if [[ $prefix == /usr ]]; then folder=/usr/lib/python3/dist-packages
    else folder=$prefix/lib/python$version/dist-packages; fi
    root=$tmp/root$(echo "$prefix" | tr / -)
    DESTDIR=$root "$cmake_bin" --install "$build" --prefix "$prefix" > "$tmp/install.log" 2>&1 ||
        { cat "$tmp/install.log" >&2; fail "DESTDIR=$root cmake --install --prefix $prefix failed"; }
    found=$(cd "$root" && find . -name "$module" | sed 's|^\.||')
    [[ $found == "$folder/$module" ]] || fail "prefix $prefix: the module is at '$found', not $folder/$module"
    grep -qx "$folder" "$tmp/sys.path" ||
        fail "prefix $prefix: $folder is not on $python's sys.path: $(tr '\n' ' ' < "$tmp/sys.path")"
    if [[ $sanitized == 1 ]]; then
        echo "install.python: prefix $prefix puts the module in $folder, on $python's sys.path (sanitized: not imported)"
        continue
    fi
    # Imported from a folder of its own, away from the build tree.
    out=$(cd "$tmp/elsewhere" && PYTHONPATH=$root$folder PYTHONDONTWRITEBYTECODE=1 $python octahedron.py 2>&1) ||
        fail "prefix $prefix: $python cannot import zeq from $root$folder or use it: $out"
    [[ $out == "$root$folder/$module"$'\n'"4 faces" ]] || fail "prefix $prefix: python3 printed: $out"
    echo "install.python: prefix $prefix puts the module in $folder, on $python's sys.path; it imports and gives 4 faces"
done
