#!/usr/bin/env python3
"""Evaluator of the bracket reliability example: reads one design as JSON on
standard input and prints its responses as JSON on standard output.

A cantilevered bracket of width 40 mm and length 60 mm carries the load
(N) at its tip; its bending stress (MPa) at the root follows from its
thickness (mm). The margin is the yield strength (MPa) less that stress.
"""
import json
import sys

WIDTH = 40.0
LENGTH = 60.0


def responses(variables, parameters):
    thickness = variables["thickness"]
    stress = 6.0 * parameters["load"] * LENGTH / (WIDTH * thickness * thickness)
    return {"stress": stress, "margin": parameters["yieldStrength"] - stress}


if __name__ == "__main__":
    design = json.load(sys.stdin)
    json.dump(responses(design["variables"], design["parameters"]), sys.stdout)
