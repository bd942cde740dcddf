#pragma once

class QLineEdit;

namespace vdn {

// A line edit cuts a pasted or typed text at its maximum length counted in
// UTF-16 units, which can split a character beyond the Basic Multilingual
// Plane (an emoji) and leave half of it in the box, to be stored as a broken
// character. Once this is called on a box, any such half is dropped as soon as
// the text changes. Call it after connecting the box's other textChanged
// handlers, so that the last text they see is the whole one.
void keepWholeCharacters(QLineEdit* edit);

} // namespace vdn
