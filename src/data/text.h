#pragma once

#include <QString>

namespace vdn {

// The first n characters of a text, never splitting a character made of two
// UTF-16 units (emoji and other characters beyond the Basic Multilingual Plane).
QString leftChars(const QString& text, int n);

} // namespace vdn
