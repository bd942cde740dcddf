#pragma once

#include <QStringView>

#include <string_view>

struct sqlite3;

namespace vdn {

// The leading number of a text, read the way the reference lists are ordered:
// leading blanks skipped, an optional sign, digits, then a decimal separator
// ("." or ",") and digits; reading stops at the first character that cannot
// continue the number. A text without a leading number is 0.
double val(std::string_view utf8);
double val(QStringView text);

// Registers val() as an SQL function on a connection. Used in queries only;
// the stored schema never refers to it.
bool registerValFunction(sqlite3* db);

// Registers vdn_upper(): the text in capitals as Qt writes them, so that
// accented letters compare without regard to case (the built-in NOCASE folds
// ASCII letters only). Used in queries only.
bool registerUpperFunction(sqlite3* db);

} // namespace vdn
