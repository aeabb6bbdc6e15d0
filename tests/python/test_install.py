"""The installed layout: `cmake --install` puts the runner and the library
under one prefix, `pip install` builds the package offline from
python/pyproject.toml, and the installed package finds the installed library
with no VARNO_LIBRARY set. Needs VARNO_BUILD_DIR (the build tree)."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = os.environ.get("VARNO_BUILD_DIR")


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(varno VERSION ([0-9.]+)", text).group(1)


def python_that_builds_wheels():
    """An interpreter with setuptools and wheel, which an offline pip needs."""
    for python in (sys.executable, "/usr/bin/python3"):
        probe = subprocess.run([python, "-c", "import setuptools, wheel, pip"],
                               capture_output=True)
        if probe.returncode == 0:
            return python
    return None


@unittest.skipUnless(BUILD, "VARNO_BUILD_DIR is not set")
class InstallTest(unittest.TestCase):
    def test_the_runner_and_the_package_installed_offline_find_the_installed_library(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        prefix = Path(scratch.name) / "prefix"
        subprocess.run(["cmake", "--install", BUILD, "--prefix", str(prefix)], check=True,
                       capture_output=True)
        shown = subprocess.run([str(prefix / "bin" / "varno"), "--version"], check=True,
                               capture_output=True, text=True).stdout
        self.assertEqual(shown.strip(), f"varno {project_version()}")
        python = python_that_builds_wheels()
        self.assertIsNotNone(python, "no Python with setuptools, wheel and pip: "
                             "scripts/install-deps.sh installs them")
        source = prefix.parent / "source"
        shutil.copytree(ROOT / "python", source)  # the build leaves files beside pyproject
        packages = prefix / "lib" / "python3" / "site-packages"
        subprocess.run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index",
                        "--no-deps", "--target", str(packages), str(source)], check=True,
                       capture_output=True)
        environment = {k: v for k, v in os.environ.items() if k != "VARNO_LIBRARY"}
        environment.update(PYTHONPATH=str(packages), VARNO_ROOT=str(prefix))
        script = ("import importlib.metadata, varno\n"
                  "print(importlib.metadata.version('varno'))\n"
                  "print(varno.library_path())\n"
                  "print(varno.build_number())\n")
        lines = subprocess.run([sys.executable, "-c", script], cwd=prefix, env=environment,
                               check=True, capture_output=True, text=True).stdout.split()
        self.assertEqual(lines[0], project_version())
        self.assertEqual(Path(lines[1]), prefix / "lib" / "libvarno.so")
        self.assertGreater(int(lines[2]), 0, "the library loads and answers")


if __name__ == "__main__":
    unittest.main()
