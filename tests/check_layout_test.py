#!/usr/bin/env python3
"""The layout check finds what it is meant to: circles, includes upwards,
names defined twice, an oversized folder; and passes a clean layout."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import check_layout  # noqa: E402


def repository(files):
    """A git repository holding `files` (path: text); returns its root."""
    root = pathlib.Path(tempfile.mkdtemp())
    for path, text in files.items():
        (root / path).parent.mkdir(parents=True, exist_ok=True)
        (root / path).write_text(text)
    subprocess.run(["git", "init", "-q"], cwd=root, check=True)
    subprocess.run(["git", "add", "."], cwd=root, check=True)
    return root


def faults(files):
    root = repository(files)
    result = subprocess.run([sys.executable, check_layout.__file__, str(root)],
                            capture_output=True, text=True)
    return result.returncode, result.stderr


BALANCED = {f"{folder}/f{i}.cpp": "int x;\n" * 10
            for folder in ("numeric", "power", "status", "question") for i in range(2)}


class Layout(unittest.TestCase):
    def test_a_clean_layout_passes(self):
        code, err = faults(BALANCED)
        self.assertEqual((code, err), (0, ""))

    def test_two_units_including_each_other_are_a_circle(self):
        files = dict(BALANCED)
        files["question/a.h"] = "int a();\n"
        files["question/a.cpp"] = '#include "question/b.h"\n'
        files["question/b.h"] = "int b();\n"
        files["question/b.cpp"] = '#include "question/a.h"\n'
        code, err = faults(files)
        self.assertEqual(code, 1)
        self.assertIn("a circle of includes", err)

    def test_an_include_from_a_lower_folder_is_refused(self):
        files = dict(BALANCED)
        files["power/low.cpp"] = '#include "question/high.h"\n'
        files["question/high.h"] = "int high();\n"
        code, err = faults(files)
        self.assertIn("power/low includes question/high, a higher layer", err)

    def test_a_name_defined_in_two_sources_is_refused(self):
        files = dict(BALANCED)
        files["power/one.cpp"] = "namespace {\ndouble joint_power(double x) {\n    return x;\n}\n}\n"
        files["search/two.cpp"] = "static double joint_power(int n) { return n; }\n"
        code, err = faults(files)
        self.assertIn("joint_power is defined in power/one.cpp, search/two.cpp", err)

    def test_a_folder_above_a_third_is_refused(self):
        files = dict(BALANCED)
        files["question/big.cpp"] = "int y;\n" * 100
        code, err = faults(files)
        self.assertIn("question holds", err)


if __name__ == "__main__":
    unittest.main()
