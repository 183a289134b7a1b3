"""The figures `vantor --figure` draws, read as a user's SVG reader reads
them: the curves and the numbers behind them (against the program's own CSV
and the closed-form power of the allelic test), the ticks on both axes, the
legend, the target line and the caption.

    python3 vantor_figure_test.py PATH/TO/vantor
"""

import csv
import io
import math
import os
import statistics
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

PROGRAM = None
SVG = "{http://www.w3.org/2000/svg}"


def run(*words):
    return subprocess.run([PROGRAM, *words], capture_output=True, text=True, check=False)


def figure_of(*words):
    """The parsed figure of a run, and the run."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "figure.svg")
        done = run(*words, "--figure", path)
        if done.returncode not in (0, 1):
            raise AssertionError(f"exit {done.returncode}: {done.stderr}")
        return ElementTree.parse(path).getroot(), done


def csv_rows(*words):
    done = run(*words, "--format", "csv")
    assert done.returncode == 0, done.stderr
    return list(csv.DictReader(io.StringIO(done.stdout)))


def curves(root):
    return {
        line.get("data-label"): (
            [float(v) for v in line.get("data-x").split()],
            [float(v) for v in line.get("data-y").split()],
            [tuple(map(float, p.split(","))) for p in line.get("points").split()],
        )
        for line in root.iter(f"{SVG}polyline")
    }


def ticks(root, axis):
    group = next(g for g in root.iter(f"{SVG}g") if g.get("class") == axis)
    labels = [t for t in group.iter(f"{SVG}text") if t.get("class") == "tick-label"]
    title = next(t.text for t in group.iter(f"{SVG}text") if t.get("class") == "title")
    return labels, title


def allelic_power(cases, controls, odds_ratio, control_rate, alpha):
    """The two-sided power of the allelic test (pooled variance under no
    association, each group's own under association), from the normal
    distribution: the closed form."""
    normal = statistics.NormalDist()
    case_rate = odds_ratio * control_rate / (1 - control_rate + odds_ratio * control_rate)
    n1, n0 = 2 * cases, 2 * controls
    pooled = (n1 * case_rate + n0 * control_rate) / (n1 + n0)
    null_sd = math.sqrt(pooled * (1 - pooled) * (1 / n1 + 1 / n0))
    sd = math.sqrt(case_rate * (1 - case_rate) / n1 + control_rate * (1 - control_rate) / n0)
    z = normal.inv_cdf(1 - alpha / 2)
    shift = abs(case_rate - control_rate)
    return normal.cdf((shift - z * null_sd) / sd) + normal.cdf((-shift - z * null_sd) / sd)


class Figures(unittest.TestCase):
    DISEASE = ["power", "--frequency", "0.25", "--prevalence", "0.01", "--relative-risk",
               "1.2,1.4", "--cases", "500:5000:250", "--controls", "2000", "--markers", "1e6"]

    def test_two_relative_risks_draw_two_curves_of_the_programs_powers(self):
        root, done = figure_of(*self.DISEASE)
        self.assertIn("status", done.stdout)  # the table is still written
        drawn = curves(root)
        self.assertEqual(sorted(drawn), ["relative risk 1.2", "relative risk 1.4"])
        rows = csv_rows(*self.DISEASE)
        for label, (xs, ys, _) in drawn.items():
            risk = label.split()[-1]
            expected = [(float(r["cases"]), float(r["power"])) for r in rows
                        if r["relative-risk"] == risk]
            self.assertEqual(list(zip(xs, ys)), expected, label)  # bit for bit
            self.assertEqual(xs, [500.0 + 250 * k for k in range(19)])

    def test_both_axes_have_round_ticks_spanning_the_points(self):
        root, _ = figure_of(*self.DISEASE)
        for axis, low, high, title in (("x-axis", 500, 5000, "cases (people)"),
                                       ("y-axis", 0, 1, "power")):
            labels, shown_title = ticks(root, axis)
            values = [float(t.get("data-value")) for t in labels]
            self.assertEqual(shown_title, title)
            self.assertGreaterEqual(len(values), 4, axis)
            self.assertLessEqual(len(values), 11, axis)
            steps = {round(b - a, 12) for a, b in zip(values, values[1:])}
            self.assertEqual(len(steps), 1, f"{axis}: uneven ticks {values}")
            step = steps.pop()
            mantissa = step / 10 ** math.floor(math.log10(step))
            self.assertIn(round(mantissa, 9), (1.0, 2.0, 5.0), axis)
            self.assertLessEqual(values[0], low)
            self.assertGreaterEqual(values[-1], high)
            self.assertEqual([float(t.text) for t in labels], values, axis)

    def test_the_target_line_legend_and_caption(self):
        root, _ = figure_of(*self.DISEASE)
        target = next(l for l in root.iter(f"{SVG}line") if l.get("class") == "target")
        self.assertEqual(float(target.get("data-value")), 0.8)
        labels, _ = ticks(root, "y-axis")
        at = {float(t.get("data-value")): float(t.get("y")) - 4 for t in labels}
        self.assertAlmostEqual(float(target.get("y1")), at[0.8], places=1)
        legend = next(g for g in root.iter(f"{SVG}g") if g.get("class") == "legend")
        self.assertEqual([t.text for t in legend.iter(f"{SVG}text")],
                         ["relative risk 1.2", "relative risk 1.4"])
        caption = root.find(f"{SVG}desc").text
        for words in ("Single-stage case-control study", "2,000 controls",
                      "risk-allele frequency 0.25", "prevalence 0.01", "1,000,000 markers",
                      "level 0.05 (5e-8 per marker)", "causal variant"):
            self.assertIn(words, caption)
        # The inputs the figure shows are left to its axes and legend.
        self.assertNotIn("relative risk", caption)
        self.assertNotIn("cases", caption.replace("case-control", ""))
        shown = " ".join(t.text for t in root.iter(f"{SVG}tspan"))
        self.assertEqual(shown, caption)

    def test_points_lie_in_the_plot_and_powers_match_the_closed_form(self):
        words = ["power", "--cases", "1000:3000:500", "--controls", "2000", "--odds-ratio",
                 "1.2,1.3", "--control-rate", "0.3", "--alpha", "5e-8"]
        root, _ = figure_of(*words)
        x_labels, _ = ticks(root, "x-axis")
        left = min(float(t.get("x")) for t in x_labels)
        right = max(float(t.get("x")) for t in x_labels)
        for label, (xs, ys, points) in curves(root).items():
            odds_ratio = float(label.split()[-1])
            for cases, power, (px, _) in zip(xs, ys, points):
                self.assertAlmostEqual(power, allelic_power(cases, 2000, odds_ratio, 0.3, 5e-8),
                                       delta=1e-6 * power)
                self.assertTrue(left <= px <= right, (label, px))
            self.assertEqual(ys, sorted(ys), "power grows with the cases")

    def test_other_values_drawn_up_and_words_as_curves(self):
        root, _ = figure_of("power", "--controls", "2000", "--odds-ratio", "1.3:1.6:0.05",
                            "--control-rate", "0.3,0.4", "--target-power", "0.8",
                            "--figure-y", "cases")
        self.assertIsNone(next((l for l in root.iter(f"{SVG}line")
                                if l.get("class") == "target"), None))
        _, title = ticks(root, "y-axis")
        self.assertEqual(title, "cases (people)")
        for label, (_, ys, _) in curves(root).items():
            self.assertEqual(ys, sorted(ys, reverse=True), f"{label}: more effect, fewer cases")
        root, _ = figure_of("two-stage", "--total", "4000:12000:2000", "--stage1-share", "0.3",
                            "--stage1-alpha", "0.001", "-o", "1.3", "-r", "0.3", "--markers",
                            "1e6", "--method", "joint,product,replication")
        self.assertEqual(sorted(curves(root)),
                         ["method joint", "method product", "method replication"])
        caption = root.find(f"{SVG}desc").text
        self.assertIn("Two-stage case-control study", caption)
        self.assertIn("stage 1 share 0.3", caption)

    def test_a_lone_point_is_marked_and_an_unreachable_row_keeps_the_caption(self):
        root, done = figure_of("power", "--cases", "5,5000", "--controls", "5000", "-r", "0.3",
                               "-p", "0.8", "--direction", "above", "--figure-y", "odds-ratio")
        self.assertEqual(done.returncode, 1, "the 5 cases reach no odds ratio")
        (label, (xs, _, _)), = curves(root).items()
        self.assertEqual(xs, [5000.0], label)
        self.assertEqual(len(list(root.iter(f"{SVG}circle"))), 1)
        caption = root.find(f"{SVG}desc").text
        self.assertTrue(caption.startswith("Single-stage case-control study"), caption)
        self.assertIn("5,000 controls", caption)

    def test_a_run_cut_short_writes_no_figure_and_leaves_the_file_as_it_was(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "figure.svg")
            words = ["power", "-n", "2000", "-o", "1.3", "-r", "0.3", "-a", "0.01,0.5", "-p",
                     "0.6,0.3", "--figure", path]
            done = run(*words)
            self.assertEqual(done.returncode, 2)
            self.assertIn("request 4", done.stderr)
            self.assertFalse(os.path.exists(path))
            with open(path, "w", encoding="utf-8") as kept:
                kept.write("an older figure")
            self.assertEqual(run(*words).returncode, 2)
            with open(path, encoding="utf-8") as kept:
                self.assertEqual(kept.read(), "an older figure")
            done = run("power", "-n", "1000,2000", "-o", "1.3", "-r", "0.3", "--figure", folder)
            self.assertEqual((done.returncode, done.stdout), (2, ""))
            self.assertIn("is a folder", done.stderr)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main()
