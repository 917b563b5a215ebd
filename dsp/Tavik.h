#pragma once

/** The six memoryless transfer curves of the saturator.

    Curve numbers follow the "satType" parameter: 0 NOSAT, 1 ARCTAN, 2 TANHYP,
    3 GAUSS, 4 FRES, 5 CIRC.
*/
class Tavik
{
public:
    enum Curve : int
    {
        nosat = 0,
        arctan = 1,
        tanhyp = 2,
        gauss = 3,
        fres = 4,
        circ = 5,
        numCurves = 6
    };

    /** Shapes count samples of source into destination with the given curve and
        linear gain. Indices are visited in ascending order, each source sample read
        before its destination sample is written, so destination may equal source.
        An unknown curve number writes nothing. Runs on the fastest engine of
        this CPU; tavik::reference::process is the scalar form. */
    void process (float* destination, const float* source, float gain, int curve, int count);

    // Scratch outputs of fresnl_integral in the scalar engine; they carry nothing from
    // one sample to the next.
    float fresnelS;
    float fresnelC;

    const float halfPi = 1.57079637f;  // nearest float to π/2, bits 0x3FC90FDB
    const float sqrtTwo = 1.41421354f; // nearest float to √2, bits 0x3FB504F3
};
