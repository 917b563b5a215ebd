#!/usr/bin/env python3
"""Reference values and error bounds for the tavik_dsp tests.

Run by hand, offline (python3 with python3-mpmath, nothing else), and paste the
printed tables into the test sources; the tests never run this script.

Each reference is the exact value of the formula at the float inputs that the
code sees: the single-precision products that form a curve's argument are
rounded as IEEE float arithmetic rounds them (a product of two floats is exact in
double, so one rounding to float reproduces it, and sqrt is correctly rounded),
and the special functions are evaluated by mpmath at 40 significant digits.

Tolerances are absolute, in the units of the value. u = 2^-24 is the unit
roundoff of float, ulp(v) the spacing of floats at v.

fresnl_integral, power series (x^2 < 2.5625): Horner's rule of degree n in float
    errs by at most (2n + 1) u cond(p) relative to first order, where
    cond(p) = sum |a_i| t^i / |p(t)| (this includes the rounding of the
    coefficients to float). Numerators have degree 5, denominators degree 6, and
    four more roundings form t, the products and the quotient:
    rel = u (11 cond(num) + 13 cond(den) + 4).
fresnl_integral, auxiliary functions (x^2 >= 2.5625, |x| <= 36974): the phase
    theta = (pi/2) x^2 is rounded to float twice (x^2, then theta), so it is off
    by up to delta = 2u theta. The result moves along a circle of radius
    sqrt(f^2 + g^2) < 1 scaled by 1/T, T = pi |x|, so a phase error moves it by at
    most min(delta, 2) / T (a chord). The rational f and g, the rounded sine and
    cosine, T and the last products add a few u / T (8u / T is allowed), and the
    final addition of 0.5 rounds by at most 2^-25:
    tol = (min(2u theta, 2) + 8u) / T + 2^-25.
fresnl_integral, |x| > 36974: evaluated in double and rounded once to float; the
    terms that the asymptotic form drops are below 1e-14 there: tol = 2^-24.
gser: the terms are positive; after k steps a term carries 2k roundings (a
    quotient and a product), each partial sum adds min(u s, term), the stop test
    leaves a geometric tail, the result is rounded once and ln Gamma(1/2) is
    stored rounded to float (1.7e-8 relative). gser_bound() sums this along the
    series; its maximum over (0, 1.5) is 14.0u, so rel = 15u.
gcf: at most 16 modified-Lentz steps for X >= 1.5 (X = 1.5 is the slowest), each
    rounding d, c, their product and h once: rel = 4 * 16u = 64u (first order,
    the recurrence does not amplify for a = 1/2).
erf_incgamma: X = z^2 rounded to float shifts P(1/2, X) by at most u/2 relative.
    Series side (X < 1.5): 15u + u/2 relative, that is at most 16 ulps. Continued
    fraction side: 1 - Q with Q <= Q(1/2, 1.5) = 0.0833 carries 64u * 0.0833 =
    5.3u absolute, plus the rounding of the subtraction: within 16 ulps as well.
C library curves: glibc's documented worst cases on x86-64 are atanf, erff, sinf
    and asinf 1 ulp, tanhf 2 ulps.
"""

import math
import struct

from mpmath import mp, mpf, asin, atan, erf, fresnelc, fresnels, gammainc, sin, sqrt, tanh

mp.dps = 40

U = 2.0 ** -24
HALF_PI = struct.unpack('f', struct.pack('f', math.pi / 2))[0]
SQRT_TWO = struct.unpack('f', struct.pack('f', math.sqrt(2)))[0]
NOSAT, ARCTAN, TANHYP, GAUSS, FRES, CIRC = range(6)
CURVE_NAMES = ['Tavik::nosat', 'Tavik::arctan', 'Tavik::tanhyp', 'Tavik::gauss', 'Tavik::fres', 'Tavik::circ']


def f32(v):
    return struct.unpack('f', struct.pack('f', float(v)))[0]


def ulp(v):
    v = abs(f32(v))
    if v == 0.0 or math.isinf(v):
        return 2.0 ** -149
    return max(2.0 ** (math.frexp(v)[1] - 24), 2.0 ** -149)


def lit(v):
    """A C++ float literal that reads back as exactly v."""
    v = f32(v)
    text = '%.9g' % v
    if 'e' not in text and '.' not in text:
        text += '.0'
    return text + 'f'


def hexlit(v):
    mantissa, exponent = float(f32(v)).hex().split('p')
    return mantissa.rstrip('0') + 'p' + exponent + 'f'


def dbl(v):
    return '%.17g' % float(v)


def tol(v):
    return '%.3e' % float(v)


# Cephes fresnl tables as published, highest power first; a monic table gains its 1.
SN = [-2.99181919401019853726E3, 7.08840045257738576863E5, -6.29741486205862506537E7,
      2.54890880573376359104E9, -4.42979518059697779103E10, 3.18016297876567817986E11]
SD = [1.0, 2.81376268889994315696E2, 4.55847810806532581675E4, 5.17343888770096400730E6,
      4.19320245898111231129E8, 2.24411795645340920940E10, 6.07366389490084639049E11]
CN = [-4.98843114573573548651E-8, 9.50428062829859605134E-6, -6.45191435683965050962E-4,
      1.88843319396703850064E-2, -2.05525900955013891793E-1, 9.99999999999999998822E-1]
CD = [3.99982968972495980367E-12, 9.15439215774657478799E-10, 1.25001862479598821474E-7,
      1.22262789024179030997E-5, 8.68029542941784300606E-4, 4.12142090722199792936E-2,
      1.00000000000000000118E0]


def cond(coefficients, t):
    n = len(coefficients) - 1
    absolute = sum(abs(a) * t ** (n - i) for i, a in enumerate(coefficients))
    return absolute / abs(sum(a * t ** (n - i) for i, a in enumerate(coefficients)))


def fresnel(x):
    """(S, C, tolS, tolC) at the float x."""
    x = f32(x)
    s, c = fresnels(mpf(x)), fresnelc(mpf(x))
    ax = abs(x)
    if f32(x * x) < 2.5625:
        t = x ** 4
        rel_s = U * (11 * cond(SN, t) + 13 * cond(SD, t) + 4)
        rel_c = U * (11 * cond(CN, t) + 13 * cond(CD, t) + 4)
        return s, c, abs(float(s)) * rel_s, abs(float(c)) * rel_c
    if ax > 36974.0:
        return s, c, U, U
    theta = math.pi * x * x / 2
    bound = (min(2 * U * theta, 2.0) + 8 * U) / (math.pi * ax) + 2.0 ** -25
    return s, c, bound, bound


def gser_bound(x):
    x = mpf(x)
    term = sum_ = mpf(2)
    ap = mpf(0.5)
    err = 0
    k = 0
    while True:
        k += 1
        ap += 1
        term = term * x / ap
        sum_ += term
        err += 2 * k * U * term + min(U * sum_, term)
        if term < sum_ * mpf(3e-7):
            break
    ratio = x / (ap + 1)
    return float((err + term * ratio / (1 - ratio)) / sum_) / U + 0.5 + 1.7e-8 / U


def curve_value(curve, x, g):
    """(exact value of the curve, absolute tolerance) for Tavik::process."""
    if curve == ARCTAN:
        p = f32(f32(x * g) * HALF_PI)
        v = atan(mpf(p)) / mpf(HALF_PI)
        # atanf's 1 ulp can be 2 ulps of the quotient, plus the quotient's own rounding.
        return v, 3 * ulp(v)
    if curve == TANHYP:
        v = tanh(mpf(f32(x * g)))
        return v, 2 * ulp(v)
    if curve == GAUSS:
        v = erf(mpf(f32(x * g)))
        return v, ulp(v)
    if curve == FRES:
        p = f32(f32(x * g) * SQRT_TWO)
        _, c, _, tol_c = fresnel(p)
        v = c / mpf(0.72)
        return v, tol_c / 0.72 + ulp(v) / 2
    if curve == CIRC:
        if x >= 1 or x <= -1:
            angle = f32(HALF_PI * g)
            v = sin(mpf(angle)) * (1 if x >= 1 else -1)
            return v, ulp(v)
        phi = asin(mpf(x)) * g
        v = sin(phi)
        # asinf (1 ulp, 2u relative) and the product (u) move the angle by 3u |phi|.
        return v, 3 * U * abs(float(phi)) + ulp(v)
    raise ValueError(curve)


def linked_value(curve, left, right, g):
    """(exact left output, exact right output, tolerances) of the linked formula."""
    left, right, g = f32(left), f32(right), f32(g)
    v = f32(sqrt(mpf(f32(f32(f32(right * right) + f32(left * left)) / SQRT_TWO))))
    gv = f32(v * g)
    if curve == NOSAT:
        d, tol_d = mpf(v), 0.0
    elif curve == ARCTAN:
        p = f32(gv * HALF_PI)
        d = atan(mpf(p)) / mpf(HALF_PI)
        tol_d = 3 * ulp(d)
    elif curve == TANHYP:
        d = tanh(mpf(gv))
        tol_d = 2 * ulp(d)
    elif curve == GAUSS:
        d = erf(mpf(gv))
        tol_d = 16 * ulp(d)
    elif curve == FRES:
        s, _, tol_s, _ = fresnel(f32(gv * SQRT_TWO))
        d = s / mpf(0.72)
        tol_d = tol_s / 0.72 + ulp(d) / 2
    elif curve == CIRC:
        if v >= 1:
            d = sin(mpf(f32(HALF_PI * g)))
            tol_d = ulp(d)
        else:
            phi = asin(mpf(v)) * g
            d = sin(phi)
            tol_d = 3 * U * abs(float(phi)) + ulp(d)
    scale = mpf(SQRT_TWO) / v
    out = [mpf(left) * scale * d, mpf(right) * scale * d]
    # k = (sqrtTwo * D) / v and L * k: three roundings of u each.
    tols = [abs(float(side * scale)) * tol_d + 3 * U * abs(float(o)) for side, o in zip((left, right), out)]
    return out, tols


def print_fresnel_table():
    below = float.fromhex('0x1.99ccc8p+0') # largest float whose float square is below 2.5625
    above = float.fromhex('0x1.99cccap+0') # its successor: the float square is exactly 2.5625
    xs = [1e-3, 0.1, 0.5, 1.0, 1.2, SQRT_TWO, 1.5, 1.6007, below, above, 1.6009, 2.0, 2.5, 3.0,
          5.0, 7.5, 10.0, 31.6, 100.0, 1000.0, 12345.67, 36974.0, 36974.0 + 2.0 ** -8, 40000.0, 1e6]
    print('// fresnelCases: { x, S, C, tolS, tolC }')
    for x in xs:
        s, c, ts, tc = fresnel(x)
        xl = hexlit(x) if x in (below, above) else lit(x)
        print('    { %s, %s, %s, %s, %s },' % (xl, dbl(s), dbl(c), tol(ts), tol(tc)))


def print_gamma_tables():
    print('// gserCases: { X, P(1/2, X), tol }')
    for x in [1e-30, 1e-10, 1e-4, 0.01, 0.1, 0.25, 0.5, 0.75, 1.0, 1.2, 1.4, f32(1.5 - 2 ** -23)]:
        x = f32(x)
        p = gammainc(mpf(0.5), 0, mpf(x), regularized=True)
        print('    { %s, %s, %s },' % (lit(x), dbl(p), tol(15 * U * float(p))))
    print('// gseries worst bound over (0, 1.5): %.2f u' % max(gser_bound(1.5 * i / 1000) for i in range(1, 1000)))
    print('// gcfCases: { X, Q(1/2, X), tol }')
    for x in [1.5, 1.75, 2.0, 3.0, 5.0, 8.0, 12.0, 20.0, 40.0, 60.0, 80.0]:
        q = gammainc(mpf(0.5), mpf(x), mp.inf, regularized=True)
        print('    { %s, %s, %s },' % (lit(x), dbl(q), tol(64 * U * float(q))))
    print('// erfCases: { z, erf(z), tol }')
    for z in [1e-19, 1e-6, 0.1, 0.5, 1.0, -1.0, 1.2247448, 1.2247449, 1.5, 2.0, -2.5, 3.0, 3.9]:
        z = f32(z)
        e = erf(mpf(z))
        print('    { %s, %s, %s },' % (lit(z), dbl(e), tol(16 * ulp(e))))


def print_curve_table():
    print('// curveCases: { curve, x, gain, expected, tol }')
    for curve in (ARCTAN, TANHYP, GAUSS, FRES, CIRC):
        for g in (0.5, 1.0, 3.7, 30.0):
            for x in (-0.9, -0.25, 0.001, 0.3, 0.99, 1.7):
                x, g = f32(x), f32(g)
                v, t = curve_value(curve, x, g)
                print('    { %s, %s, %s, %s, %s },' % (CURVE_NAMES[curve], lit(x), lit(g), dbl(v), tol(t)))
    print('// curve figures: ARCTAN x*g = 1, FRES 1/sqrt2, CIRC g = 1 and g = 2 at 0.5')
    for curve, x, g in ((ARCTAN, 1.0, 1.0), (ARCTAN, 0.25, 4.0), (FRES, 1 / math.sqrt(2), 1.0), (CIRC, 0.5, 1.0),
                        (CIRC, 0.5, 2.0)):
        x, g = f32(x), f32(g)
        v, t = curve_value(curve, x, g)
        print('    { %s, %s, %s, %s, %s },' % (CURVE_NAMES[curve], lit(x), lit(g), dbl(v), tol(t)))


def print_linked_table():
    print('// linkedCases: { curve, L, R, gain, expectedL, expectedR, tolL, tolR }')
    pairs = [(0.5, 0.5, 1.0), (0.5, 0.0, 1.0), (0.3, -0.7, 2.5), (-0.9, 0.2, 10.0), (0.05, 0.04, 30.0),
             (1.5, -1.2, 1.0), (-0.02, -0.6, 0.7)]
    for curve in range(6):
        for left, right, g in pairs:
            out, tols = linked_value(curve, left, right, g)
            print('    { %s, %s, %s, %s, %s, %s, %s, %s },' % (CURVE_NAMES[curve], lit(left), lit(right), lit(g),
                                                           dbl(out[0]), dbl(out[1]), tol(tols[0]), tol(tols[1])))


def print_figures():
    print('// single figures')
    print('tanh(0.5) =', dbl(tanh(mpf(0.5))))
    v = f32(sqrt(mpf(f32(f32(0.25 + 0.25) / SQRT_TWO))))
    print('linked v(0.5, 0.5) =', dbl(v), ' TANHYP out =', dbl(mpf(0.5) * mpf(SQRT_TWO) * tanh(mpf(v)) / v))
    v = f32(sqrt(mpf(f32(0.25 / SQRT_TWO))))
    print('linked v(0.5, 0) =', dbl(v), ' TANHYP out =', dbl(mpf(0.5) * mpf(SQRT_TWO) * tanh(mpf(v)) / v))
    print('linked NOSAT (0.5, -0.5) =', dbl(mpf(0.5) * mpf(SQRT_TWO)))
    print('CIRC g=2 at 0.5 =', dbl(sin(2 * asin(mpf(0.5)))))
    print('ARCTAN at x*g = 1 =', dbl(atan(mpf(HALF_PI)) / mpf(HALF_PI)))
    p = f32(f32(1 / math.sqrt(2)) * SQRT_TWO)
    print('FRES at 1/sqrt2: argument', lit(p), 'value', dbl(fresnelc(mpf(p)) / mpf(0.72)))
    for x in (1.0, math.sqrt(2), 3.0, -1.0):
        print('fresnel(%s): S = %s C = %s' % (lit(x), dbl(fresnels(mpf(f32(x)))), dbl(fresnelc(mpf(f32(x))))))
    for z in (0.5, 1.0, 3.0, 5.0):
        print('erf(%s) = %s' % (lit(z), dbl(erf(mpf(z)))))


if __name__ == '__main__':
    print_fresnel_table()
    print_gamma_tables()
    print_curve_table()
    print_linked_table()
    print_figures()
