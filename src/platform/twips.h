#pragma once

#include <QRect>

namespace vdn {

// The windows are laid out in twips, as they were designed. Screen pixels
// are twips divided by 15 (96 dots per inch): the one conversion every
// window uses.
constexpr int TwipsPerPixel = 15;
constexpr int px(int twips) {
    return twips / TwipsPerPixel;
}
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace vdn
