#pragma once
// The layout is designed in twips (1/1440 inch), 15 to a pixel at 96 dpi. Qt scales the pixels on
// high-dpi screens through the device pixel ratio, so converting once here is enough.

#include <QRect>

namespace qx9 {

constexpr int Twips(int twips) { return (twips * 2 + 15) / 30; }  // to the nearest pixel

inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

}  // namespace qx9
