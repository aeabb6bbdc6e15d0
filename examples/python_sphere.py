#!/usr/bin/env python3
"""Minimises a shifted sphere of three variables with TRAVOK through the
Python binding: the host evaluates each design the study hands out and
returns the result, until the evaluation budget is spent.

    VARNO_LIBRARY=build/default/src/libvarno.so python3 examples/python_sphere.py
"""
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "python"))
import varno  # noqa: E402

OPTIMUM = (1.2, -0.7, 2.3)
BUDGET = 300


def sphere(x):
    """1 plus the squared distance to OPTIMUM: the minimum is 1.0."""
    return 1.0 + sum((a - b) ** 2 for a, b in zip(x, OPTIMUM))


def main():
    with tempfile.TemporaryDirectory() as directory, \
            varno.Study(directory, {"deleteResults": True}) as study:
        study.create("sphere", type="optimization")
        for i in range(1, 4):
            study.parameter(f"x{i}", type="Continuous", id=i, min=-5, baseline=-4, max=5)
        study.response("f")
        study.study_data("sphere", randomSeed=0.5)
        study.method("search", method="TRAVOK", numEvals=BUDGET)
        for i in range(1, 4):
            study.variable(f"x{i}", id=i, resolution=1001)
        study.objective("f", option="min_value")
        study.finalize()

        evaluated, cycles = {}, 0
        while not study.complete:
            designs = study.ask()
            if not designs:
                break
            cycles += 1
            evaluated.update((d.id, d.values) for d in designs)
            study.tell({d.id: [sphere(d.values)] for d in designs})

        best_id, performance = study.best()
        x = evaluated[best_id]
        print(f"VARNO build {varno.build_number()}: {len(evaluated)} designs in {cycles} sets")
        print(f"best design {best_id}: x = ({', '.join(f'{v:.3f}' for v in x)}), "
              f"f = {sphere(x):.5f} (performance {performance:.5f})")
        print(f"optimum:          x = ({', '.join(f'{v:.3f}' for v in OPTIMUM)}), f = 1.00000")
        return 0 if len(evaluated) == BUDGET and sphere(x) < 1.05 else 1


if __name__ == "__main__":
    sys.exit(main())
