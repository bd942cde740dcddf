#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace vdn {

// The spreadsheet program of this computer for a CSV file: on Linux the
// first of LibreOffice Calc and Gnumeric found on the path; on Windows the
// program Windows opens a .csv with (Excel or LibreOffice). Empty when none.
struct SpreadsheetProgram {
    QString program;
    QStringList options;
    bool libreOffice = false; // takes the CSV import options on its command line
    // Handed a workbook rather than the CSV file: a program that reads a CSV's
    // codes, postcodes and telephone numbers as numbers and cannot be told
    // otherwise (Excel). `program` is then the one that opens workbooks.
    bool workbook = false;
};
SpreadsheetProgram systemSpreadsheet();

// Why no spreadsheet program could be found, in French, naming the
// environment variable that can give one.
QString noSpreadsheetReason(const QString& variable);

// LibreOffice's program, which converts workbooks for the import: found on
// the path, and on Windows also in its usual folders under Program Files.
// Empty when it is not installed.
QString installedLibreOffice();
// What to do when it is not, in one French sentence.
QString libreOfficeMissingHint();

// The desktop's spreadsheet program, to which an exported file is handed over.
class Spreadsheet {
public:
    virtual ~Spreadsheet() = default;

    // What the program is to be handed: the CSV file itself, or a workbook
    // written beside it whose every cell is text.
    enum class HandOver { Csv, Workbook };
    virtual HandOver handOver() const { return HandOver::Csv; }

    // Opens the file in the spreadsheet program and returns once the user has
    // closed it. Returns false, with the reason in `reason`, when no program
    // could be started.
    virtual bool openAndWait(const QString& file, QWidget* owner, QString& reason) = 0;
};

// Runs the spreadsheet program as a child process: the command held in the
// environment variable VORDAN_TABLEUR exactly as given (the file's path
// appended as its last argument), or else the first one found of LibreOffice
// Calc and Gnumeric (on Windows, the program Windows opens the file with).
// LibreOffice found that way is given its CSV import options, so that it
// opens the file without asking and every column as text; a program that
// takes no such options is handed a workbook instead.
// While it runs the program keeps repainting its windows but takes no input
// from the user, and no window can be closed.
class ProcessSpreadsheet : public Spreadsheet {
public:
    static constexpr const char* CommandVariable = "VORDAN_TABLEUR";
    // Columns of the customer export.
    static constexpr int ExportColumns = 11;

    // LibreOffice's import filter with its options for the customer export:
    // comma-separated, "-quoted, Windows-1252, every column as text, formulas
    // not evaluated. Passed as --infilter=<this>.
    static QString libreOfficeCsvFilter();

    // The program and its arguments, before the file's path; empty when no
    // command is set and no known program is installed.
    static QStringList command();

    HandOver handOver() const override;
    bool openAndWait(const QString& file, QWidget* owner, QString& reason) override;
};

// Records the files handed over, for tests; fails with a given reason when
// told to.
class ScriptedSpreadsheet : public Spreadsheet {
public:
    void failWith(const QString& reason) { failure_ = reason; }
    void takeWorkbooks() { handOver_ = HandOver::Workbook; }
    HandOver handOver() const override { return handOver_; }
    bool openAndWait(const QString& file, QWidget* owner, QString& reason) override;
    const QStringList& opened() const { return opened_; }

private:
    QString failure_;
    QStringList opened_;
    HandOver handOver_ = HandOver::Csv;
};

} // namespace vdn
