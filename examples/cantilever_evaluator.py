#!/usr/bin/env python3
"""Evaluator of the cantilever example: reads one design as JSON on standard
input and prints its responses as JSON on standard output.

The beam has a rectangular cross-section (width, height in mm) and carries a
tip load of 2 kN at 1 m: its mass per metre, bending stress and tip deflection
follow in closed form. A real evaluator would run a simulation here instead.
"""
import json
import sys


def evaluate(variables):
    width, height = variables["width"], variables["height"]
    mass = 7.85e-3 * width * height              # kg per metre of steel
    stress = 6.0 * 2.0e6 / (width * height ** 2)  # MPa under 2 kN m
    inertia = width * height ** 3 / 12.0          # mm^4
    deflection = 2.0e3 * 1.0e9 / (3.0 * 210.0e3 * inertia)  # mm, E = 210 GPa
    return {"mass": mass, "stress": stress, "deflection": deflection}


if __name__ == "__main__":
    design = json.load(sys.stdin)
    json.dump(evaluate(design["variables"]), sys.stdout)
