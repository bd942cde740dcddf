#pragma once

#include "data/data_error.h"
#include "drilling/sheet_diagram.h"
#include "drilling/sheet_history.h"
#include "drilling/sheet_printout.h"
#include "drilling/sheet_store.h"
#include "platform/services.h"
#include "reference/param_store.h"
#include "session/current_customer.h"
#include "session/record_mode.h"

#include <QFrame>
#include <QSqlDatabase>

#include <memory>

class QComboBox;
class QPrinter;

namespace vdn {

class SheetForm;

// The drilling sheet panel Frame400 of the customer window: the layout
// diagram with its numbered pick lists, the insert, ovalisation, conicity and
// PAP frames, the driller line, the print button and the validate button.
//
// The window shows it in place of its other panels when startCreate() or
// startModify() return true, at OpenWindowHeight; it goes back to the ball
// panel at WindowHeight on saved() (and on its own close box), and runs its
// cancel action on cancelRequested().
class DrillingSheetPanel : public QFrame {
    Q_OBJECT
public:
    enum class Mode { Create, Modify };

    // Window heights: while the sheet is open, and with any other panel.
    static constexpr int OpenWindowHeightTwips = 13050;
    static constexpr int WindowHeightTwips = 10700;
    static constexpr int OpenWindowHeight = px(OpenWindowHeightTwips);
    static constexpr int WindowHeight = px(WindowHeightTwips);
    // The panel's own size.
    static constexpr int WidthTwips = 18735;
    static constexpr int HeightTwips = 10815;

    // The create and modify entries set `recordMode`, the record mode the
    // customer window shares with its customer record; a panel given none
    // keeps its own.
    DrillingSheetPanel(const Services& services, QSqlDatabase db, QWidget* parent = nullptr,
                       RecordMode* recordMode = nullptr);
    ~DrillingSheetPanel() override;

    const RecordMode& recordMode() const { return *recordMode_; }

    // Works on another connection from now on (the window's, once its load
    // has opened it). Whatever sheet was open must be opened again.
    void setDatabase(QSqlDatabase db);

    // The create entry (cmdajout_fiche, Label32). A deleted customer is
    // refused with a message and cancelRequested(). Returns whether the panel
    // is open and ready to be shown; failures are reported.
    bool startCreate(const CurrentCustomer& customer);
    // The view / modify entry (cmdmodif_fiche, Label31). A customer without a
    // sheet gets a message and no panel. Returns whether the panel is open.
    bool startModify(const CurrentCustomer& customer);

    // Opens the panel on a customer's sheet without showing any message: the
    // driller line with today's date, the 24 list fills, a new sheet's
    // defaults, and in Modify mode the stored sheet. On failure the panel is
    // not ready and must not be shown.
    Status open(const CurrentCustomer& customer, Mode mode);
    // Heads the sheet with whose it is, as soon as the customer is shown
    // (opening the sheet sets it again).
    void showCustomerName(const QString& name);

    // cmdvalide_fiche: the state check, the field checks with registration,
    // then the sheet written; emits saved() or cancelRequested().
    void validate();
    // cmdimp_fiche: the print dialog, then the panel on one landscape page.
    void print();
    // Replaces the print dialog (the program's print set-up, or a script in tests).
    void setPrinterChooser(PrinterChooser chooser) { chooser_ = std::move(chooser); }

    // The sheet's fields, built on first use.
    SheetForm& form() const;
    bool isReady() const { return ready_; }
    // Whether the current sheet shows an entry differing from the sheet as
    // opened or last saved (a version of the past is never an entry).
    bool hasUnsavedEntry() const;
    Mode mode() const { return mode_; }
    QString customerCode() const { return customer_.code; }

    // The caption of the driller line for a driller and a day.
    static QString drillerLine(const QString& driller, const QDate& day);
    // The banner over a shown version of the sheet.
    static QString versionBanner(const SheetVersion& version, bool inForce);
    // The text of a version in the version list: date and time, driller.
    static QString versionEntry(const SheetVersion& version);
    static QString currentSheetEntry() { return QStringLiteral("Fiche actuelle"); }

    // The versions of the open sheet, newest first, as listed after "Fiche
    // actuelle".
    const QList<SheetVersion>& versions() const { return versions_; }
    // Shows one of them (0 the newest) read-only, with the fields changed
    // since the version before it marked; or the current sheet again, as it
    // was left. A failure to read the version is reported and the current
    // sheet stays.
    void showVersion(int index);
    void showCurrentSheet();
    // The version shown, -1 for the current sheet.
    int shownVersion() const { return shown_; }
    // Shown when the view / modify entry finds no sheet.
    static QString missingSheetMessage();

signals:
    // The sheet row was written: the window hides the panel, shows the ball
    // panel at WindowHeight and brings the sheet entries up to date.
    void saved();
    // The customer is deleted: the window runs its cancel action.
    void cancelRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void focusFirstField();
    Status loadVersions();
    // After a write: the sheet as written (with the row version the next
    // validation starts from) becomes the basis, the version list is read
    // again, then the window's turn.
    void afterSave(const SheetRecord& written);
    // The sheet's row changed since it was read: the user chooses between
    // the stored values and writing the entry over them.
    void resolveChangedElsewhere(const QString& driller);
    void chooseListRow(int row);

    Services services_;
    ParamStore params_;
    SheetStore sheets_;
    SheetHistoryStore history_;
    mutable std::unique_ptr<SheetForm> form_;
    QString customerName_;
    PrinterChooser chooser_;
    std::unique_ptr<QPrinter> printer_;
    // The customer the open sheet belongs to, fixed when it was opened.
    CurrentCustomer customer_;
    Mode mode_ = Mode::Create;
    RecordMode ownRecordMode_;
    RecordMode* recordMode_ = nullptr;
    bool ready_ = false;
    bool focusPending_ = false;
    QList<SheetVersion> versions_;
    int shown_ = -1;
    // The current sheet as it was left while a version is shown, edits included.
    SheetRecord current_;
    QString currentDrillerLine_;
    // What the entry started from: the sheet as read, with its row version,
    // or a new sheet's first values without one.
    SheetRecord basis_;
    // The same as the form showed it then: line ends as the comment boxes
    // keep them, an option letter the buttons cannot show read as the
    // button checked. An untouched sheet never differs from it.
    SheetRecord shownAtStart_;
};

} // namespace vdn
