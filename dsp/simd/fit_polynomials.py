#!/usr/bin/env python3
"""Prints the polynomial tables of the vector kernels (simd/Kernels.cpp).

Chebyshev fits with mpmath at 40 digits, highest power first, as the kernels evaluate
them with Horner's rule; the float tables are the fits rounded to single precision.
Run by hand (python3-mpmath); the output is pasted into Kernels.cpp.
"""
import struct

import mpmath as mp

mp.mp.dps = 40


def f32(v):
    return struct.unpack('f', struct.pack('f', float(v)))[0]


def fit(name, function, interval, degree, as_float):
    coefficients, error = mp.chebyfit(function, interval, degree + 1, error=True)
    values = [repr(f32(c)) + 'f' if as_float else repr(float(c)) for c in coefficients]
    print(f'{name}: degree {degree}, error {mp.nstr(error, 3)}')
    print('    ' + ', '.join(values))


def ratio(f, at_zero):
    return lambda z: at_zero if z == 0 else f(z)


half_pi = mp.mpf(f32(mp.pi / 2))
quarter_pi_range = (mp.pi / 4) ** 2 * mp.mpf('1.0001')

# Double precision: erf(x)/x in t = x² on [0, 1], erfc(x) in s = (x − 2.5)/1.5 on [1, 4].
fit('erfSmall', ratio(lambda t: mp.erf(mp.sqrt(t)) / mp.sqrt(t), 2 / mp.sqrt(mp.pi)), [0, 1], 8, False)
fit('erfcLarge', lambda s: mp.erfc(1.5 * s + 2.5), [-1, 1], 18, False)

# Single precision.
fit('arctanPoly', ratio(lambda z: mp.atan(mp.sqrt(z)) / (mp.sqrt(z) * half_pi), 1 / half_pi),
    [0, mp.tan(mp.pi / 8) ** 2], 5, True)
print('baseScale:', repr(f32(mp.pi / 2 / half_pi - 1)) + 'f')
fit('tanhPoly', ratio(lambda z: (mp.tanh(mp.sqrt(z)) / mp.sqrt(z) - 1) / z, mp.mpf(-1) / 3),
    [0, mp.mpf(0.625) ** 2], 5, True)
fit('arcsinePoly', ratio(lambda z: (mp.asin(mp.sqrt(z)) / mp.sqrt(z) - 1) / z, mp.mpf(1) / 6),
    [0, mp.mpf(1) / 4], 5, True)
fit('sinePoly', ratio(lambda z: (mp.sin(mp.sqrt(z)) / mp.sqrt(z) - 1) / z, mp.mpf(-1) / 6),
    [0, quarter_pi_range], 3, True)
fit('cosinePoly', ratio(lambda z: (mp.cos(mp.sqrt(z)) - 1 + z / 2) / (z * z), mp.mpf(1) / 24),
    [0, quarter_pi_range], 2, True)
