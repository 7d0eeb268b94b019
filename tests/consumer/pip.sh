#!/usr/bin/env bash
# Installs the Python package with pip into a fresh virtual environment, as
# docs/python.md tells, from a copy of the source tree, and uses it there.
#   pip.sh WORK_DIR
set -euo pipefail
work=$1 root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
mkdir -p "$work/src"
tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/src" -xf -

/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --quiet --no-index --no-build-isolation "$work/src"
cd "$work"
"$work/venv/bin/python" -c "import gxrm
assert gxrm.__file__.startswith('$work/venv/'), gxrm.__file__
w = gxrm.Writer({'ProjName': 'pip'})
w.add_floor_info({})
w.add_floor('F1')
w.save('pip.gxrm')
assert gxrm.load('pip.gxrm').version == '1.0'   # the configuration came along"
