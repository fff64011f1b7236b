#include "panel/contrast.h"

#include <algorithm>
#include <cmath>

namespace qx9 {

namespace {
// A gamma-encoded channel (0..1) back to linear light.
double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor Mix(const QColor& from, const QColor& to, double t) {
  auto channel = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}
}  // namespace

double RelativeLuminance(const QColor& colour) {
  return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) + 0.0722 * Linear(colour.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& text, const QColor& background, double minimum) {
  if (ContrastRatio(text, background) >= minimum) return text;
  // Black reaches at least 4.58 on any background at or above mid grey, white on any below it.
  const QColor extreme = RelativeLuminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
  // Contrast grows steadily along the way, so halving the step finds the first mix that reads.
  double lo = 0;
  double hi = 1;
  for (int i = 0; i < 20; ++i) {
    const double mid = (lo + hi) / 2;
    if (ContrastRatio(Mix(text, extreme, mid), background) >= minimum) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  // Channels round to whole numbers, which may cost a hair of contrast: step on until it reads.
  while (hi < 1 && ContrastRatio(Mix(text, extreme, hi), background) < minimum) hi = std::min(1.0, hi + 0.01);
  return Mix(text, extreme, hi);
}

}  // namespace qx9
