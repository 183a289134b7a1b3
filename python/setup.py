"""Builds the vantor library with CMake and installs it beside the module.

pip runs this (through setuptools' build backend) for
``pip install --no-build-isolation ./python`` from a clone of the
repository: the library is configured from the repository's root
CMakeLists.txt as a shared library alone (no program, no tests, so neither
CLI11 nor GoogleTest is needed), in Release, and built in setuptools' build
folder; the file is copied into the package, where the module looks first.
Needs cmake (3.25) and a C++17 compiler: Debian's cmake and g++.
"""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
LIBRARY = {"darwin": "libvantor.dylib", "win32": "vantor.dll"}.get(sys.platform, "libvantor.so")


def project_version() -> str:
    """The version the root CMakeLists.txt gives the project."""
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(vantor VERSION (\d+\.\d+\.\d+)", text).group(1)


def run(command: list) -> None:
    print("vantor:", " ".join(command), flush=True)
    subprocess.run(command, check=True)


def cmake_folder(temporary: str) -> pathlib.Path:
    """The library's CMake folder in setuptools' build folder, emptied when
    it was configured from another copy of the repository (a clone moved:
    CMake refuses a folder made for another source)."""
    build = pathlib.Path(temporary, "vantor-library").resolve()
    cache = build / "CMakeCache.txt"
    if cache.is_file():
        home = re.search(r"^CMAKE_HOME_DIRECTORY:INTERNAL=(.*)$",
                         cache.read_text(encoding="utf-8", errors="replace"), re.M)
        if home is None or pathlib.Path(home.group(1)).resolve() != ROOT:
            shutil.rmtree(build)
    return build


class BuildWithLibrary(build_py):
    """Copies the module, then builds the library and puts it beside it (in
    the package of the source tree for an editable install, whose module is
    imported from there)."""

    def run(self):
        super().run()
        if not (ROOT / "library_sources.txt").is_file():
            raise SystemExit("vantor: the library is built from the repository; run pip on the "
                             "python/ folder of a clone of it")
        if shutil.which("cmake") is None:
            raise SystemExit("vantor: building the library needs CMake 3.25 or later and a C++17 "
                             "compiler (Debian: apt-get install cmake g++)")
        build = cmake_folder(self.get_finalized_command("build").build_temp)
        run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
             "-DBUILD_SHARED_LIBS=ON", "-DVANTOR_BUILD_TESTS=OFF", "-DVANTOR_BUILD_PROGRAM=OFF"])
        run(["cmake", "--build", str(build), "--target", "vantor",
             "--parallel", os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")])
        package = HERE / "vantor" if getattr(self, "editable_mode", False) else pathlib.Path(
            self.build_lib, "vantor")
        package.mkdir(parents=True, exist_ok=True)
        # The file itself, not the link to it.
        shutil.copyfile((build / LIBRARY).resolve(), package / LIBRARY)


class WithLibrary(Distribution):
    """A distribution holding a compiled library: its wheel is for this
    platform and this Python, not for any."""

    def has_ext_modules(self):
        return True


setup(version=project_version(), cmdclass={"build_py": BuildWithLibrary},
      distclass=WithLibrary)
