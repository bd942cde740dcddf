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

// One row of a window's layout table: the control's name (none for a
// caption nothing refers to), its kind (each window lists its own kinds),
// the frame it lies in (none: the window itself), its rectangle in twips
// relative to that frame, its caption and a number whose meaning the kind
// gives (a length limit, an option's index, a pick list's number).
template <typename Kind> struct LayoutRow {
    const char* name;
    Kind kind;
    const char* in;
    int left, top, width, height;
    const char* caption;
    int number;
};

} // namespace vdn
