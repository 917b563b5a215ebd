#pragma once

// Special functions behind the "FRES" and linked "GAUSS" curves. C linkage and C
// names: they are plain numeric routines, safe to call from any thread, and they
// allocate nothing and take no lock.

#ifdef __cplusplus
extern "C" {
#endif

/** Fresnel integrals S(x) = ∫₀ˣ sin(πt²/2) dt and C(x) = ∫₀ˣ cos(πt²/2) dt in single
    precision, after the Cephes fresnl routine. Writes S to *s and C to *c. */
void fresnl_integral (float x, float* s, float* c);

/** erf(z) computed as the regularised incomplete gamma function P(1/2, z²), with the
    sign of z. Infinite or overflowing arguments give exactly ±1, NaN gives NaN. */
float erf_incgamma (float z);

/** Series for P(1/2, x), for 0 < x < 1.5. */
float gser (float x);

/** Continued fraction (modified Lentz) for Q(1/2, x) = 1 − P(1/2, x), for x ≥ 1.5. */
float gcf (float x);

/** Writes the three-line run-time error report to standard error, then returns. */
void nrerror (const char* message);

#ifdef __cplusplus
}
#endif
