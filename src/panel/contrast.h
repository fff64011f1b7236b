#pragma once
// Text contrast as readers perceive it: the ratio of two colours' relative luminances (each plus a
// little flare), from 1 (the same) to 21 (black on white). Body text wants at least 4.5.

#include <QColor>

namespace qx9 {

constexpr double kReadableContrast = 4.5;

double RelativeLuminance(const QColor& colour);
double ContrastRatio(const QColor& a, const QColor& b);

// The text colour itself when it already reads at the minimum on the background; otherwise the same
// hue moved toward black (or white, on a dark background) just far enough to reach it.
QColor ReadableOn(const QColor& text, const QColor& background, double minimum = kReadableContrast);

}  // namespace qx9
