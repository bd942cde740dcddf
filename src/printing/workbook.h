#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringView>

namespace vdn {

// Writes a workbook in the Office Open XML format (.xlsx) of one sheet whose
// every cell is text: a spreadsheet program shows each value exactly as
// typed, leading zeros, "+", "=" and accents included, where it would read a
// CSV file's codes, postcodes and telephone numbers as numbers or formulas.
// The sheet is written row by row as it comes, so that a large list needs no
// more memory than a small one; the file appears, complete, on commit().
class WorkbookWriter {
public:
    // `columns`: how many columns the sheet has, each formatted as text so
    // that what the user types there later stays text too.
    WorkbookWriter(const QString& path, const QString& sheetName, int columns);
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    bool open();
    // One row; cells are added to it with cell() until the next row().
    bool row();
    bool cell(QStringView text);
    // Ends the sheet, writes the rest of the workbook and puts the file in
    // place. False when something could not be written (errorString()).
    bool commit();
    // Leaves no file behind, and whatever was at the path as it was.
    void cancel();
    QString errorString() const;

private:
    bool write(const QByteArray& bytes);
    bool sheetBytes(const QByteArray& bytes);
    bool endRow();
    bool entry(const char* name, const QByteArray& content);
    void central(const char* name, quint32 crc, quint64 size, qint64 at);

    QSaveFile file_;
    QString sheetName_;
    QByteArray pending_;
    QByteArray central_;
    quint32 sheetCrc_ = 0;
    quint64 sheetSize_ = 0;
    qint64 sheetHeaderAt_ = 0;
    int entries_ = 0;
    int rows_ = 0;
    int columns_ = 0;
    int columnsInRow_ = 0;
    bool inRow_ = false;
    QString error_;
};

} // namespace vdn
