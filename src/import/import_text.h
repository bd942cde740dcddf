#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vdn {

// Reading a customer file written as text (CSV, a spreadsheet's "Unicode
// text", or a spreadsheet converted to CSV) into a table of cells.

// PerLine: each line in the encoding it is valid in, UTF-8 or else
// Windows-1252 (a file whose lines were pasted from files of both kinds).
// MacRoman: the old Macintosh files' encoding.
enum class TextEncoding { Guess, Utf8, Utf16, Windows1252, Iso885915, PerLine, MacRoman };

// How a file is read; each part may be left to the guess.
struct TextOptions {
    TextEncoding encoding = TextEncoding::Guess;
    QChar separator;            // ';', ',' or '\t'; null: guessed
    std::optional<bool> header; // whether a row names the columns
    // The file line the data begin on (1 = the first); the row just above
    // it names the columns when there is a header. None: guessed.
    std::optional<int> firstDataLine;
};

// A row of the file that is no customer: above the header, a total, the
// header repeated.
struct SkippedRow {
    int line = 0;
    QStringList cells;
    QString reason; // French: "au-dessus de l'en-tête", "ligne de total"…
};

// A file read into rows of cells, with what was guessed or chosen.
struct TextTable {
    TextEncoding encoding = TextEncoding::Utf8;
    QChar separator = QLatin1Char(';');
    bool header = false;
    QStringList columns;     // the header row's cells, or "Colonne 1", "Colonne 2"…
    QList<QStringList> rows; // data rows, each padded to the columns' count
    QList<int> lines;        // the file line each data row starts on (1 = first)
    QString headerLine;      // the header row as read (the key of a kept mapping)
    int headerFileLine = 0;  // the file line of the header row (0: none)
    int firstDataLine = 0;   // the file line of the first data row (0: none)
    QList<SkippedRow> skipped;
    QString error; // French; the file was not read when set
    // A file that mixes encodings: the file lines with accents written in
    // UTF-8, and those that are not UTF-8 (both empty otherwise), and what
    // the user is told before anything is written (empty when all is well).
    QList<int> utf8Lines;
    QList<int> otherLines;
    QString warning;
};

// The encoding's name as offered to the user ("UTF-8", "Windows-1252"…).
QString encodingName(TextEncoding encoding);

// The text of the bytes in that encoding (Guess: UTF-8 when the bytes are
// valid UTF-8, with or without a byte order mark; UTF-16 when they begin with
// its byte order mark; PerLine when some lines with accents are UTF-8 and
// others are not; MacRoman when more of its bytes are French letters in Mac
// Roman than in Windows-1252; else Windows-1252). On a NUL character, a byte
// Windows-1252 leaves undefined or bytes that are not the chosen encoding,
// nothing is returned and `error` says which line and byte.
std::optional<QString> decodeText(const QByteArray& bytes, TextEncoding& encoding, QString& error);

// The cells of CSV text: fields separated by `separator`, in double quotes
// where they hold the separator, quotes (doubled) or line breaks; lines end in
// CR LF, LF or CR; blank lines are skipped. `lines` gets the line each row
// starts on. A quote left open fails, with its line in `error`.
std::optional<QList<QStringList>> parseDelimited(const QString& text, QChar separator,
                                                 QList<int>* lines, QString& error);

// The separator of the text: of ';', tab and ',', the one that splits its
// first rows into the same number (above one) of cells most often, the most
// cells on a tie.
QChar guessSeparator(const QString& text);

// The whole reading: bytes to a table, following each given option and
// guessing the others. Rows whose cells are all blank are left out. The
// header is the first of the first rows whose cells name the most customer
// fields (two at least, or one when no row names more), so that title rows
// above it are skipped; no row naming any, there is no header. Below it,
// totals ("TOTAL 6", "Sous-total :") and the header repeated are skipped.
TextTable readTextTable(const QByteArray& bytes, const TextOptions& options);

// "Le fichier mélange deux codages : UTF-8 (lignes …) et Windows-1252
// (lignes …)." for a file that mixes encodings, empty for any other.
QString mixedEncodingText(const TextTable& table);

// What a row of a file that mixes encodings was read as, for the preview:
// "lue en UTF-8", "lue en Windows-1252", "lue en UTF-8 et en Windows-1252",
// or, read in one encoding the user chose, "semble en UTF-8" for a row whose
// accents are UTF-8. Empty for any other row or file.
QString encodingNote(const TextTable& table, qsizetype row);

// Whether a header cell names a field the column guess knows. Set by the
// field guess, so that reading needs no knowledge of fields.
using HeaderTest = bool (*)(const QString& cell);
void setHeaderTest(HeaderTest test);

} // namespace vdn
