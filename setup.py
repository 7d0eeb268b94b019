"""Builds the gxrm Python package with CMake for pip: the pybind11 module, the
library and its configuration file beside it, and the pure-Python layer."""

import os
import re
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
BUILD = os.environ.get("GXRM_PIP_BUILD_DIR", "build-pip")  # not build/, the CMake tree of the README


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(GXRMparser VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    """Configures the library with only the Python package, builds it, and
    installs the package with the library inside it into the wheel's folder."""

    def build_extension(self, ext):
        tree = Path(self.build_temp).resolve() / "cmake"
        target = Path(self.get_ext_fullpath(ext.name)).resolve().parent.parent
        jobs = os.environ.get("JOBS", str(os.cpu_count() or 1))
        options = ["-DCMAKE_BUILD_TYPE=Release", "-DGXRM_BUILD_TESTS=OFF", "-DGXRM_BUILD_TOOLS=OFF",
                   "-DGXRM_BUILD_EXAMPLES=OFF", "-DGXRM_BUILD_PYTHON=ON", "-DGXRM_INSTALL=ON",
                   "-DGXRM_PYTHON_BUNDLE=ON", "-DGXRM_PYTHON_SITE_DIR=.",
                   f"-DPython3_EXECUTABLE={sys.executable}"]
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(tree), *options], check=True)
        subprocess.run(["cmake", "--build", str(tree), "-j", jobs, "--target", "_gxrm"], check=True)
        subprocess.run(["cmake", "--install", str(tree), "--component", "python", "--prefix", str(target)],
                       check=True)


os.makedirs(ROOT / BUILD, exist_ok=True)
setup(
    version=project_version(),
    packages=["gxrm"],
    package_dir={"gxrm": "python/gxrm"},
    ext_modules=[Extension("gxrm._gxrm", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": BUILD}, "egg_info": {"egg_base": BUILD}},
)
