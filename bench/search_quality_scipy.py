#!/usr/bin/python3
"""scipy's differential_evolution and dual_annealing on the search-quality problems.

Reads the results bench_search_quality wrote with --json, runs the two scipy
optimisers on the same problems, budgets and seeds, and prints one Markdown
table of median gaps to the known optimum with a column per tool. With
--anchors, every tool but TRAVOK is taken from an earlier merged results file
instead (for a run of bench_search_quality --travok-only); --before adds the
TRAVOK column of an earlier merged results file beside the new one.

The problems are evaluated by the benchmark's own C++ code through the
bench_problems library (ctypes): the same functions, per-seed offsets and
constraint penalty as every other tool. Every run is counted and cut off at
its budget; an optimiser that stops early restarts until the budget is spent.
"""
import argparse
import ctypes
import json
import math
import sys
from pathlib import Path

import numpy as np
from scipy.optimize import differential_evolution, dual_annealing

TRAVOK = "VARNO TRAVOK"
RANDOM = "random"
SCIPY_TOOLS = ("scipy DE", "scipy DA")
BEFORE = "TRAVOK before"  # the column --before adds
TARGET_POPULATION = 25  # about SADE's population, whatever the dimension
REACHED = 1e-9  # a gap below this (relative to the optimum, at least 1) counts as 0


class BudgetSpent(Exception):
    """Raised by a counted objective asked for one evaluation too many."""


class ProblemLibrary:
    """The bench_problems C library."""

    def __init__(self, path):
        lib = ctypes.CDLL(str(path))
        double_p = ctypes.POINTER(ctypes.c_double)
        lib.bench_problem_count.restype = ctypes.c_int
        lib.bench_problem_name.restype = ctypes.c_char_p
        lib.bench_problem_name.argtypes = [ctypes.c_int]
        lib.bench_problem_dimension.restype = ctypes.c_int
        lib.bench_problem_dimension.argtypes = [ctypes.c_int]
        lib.bench_problem_bounds.restype = None
        lib.bench_problem_bounds.argtypes = [ctypes.c_int, double_p, double_p]
        lib.bench_problem.restype = ctypes.c_double
        lib.bench_problem.argtypes = [ctypes.c_int, ctypes.c_uint, double_p, ctypes.c_int, double_p]
        self.lib = lib

    def problem_id(self, name):
        for i in range(self.lib.bench_problem_count()):
            if self.lib.bench_problem_name(i).decode() == name:
                return i
        raise KeyError(f"bench_problems has no problem '{name}'")

    def bounds(self, problem_id):
        n = self.lib.bench_problem_dimension(problem_id)
        lower, upper = (ctypes.c_double * n)(), (ctypes.c_double * n)()
        self.lib.bench_problem_bounds(problem_id, lower, upper)
        return list(zip(lower, upper))


class CountedProblem:
    """One run's objective: the penalised value, counted and cut off at the
    budget, remembering the best feasible objective."""

    def __init__(self, library, problem_id, seed, budget):
        self.library, self.problem_id, self.seed, self.budget = library, problem_id, seed, budget
        self.evaluations = 0
        self.best = math.inf
        self._feasible = ctypes.c_double()

    def spent(self):
        return self.evaluations >= self.budget

    def __call__(self, x):
        if self.spent():
            raise BudgetSpent()
        self.evaluations += 1
        x = np.ascontiguousarray(x, dtype=np.float64)
        pointer = x.ctypes.data_as(ctypes.POINTER(ctypes.c_double))
        value = self.library.lib.bench_problem(
            self.problem_id, self.seed, pointer, len(x), ctypes.byref(self._feasible))
        self.best = min(self.best, self._feasible.value)
        return value


def differential_evolution_start(problem, bounds, rng):
    popsize = math.ceil(TARGET_POPULATION / len(bounds))
    differential_evolution(problem, bounds, maxiter=problem.budget, popsize=popsize, tol=0.0,
                           atol=0.0, polish=False, seed=rng)


def dual_annealing_start(problem, bounds, rng):
    dual_annealing(problem, bounds, maxfun=problem.budget - problem.evaluations,
                   maxiter=problem.budget, seed=rng)


STARTS = {"scipy DE": differential_evolution_start, "scipy DA": dual_annealing_start}


def run(tool, library, problem_id, seed, budget):
    """Best feasible objective of one run (inf when none was feasible)."""
    problem = CountedProblem(library, problem_id, seed, budget)
    rng = np.random.default_rng(seed * 31 + SCIPY_TOOLS.index(tool))
    bounds = library.bounds(problem_id)
    while not problem.spent():
        before = problem.evaluations
        try:
            STARTS[tool](problem, bounds, rng)
        except BudgetSpent:
            break
        if problem.evaluations == before:
            break
    if problem.evaluations != budget:
        print(f"  {tool}: {problem.evaluations} of {budget} evaluations", file=sys.stderr)
    return problem.best


def add_scipy_runs(results, library):
    for entry in results["problems"]:
        problem_id = library.problem_id(entry["name"])
        for budget in results["budgets"]:
            runs = entry["runs"][str(budget)]
            for tool in SCIPY_TOOLS:
                bests = [run(tool, library, problem_id, seed, budget)
                         for seed in range(1, results["seeds"] + 1)]
                runs[tool] = [b if math.isfinite(b) else None for b in bests]
            print(f"{entry['name']}, budget {budget}: scipy done", file=sys.stderr)
    results["tools"] += list(SCIPY_TOOLS)


def take_anchors(results, anchors):
    """Copies every tool but TRAVOK from `anchors` for the rows `results` has."""
    if anchors["seeds"] != results["seeds"]:
        raise SystemExit(f"the anchors have {anchors['seeds']} seeds, the results {results['seeds']}")
    by_name = {entry["name"]: entry for entry in anchors["problems"]}
    for entry in results["problems"]:
        for budget in results["budgets"]:
            earlier = by_name[entry["name"]]["runs"][str(budget)]
            runs = entry["runs"][str(budget)]
            runs.update({tool: bests for tool, bests in earlier.items() if tool != TRAVOK})
    results["tools"] = [TRAVOK] + [t for t in anchors["tools"] if t != TRAVOK]


def add_before(results, before, label):
    """Adds the TRAVOK runs of `before` as the column `label`."""
    by_name = {entry["name"]: entry for entry in before["problems"]}
    for entry in results["problems"]:
        for budget in results["budgets"]:
            earlier = by_name[entry["name"]]["runs"][str(budget)]
            entry["runs"][str(budget)][label] = earlier[TRAVOK]
    results["tools"].insert(0, label)


# --- table -----------------------------------------------------------------------------


def gap(best, optimum):
    if best is None:
        return math.inf
    difference = best - optimum
    return 0.0 if abs(difference) < REACHED * max(1.0, abs(optimum)) else difference


def median_gap(bests, optimum):
    gaps = sorted(gap(b, optimum) for b in bests)
    if not gaps:
        return math.inf
    middle = len(gaps) // 2
    return gaps[middle] if len(gaps) % 2 else 0.5 * (gaps[middle - 1] + gaps[middle])


def gap_text(value):
    return "\u2014" if math.isinf(value) else f"{value:.3g}"


def table_rows(results):
    """(problem, budget, {tool: median gap}) per row."""
    for entry in results["problems"]:
        for budget in results["budgets"]:
            runs = entry["runs"][str(budget)]
            gaps = {tool: median_gap(runs[tool], entry["optimum"]) for tool in runs}
            yield entry["name"], budget, gaps


def markdown_row(cells):
    return "| " + " | ".join(cells) + " |"


def table_lines(results, rows):
    tools = [t for t in results["tools"] if any(t in gaps for _, _, gaps in rows)]
    lines = [markdown_row(["problem", "budget"] + tools),
             markdown_row(["---", "---:"] + ["---:"] * len(tools))]
    for name, budget, gaps in rows:
        texts = {t: gap_text(gaps[t]) if t in gaps else "n/a" for t in tools}
        best = gap_text(min(g for t, g in gaps.items() if t != BEFORE))
        cells = [f"**{texts[t]}**" if texts[t] == best else texts[t] for t in tools]
        lines.append(markdown_row([name, str(budget)] + cells))
    return lines


def summary_lines(rows):
    best_rows = 0
    behind = []
    for name, budget, gaps in rows:
        if TRAVOK not in gaps:
            continue
        travok = gaps[TRAVOK]
        if gap_text(travok) == gap_text(min(g for t, g in gaps.items() if t != BEFORE)):
            best_rows += 1
        anchors = [g for t, g in gaps.items() if t not in (TRAVOK, RANDOM, BEFORE)]
        if budget in (250, 500) and anchors and travok > 2.0 * min(anchors):
            behind.append(f"{name} @ {budget}")
    return ["",
            f"TRAVOK has the best median in {best_rows} of {len(rows)} rows.",
            "Rows at 250/500 where TRAVOK's median gap is worse than 2x the best anchor's "
            f"(every tool but random search): {len(behind)}"
            + (f" ({', '.join(behind)})" if behind else "")]


def report_lines(results):
    rows = list(table_rows(results))
    return ([f"Median gap to the best known objective over seeds 1..{results['seeds']} "
             "(\u2014 = no feasible design in half the runs or more; 0 = within 1e-9, relative to "
             "the optimum when that is above 1; best per row in bold).",
             "scipy DE: differential_evolution, population ceil(25/n) x n, tol = atol = 0, no "
             "polish; scipy DA: dual_annealing with its default local search; both restart until "
             "the budget is spent.", ""]
            + table_lines(results, rows) + summary_lines(rows))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", required=True, type=Path, help="the bench_problems library")
    parser.add_argument("--results", required=True, type=Path,
                        help="the JSON that bench_search_quality --json wrote")
    parser.add_argument("--output", type=Path, help="also write the merged results here")
    parser.add_argument("--markdown", type=Path, help="also write the table here")
    parser.add_argument("--anchors", type=Path,
                        help="take every tool but TRAVOK from this earlier merged results file")
    parser.add_argument("--before", type=Path,
                        help="add the TRAVOK column of this earlier merged results file")
    args = parser.parse_args()
    results = json.loads(args.results.read_text())
    if args.anchors:
        take_anchors(results, json.loads(args.anchors.read_text()))
    else:
        add_scipy_runs(results, ProblemLibrary(args.library))
    if args.before:
        add_before(results, json.loads(args.before.read_text()), BEFORE)
    if args.output:
        args.output.write_text(json.dumps(results, indent=1) + "\n")
    report = "\n".join(report_lines(results)) + "\n"
    print(report, end="")
    if args.markdown:
        args.markdown.write_text(report)


if __name__ == "__main__":
    main()
