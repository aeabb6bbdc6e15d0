#!/usr/bin/env python3
"""Evaluator of the piston screening example: reads one design as JSON on
standard input and prints its responses as JSON on standard output.

The cycle time of a piston inside a cylinder, in seconds, from its mass M
(kg), surface area S (m^2), initial gas volume V0 (m^3), spring coefficient k
(N/m), atmospheric pressure P0 (N/m^2), ambient temperature Ta (K) and filling
gas temperature T0 (K).
"""
import json
import math
import sys


def cycle_time(v):
    m, s, v0, k = v["M"], v["S"], v["V0"], v["k"]
    p0, ta, t0 = v["P0"], v["Ta"], v["T0"]
    a = p0 * s + 19.62 * m - k * v0 / s
    volume = s / (2.0 * k) * (math.sqrt(a * a + 4.0 * k * p0 * v0 / t0 * ta) - a)
    return 2.0 * math.pi * math.sqrt(m / (k + s * s * p0 * v0 / t0 * ta / (volume * volume)))


if __name__ == "__main__":
    design = json.load(sys.stdin)
    json.dump({"cycle": cycle_time(design["variables"])}, sys.stdout)
