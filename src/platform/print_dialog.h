#pragma once

#include <QList>
#include <QPageLayout>
#include <QPrinter>
#include <QStringList>

#include <memory>

class QWidget;

namespace vdn {

// The session's current printer and the print dialog that chooses it. All
// printing goes to currentPrinter(); the choice made in the dialog (printer or
// PDF file, copies, duplex, orientation) stays on it until the program ends.
class PrintDialog {
public:
    virtual ~PrintDialog() = default;

    virtual QPrinter& currentPrinter() = 0;

    // Shows the dialog preset from the current printer, owned by `owner`, and
    // waits for the user. Confirmed: the chosen printer, copies, duplex and
    // orientation are applied to the current printer and true is returned.
    // Cancelled: the current printer is left exactly as it was.
    virtual bool choose(QWidget* owner) = 0;
};

// Qt's print dialog. Without any installed printer it offers printing to a
// PDF file; the file name is preset so that confirming works at once.
class QtPrintDialog : public PrintDialog {
public:
    QtPrintDialog();
    ~QtPrintDialog() override;

    QPrinter& currentPrinter() override;
    bool choose(QWidget* owner) override;

    // The PDF file offered when the printer has none yet: the document's
    // name (the print job's title, characters a file name cannot hold
    // replaced by "_"; "vordan" when it has none) in the user's documents
    // folder.
    static QString defaultPdfFile(const QString& docName = {});

private:
    std::unique_ptr<QPrinter> printer_;
    // The file last offered: replaced by the next document's own name,
    // unlike a file the user chose.
    QString offered_;
};

// Answers the print dialog from a script, for tests and the benchmark. Each
// showing is recorded with the settings it was preset with; a showing that was
// not expected is recorded as a failure and answered with Cancel.
class ScriptedPrintDialog : public PrintDialog {
public:
    struct Choice {
        QString pdfFile; // the job goes to this PDF file
        int copies = 1;
        QPrinter::DuplexMode duplex = QPrinter::DuplexNone;
        QPageLayout::Orientation orientation = QPageLayout::Portrait;
        QString printer{}; // when set, the job goes to this print queue instead
    };
    // The settings of the current printer when the dialog was shown.
    struct Preset {
        QString outputFileName;
        int copies = 1;
        QPrinter::DuplexMode duplex = QPrinter::DuplexNone;
        QPageLayout::Orientation orientation = QPageLayout::Portrait;
        QString docName; // the job's name, from which Qt's dialog names a new PDF file
    };

    ScriptedPrintDialog();
    ~ScriptedPrintDialog() override;

    void expectAccept(const Choice& choice);
    void expectCancel();

    QPrinter& currentPrinter() override;
    bool choose(QWidget* owner) override;

    const QList<Preset>& shown() const { return shown_; }
    const QStringList& failures() const { return failures_; }
    int pending() const { return int(script_.size()); }
    void clear();

private:
    struct Answer {
        bool accept = false;
        Choice choice;
    };
    std::unique_ptr<QPrinter> printer_;
    QList<Answer> script_;
    QList<Preset> shown_;
    QStringList failures_;
};

} // namespace vdn
