#include "data/val.h"

#include <QByteArray>
#include <QString>

#include <charconv>
#include <cmath>
#include <string>

#include <sqlite3.h>

namespace vdn {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Blanks skipped before the number, as the old engine's Val did.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

double val(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && isBlank(s[i]))
        ++i;
    std::string number;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            number.push_back('-');
        ++i;
    }
    bool any = false;
    while (i < n && isDigit(s[i])) {
        number.push_back(s[i++]);
        any = true;
    }
    if (i + 1 < n && (s[i] == '.' || s[i] == ',') && isDigit(s[i + 1])) {
        number.push_back('.');
        ++i;
        while (i < n && isDigit(s[i])) {
            number.push_back(s[i++]);
            any = true;
        }
    }
    if (!any)
        return 0.0;
    double value = 0.0;
    const char* first = number.data();
    const char* last = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Hundreds of digits: either huge, or a fraction too small to matter.
        const std::string whole = number.substr(0, number.find('.'));
        if (whole.find_first_of("123456789") == std::string::npos)
            return 0.0;
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value == 0.0 ? 0.0 : value; // no negative zero in sort keys
}

double val(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    return val(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

namespace {

void sqlVal(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_double(ctx, 0.0);
        return;
    }
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int len = sqlite3_value_bytes(argv[0]);
    if (!text) {
        sqlite3_result_double(ctx, 0.0);
        return;
    }
    sqlite3_result_double(ctx, val(std::string_view(text, static_cast<std::size_t>(len))));
}

void sqlUpper(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int len = sqlite3_value_bytes(argv[0]);
    const QByteArray upper = QString::fromUtf8(text, len).toUpper().toUtf8();
    sqlite3_result_text(ctx, upper.constData(), int(upper.size()), SQLITE_TRANSIENT);
}

} // namespace

bool registerUpperFunction(sqlite3* db) {
    if (!db)
        return false;
    return sqlite3_create_function_v2(db, "vdn_upper", 1,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                      nullptr, &sqlUpper, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool registerValFunction(sqlite3* db) {
    if (!db)
        return false;
    return sqlite3_create_function_v2(db, "val", 1,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                      nullptr, &sqlVal, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace vdn
