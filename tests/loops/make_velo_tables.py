#!/usr/bin/python3
"""Writes the expected velocity-curve tables for tests/loops/VeloTransformerTest.cpp.

An independent model of the curve: anchors, strength, five control points, two cubic Bezier
segments drawn by bisection on t. Python's round() rounds halves to even, as the curve does.
Run: /usr/bin/python3 tests/loops/make_velo_tables.py > tests/data/loops/velo_tables.txt
Each output line: lowX centerX highX floor ceiling strength, then the 127 table entries.
"""

STRENGTHS = [-100, -50, 0, 50, 100, 120, 150]
ANCHORS = [  # lowX, centerX, highX, floor, ceiling
    (1, 64, 127, 1, 127),
    (20, 50, 100, 10, 120),
    (30, 90, 110, 5, 125),
    (40, 41, 42, 1, 127),
    (2, 65, 126, 1, 127),
]


def curve(low, center, high, floor, ceiling, strength):
    table = [0] * 128  # index = input velocity; entry 0 unused

    def put(x, y):
        if 1 <= x <= 127:
            table[x] = min(127, max(1, y))

    s = min(strength, 100)
    out_low = round((strength - 100) * (low - floor) * 0.02) if strength > 100 else 0
    out_high = round((strength - 100) * (ceiling - high) * 0.02) if strength > 100 else 0
    if strength < 0:
        p0 = (low, low + round(-strength * (center - low) * 0.01))
        p2 = (high, high - round(-strength * (high - center) * 0.01))
    else:
        p0 = (low, low - out_low)
        p2 = (high, high + out_high)
    p1 = (center, center)
    if strength == 0:
        c1 = (round((low + center) * 0.5),) * 2
        c2 = (round((center + high) * 0.5),) * 2
    else:
        d1 = round((center - low) * (s + 100) * 0.005)
        d2 = round((high - center) * (s + 100) * 0.005)
        c1 = (low + d1 if strength > 0 else round((low + center) * 0.5), center - d1 - out_low)
        c2 = (high - d2 if strength > 0 else round((center + high) * 0.5), center + d2 + out_high)

    def segment(q0, q1, q2, q3):
        def poly(a, b, c, d):
            a0, a1, a2, a3 = a, 3 * (b - a), 3 * (c - 2 * b + a), (d - a) - 3 * (c - b)
            return lambda t: ((a3 * t + a2) * t + a1) * t + a0

        fx = poly(float(q0[0]), float(q1[0]), float(q2[0]), float(q3[0]))
        fy = poly(float(q0[1]), float(q1[1]), float(q2[1]), float(q3[1]))
        x0, x1 = round(fx(0.0)), round(fx(1.0))
        put(x0, round(fy(0.0)))
        put(x1, round(fy(1.0)))

        def bisect(t0, xlo, t1, xhi):
            while True:
                tm = (t0 + t1) * 0.5
                xm = round(fx(tm))
                if xlo < xm < xhi:
                    put(xm, round(fy(tm)))
                if xm - xlo > 1:
                    bisect(t0, xlo, tm, xm)
                if xhi - xm <= 1:
                    return
                t0, xlo = tm, xm

        bisect(0.0, x0, 1.0, x1)

    for v in range(1, p0[0]):
        put(v, p0[1])
    segment(p0, c1, c1, p1)
    segment(p1, c2, c2, p2)
    for v in range(p2[0], 128):
        put(v, p2[1])
    assert all(1 <= e <= 127 for e in table[1:]), "every input must get an entry"
    return table[1:]


if __name__ == '__main__':
    for anchors in ANCHORS:
        for strength in STRENGTHS:
            row = list(anchors) + [strength] + curve(*anchors, strength)
            print(' '.join(str(v) for v in row))
