#pragma once

#include <QString>

#include <string_view>

namespace vdn {

// The first n characters of a text, never splitting a character made of two
// UTF-16 units (emoji and other characters beyond the Basic Multilingual Plane).
QString leftChars(const QString& text, int n);

// Whether the bytes are text that a server's UTF-8 column holds as it is:
// well-formed UTF-8 (no overlong form, no surrogate, nothing past U+10FFFF)
// without a NUL character.
bool isServerText(std::string_view bytes);

} // namespace vdn
