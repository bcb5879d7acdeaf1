#pragma once
#include "Patterns/Color.h"

namespace mv {

class Random;

// Hue, saturation and lightness, each 0..1, held in single precision.
class ColorHSL {
public:
    ColorHSL(float h, float s, float l) : m_fH(h), m_fS(s), m_fL(l) {}
    explicit ColorHSL(Color rgb);
    virtual ~ColorHSL() = default;

    Color ToRGB() const;
    static float HueToValue(float m1, float m2, float h);

    float GetH() const { return m_fH; }
    float GetS() const { return m_fS; }
    float GetL() const { return m_fL; }
    void SetL(float l) { m_fL = l; }

private:
    float m_fH;
    float m_fS;
    float m_fL;
};

// Weighted choice of one of twelve hue sectors.
class ColorChoiceTable {
public:
    ColorChoiceTable();
    void Build(const float weights[12]);
    int Draw(Random& generator) const;  // exactly one uniform() per call
    float Entry(int k) const { return m_aC[k]; }

private:
    float m_aC[12];
};

}  // namespace mv
