#include "Patterns/ColorHSL.h"

#include "app/Random.h"

namespace mv {

namespace {

// Truncates a channel value toward zero. Values the int range cannot hold
// (and NaN) give 0 rather than an undefined conversion; everything else
// wraps modulo 256 in MakeRGB.
int Channel(float v) {
    if (!(v > -2147483648.0f && v < 2147483648.0f)) return 0;
    return static_cast<int>(v);
}

}  // namespace

ColorHSL::ColorHSL(Color rgb) {
    float r = RedOf(rgb) / 255.0f;
    float g = GreenOf(rgb) / 255.0f;
    float b = BlueOf(rgb) / 255.0f;
    float fMax = r > g ? (r > b ? r : b) : (g > b ? g : b);
    float fMin = r < g ? (r < b ? r : b) : (g < b ? g : b);
    m_fL = (fMax + fMin) / 2.0f;
    if (fMax == fMin) {
        m_fS = 0.0f;
        m_fH = 0.0f;
        return;
    }
    float d = fMax - fMin;
    m_fS = m_fL >= 0.5f ? d / (2.0f - fMax - fMin) : d / (fMax + fMin);
    float h;
    if (r == fMax)
        h = (g - b) / d;
    else if (g == fMax)
        h = (b - r) / d + 2.0f;
    else
        h = (r - g) / d + 4.0f;
    h = h / 6.0f;
    if (h < 0.0f) h += 1.0f;
    m_fH = h;
}

float ColorHSL::HueToValue(float m1, float m2, float h) {
    if (h < 0.0f) h += 1.0f;
    if (h > 1.0f) h -= 1.0f;
    if (6.0f * h < 1.0f) return m1 + (m2 - m1) * 6.0f * h;
    if (2.0f * h < 1.0f) return m2;
    if (3.0f * h < 2.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
    return m1;
}

Color ColorHSL::ToRGB() const {
    float r, g, b;
    if (m_fS == 0.0f) {
        r = g = b = m_fL;
    } else {
        float m2 = m_fL > 0.5f ? m_fL + m_fS - m_fL * m_fS : m_fL * (1.0f + m_fS);
        float m1 = 2.0f * m_fL - m2;
        r = HueToValue(m1, m2, m_fH + 1.0f / 3.0f);
        g = HueToValue(m1, m2, m_fH);
        b = HueToValue(m1, m2, m_fH - 1.0f / 3.0f);
    }
    // Truncate toward zero; out-of-range lightness wraps modulo 256 as RGB does.
    return MakeRGB(Channel(r * 255.0f), Channel(g * 255.0f), Channel(b * 255.0f));
}

ColorChoiceTable::ColorChoiceTable() {
    for (float& c : m_aC) c = 0.0f;
    m_aC[11] = 1.0f;
}

void ColorChoiceTable::Build(const float weights[12]) {
    float total = 0.0f;
    for (int k = 0; k < 12; ++k) total += weights[k];
    float running = 0.0f;
    for (int k = 0; k < 11; ++k) {
        if (total != 0.0f) {
            running = running + weights[k] / total;
            m_aC[k] = running;
        } else {
            m_aC[k] = 0.0f;
        }
    }
    m_aC[11] = 1.0f;
}

int ColorChoiceTable::Draw(Random& generator) const {
    float x = static_cast<float>(generator.uniform());
    for (int k = 0; k < 12; ++k)
        if (x < m_aC[k]) return k;
    return 0;
}

}  // namespace mv
