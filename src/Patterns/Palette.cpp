#include "Patterns/Palette.h"

#include <cmath>

#include "Patterns/ColorHSL.h"
#include "Patterns/FractalMath.h"
#include "app/Random.h"

namespace mv {

namespace {

// A colour of a hue drawn by the user's colour weights, a saturation leaning
// towards full, and a lightness within [low, high] percent scaled by 0.8.
// With bTop the lightness is the top of the range and is not drawn.
ColorHSL RandomColour(Random& r, const ColorChoiceTable& table, int iLow, int iHigh, bool bTop) {
    int k = table.Draw(r);
    double hue = k / 12.0 + r.symmetric() / 24.0;
    if (hue < 0.0)
        hue += 1.0;
    else if (hue > 1.0)
        hue -= 1.0;
    double u1 = r.uniform();
    double u2 = r.uniform();
    double u3 = r.uniform();
    double saturation = 1.0 - u1 * u2 * u3;
    double lightness = bTop ? iHigh * 0.8 / 100.0 : (iLow + (iHigh - iLow) * r.uniform()) * 0.8 / 100.0;
    return ColorHSL(static_cast<float>(hue), static_cast<float>(saturation), static_cast<float>(lightness));
}

double Ease(double t, int iExponent, bool bPower) {
    return bPower ? fmath::PowInt(t, iExponent) : fmath::Root(t, iExponent);
}

int Blend(int iStart, int iEnd, double t) { return static_cast<int>(iStart + t * (iEnd - iStart)); }

}  // namespace

Palette BuildPalette(Random& r, int iBrightness, const ColorChoiceTable& table) {
    constexpr int N = Palette::kSize;
    const int B = iBrightness < 0 ? 0 : (iBrightness > 100 ? 100 : iBrightness);
    Palette palette;
    Palette::Draws& d = palette.draws;

    d.bDark = r.uniform() < (1.0 - B / 100.0) * 0.2;
    d.bLight = r.uniform() < B * 0.2 / 100.0;
    do {
        d.iMinLength = r.skewed(N, 5) + 12;
        d.iMaxLength = r.skewed(N, 4) + 12;
    } while (d.iMaxLength < d.iMinLength);

    d.iLow = 0;
    d.iHigh = 100;
    if (B < 40)
        d.iHigh = B;
    else if (B < 50)
        d.iHigh = B + 50;
    else if (B > 50 && B <= 60)
        d.iLow = B - 50;
    else if (B > 60)
        d.iLow = B;

    ColorHSL first = RandomColour(r, table, d.iLow, d.iHigh, false);
    if (d.bDark) first = ColorHSL(first.GetH(), 0.0f, 0.0f);
    d.firstColor = first.ToRGB();
    d.iParity = r.below(2);
    d.iExponent = r.skewed(9, 3) + 1;

    int& groups = palette.groups;
    groups = 0;
    int i = 0;
    Color current = d.firstColor;
    while (i < N) {
        if (i > 0) --i;
        int L = r.below(d.iMaxLength) + 1;
        if (L < d.iMinLength) L = d.iMinLength;
        if (L > N - i) L = N - i;
        if (N - d.iMinLength < i + L && groups > 2) L = N - i;

        Color start = current;
        ++groups;
        Color end;
        if (i + L == N)
            end = d.firstColor;
        else
            end = RandomColour(r, table, d.iLow, d.iHigh, groups == 1 && !d.bLight).ToRGB();
        d.groupList.push_back({i, L});

        int steps = L - 1 < 1 ? 1 : L - 1;
        bool bPower = groups % 2 == d.iParity;
        for (int k = 0; k < L; ++k) {
            double t = Ease(static_cast<double>(k) / steps, d.iExponent, bPower);
            Color c = MakeRGB(Blend(RedOf(start), RedOf(end), t), Blend(GreenOf(start), GreenOf(end), t),
                              Blend(BlueOf(start), BlueOf(end), t));
            if (d.bDark || d.bLight) {
                ColorHSL hsl(c);
                float bulge = static_cast<float>((0.5 - std::fabs(t - 0.5)) * 2.0 * 0.8);
                float l = hsl.GetL();
                if (d.bDark && d.bLight)
                    l = bulge;
                else if (d.bLight)
                    l = l > bulge ? l : bulge;
                else
                    l = l < bulge ? l : bulge;
                hsl.SetL(l);
                c = hsl.ToRGB();
            }
            palette.colors[static_cast<size_t>(i)] = c;
            ++i;
        }
        current = end;
    }
    return palette;
}

}  // namespace mv
