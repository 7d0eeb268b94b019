"""Prints the folder, relative to PREFIX, in which this interpreter looks for
packages installed under PREFIX: the site folder under PREFIX that is on its
search path (Debian: lib/python3/dist-packages for /usr,
lib/python3.X/dist-packages for /usr/local), else the upstream layout
lib/python3.X/site-packages, which then has to be put on PYTHONPATH."""

import os
import site
import sys
import sysconfig


def python_dir(prefix):
    prefix = os.path.realpath(prefix)
    for folder in site.getsitepackages():
        relative = os.path.relpath(os.path.realpath(folder), prefix)
        if relative.split(os.sep)[0] == "lib":
            return relative
    platlib = sysconfig.get_path("platlib", "posix_prefix", {"base": prefix, "platbase": prefix})
    return os.path.relpath(platlib, prefix)


if __name__ == "__main__":
    print(python_dir(sys.argv[1]), end="")
