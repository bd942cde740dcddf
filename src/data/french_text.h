#pragma once

#include <QString>

// Searching and ordering text the way a French shop reads it: "guerin" finds
// GUÉRIN, BÉRANGER comes just before BERNARD. The keys below are meant to be
// stored as plain TEXT columns and compared byte by byte (SQLite's BINARY
// collation, PostgreSQL's COLLATE "C"), so that any tool can read the file and
// an index can serve both the search and the order. docs/french-text.md gives
// the rules and the encodings.

namespace vdn {

// The text a search compares: letters in capitals, accents removed (É → E,
// Ç → C), compatibility forms made plain (ﬁ → FI, non-breaking blank → blank,
// ² → 2), ligatures and letters with a stroke written out (Œ → OE, Æ → AE,
// ß → SS, Ø → O, Ł → L, Đ → D), typographic apostrophes and dashes made the
// plain ' and -. Blanks and punctuation are kept as typed. Characters beyond
// the Basic Multilingual Plane (emoji and the like) are kept as they are, and
// so is any character that decomposes into nothing plainer (€, ¤, Þ). The
// character U+0000 is dropped: stored text cannot hold it.
QString foldForSearch(const QString& text);

// First ordering key: foldForSearch() with each character encoded so that, as
// UTF-8 bytes, a blank sorts before any other punctuation, punctuation before
// digits, digits before letters. Letters and digits stay as they are; a blank
// stays a blank; any other character is written after a one-character class
// mark ('!' before ASCII punctuation, '"' before any other symbol). The
// encoding is one-to-one and no character's code begins another's, so the key
// order is the character order and a prefix of the text is a prefix of the key.
QString sortKey1(const QString& text);

// Second ordering key, compared only between texts of equal first key: case
// removed, accents kept, each letter followed by its accents in the order of a
// French dictionary (acute, grave, breve, circumflex, caron, ring, diaeresis,
// …), an accent sorting after any letter, so COTE < COTÉ < CÔTE < CÔTÉ and a
// plain letter comes just before the same letter accented.
QString sortKey2(const QString& text);

// A half-open range [low, high) of stored keys, compared as UTF-8 bytes.
struct KeyRange {
    QString low;
    QString high;
    bool contains(const QString& key) const; // what `key >= low AND key < high` keeps
};

// The range of first keys that the customer name search keeps, given the
// folded typed text `folded` (foldForSearch of the text as typed, blanks
// included). As in the search by name: with L the length of `folded` in
// characters and T `folded` trimmed, a name matches when its first L folded
// characters equal T. So a text without outer blanks keeps the names that
// begin with it, and a text with outer blanks the names equal to T. The range
// is exact: no further test is needed, and an index on the key serves it.
KeyRange searchRange(const QString& folded);

// The range of stored digit keys (phoneDigits, a customer code) beginning
// with `digits`.
KeyRange prefixRange(const QString& digits);

// The digits a typed search text stands for when it is a number: only
// digits, blanks, dots, dashes and one leading '+', with at least two digits.
// A leading '+' reads as the international prefix 00, and a leading 0033 (so
// +33) as 0, as in phoneDigits(). Otherwise empty.
QString searchDigits(const QString& typed);

// The digits a typed number is compared with customer codes by: the typed
// digits as they are, when the text is a number as for searchDigits() without
// a leading '+' and with at most six digits. Otherwise empty.
QString codeDigits(const QString& typed);

// The digits of a stored phone, mobile or fax number, to store beside it and
// search by prefix: any text before the number is skipped, then the digits are
// read through blanks, dots, dashes and brackets up to the first other
// character ("06 12 34 56 78 / 01 …" gives the first number only). A leading
// '+' reads as 00, a leading 0033 as 0, and a "(0)" is dropped, so
// "+33 (0)6 12 34 56 78" gives 0612345678.
QString phoneDigits(const QString& stored);

} // namespace vdn
