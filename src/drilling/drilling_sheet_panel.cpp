#include "drilling/drilling_sheet_panel.h"

#include "data/shop_store.h"
#include "drilling/sheet_form.h"
#include "drilling/sheet_validation.h"
#include "platform/clickable_label.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "reference/catalogue.h"
#include "reference/pick_lists.h"
#include "session/error_box.h"
#include "widgets/changed_elsewhere.h"
#include "widgets/focus_left.h"
#include "widgets/guide_page.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>

namespace vdn {

DrillingSheetPanel::DrillingSheetPanel(const Services& services, QSqlDatabase db, QWidget* parent,
                                       RecordMode* recordMode)
    : QFrame(parent), services_(services), params_(db), sheets_(db), history_(db),
      chooser_(choosePrinterWithDialog), recordMode_(recordMode ? recordMode : &ownRecordMode_) {
    setObjectName(QStringLiteral("Frame400"));
    setGuidePage(this, QStringLiteral("historique.md"));
    setFrameShape(QFrame::NoFrame);
    setGeometry(0, 0, px(WidthTwips), px(HeightTwips));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 255));
    setPalette(pal);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
}

SheetForm& DrillingSheetPanel::form() const {
    if (form_)
        return *form_;
    // Some thirty pick lists cost more to build than the rest of the customer
    // window: the form is built when a sheet is first opened, or looked at.
    auto* self = const_cast<DrillingSheetPanel*>(this);
    form_ = std::make_unique<SheetForm>(self);
    connect(form_->validateButton(), &QPushButton::clicked, self, &DrillingSheetPanel::validate);
    connect(form_->printButton(), &ClickableLabel::clicked, self, &DrillingSheetPanel::print);
    for (const auto& [a, b] : sheetExclusivePairs())
        for (int n : {a, b}) {
            form_->combo(n)->installEventFilter(self);
            form_->combo(n)->lineEdit()->installEventFilter(self);
        }
    connect(form_->versionList(), &QListWidget::currentRowChanged, self,
            [self](int row) { row <= 0 ? self->showCurrentSheet() : self->showVersion(row - 1); });
    connect(form_->currentSheetButton(), &QPushButton::clicked, self,
            &DrillingSheetPanel::showCurrentSheet);
    form_->setCustomerName(customerName_);
    // Built on a panel already shown, the new fields are shown with it.
    if (isVisible())
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->testAttribute(Qt::WA_WState_ExplicitShowHide))
                child->show();
    return *form_;
}

DrillingSheetPanel::~DrillingSheetPanel() = default;

void DrillingSheetPanel::setDatabase(QSqlDatabase db) {
    params_ = ParamStore(db);
    sheets_ = SheetStore(db);
    history_ = SheetHistoryStore(std::move(db));
    ready_ = false;
}

QString DrillingSheetPanel::drillerLine(const QString& driller, const QDate& day) {
    return SheetForm::drillerLine(driller) + QStringLiteral("  Fiche éditée le ") +
           day.toString(QStringLiteral("dd/MM/yyyy"));
}

QString DrillingSheetPanel::versionBanner(const SheetVersion& version, bool inForce) {
    const QString when = version.when.isValid()
                             ? version.when.toString(QStringLiteral("'du' dd/MM/yyyy 'à' HH:mm:ss"))
                             : QStringLiteral("du ") + version.storedDate;
    // The newest version is the sheet in force, not an old one.
    if (inForce)
        return QStringLiteral("Version %1 %2, en vigueur (consultation seule)")
            .arg(version.numberText(), when);
    return QStringLiteral("Ancienne version %1 %2 (consultation seule)")
        .arg(version.numberText(), when);
}

QString DrillingSheetPanel::versionEntry(const SheetVersion& version) {
    return QStringLiteral("Version %1 : ").arg(version.numberText()) + version.dateText() +
           QLatin1Char('\n') +
           (version.driller.isEmpty() ? QStringLiteral("(perceur non noté)") : version.driller);
}

QString DrillingSheetPanel::missingSheetMessage() {
    return QStringLiteral("Veuillez relancer le logiciel... problème ");
}

bool DrillingSheetPanel::startCreate(const CurrentCustomer& customer) {
    if (customer.deleted()) {
        services_.boxes->message(this, SheetValidation::deletedCustomerMessage());
        emit cancelRequested();
        return false;
    }
    recordMode_->startCreate();
    if (Status s = open(customer, Mode::Create); !s) {
        erreur_donnees(s.error(), services_, this);
        return false;
    }
    return true;
}

bool DrillingSheetPanel::startModify(const CurrentCustomer& customer) {
    Result<bool> exists = sheets_.exists(customer.code);
    if (!exists) {
        erreur_donnees(exists.error(), services_, this);
        return false;
    }
    if (!*exists) {
        services_.boxes->message(this, missingSheetMessage());
        return false;
    }
    recordMode_->startModify();
    if (Status s = open(customer, Mode::Modify); !s) {
        erreur_donnees(s.error(), services_, this);
        return false;
    }
    return true;
}

void DrillingSheetPanel::showCustomerName(const QString& name) {
    customerName_ = name.trimmed();
    if (form_)
        form_->setCustomerName(customerName_);
}

Status DrillingSheetPanel::open(const CurrentCustomer& customer, Mode mode) {
    ready_ = false;
    BusyPointer busy(*services_.pointer);
    Result<QString> driller = ShopStore(sheets_.database()).driller();
    if (!driller)
        return driller.error();
    // Whatever version was shown, the sheet opens on its current state.
    shown_ = -1;
    form().setReadOnly(false);
    form().clearMarks();
    form().showVersionBanner(QString());
    form().setDrillerLine(drillerLine(*driller, services_.clock->today()));
    showCustomerName(customer.displayName);

    // The 24 lists in one statement.
    QList<PickListFill> fills;
    for (const SheetFillStep& step : sheetFillSteps())
        fills.append({step.code, form().combos(step.fields)});
    if (Status s = fillTextPickLists(params_, fills); !s)
        return s;
    form().clearForNewSheet();

    if (mode == Mode::Modify) {
        Result<std::optional<SheetRecord>> sheet = sheets_.load(customer.code);
        if (!sheet)
            return sheet.error();
        if (!sheet->has_value())
            return DataError::other(errnum::NoCurrentRecord,
                                    QStringLiteral("Aucun enregistrement en cours : le client %1 "
                                                   "n'a pas de fiche de perçage")
                                        .arg(customer.code));
        form().show(**sheet);
        basis_ = **sheet;
    } else {
        basis_ = form().read(customer.code);
        basis_.revision.reset();
    }
    customer_ = customer;
    shownAtStart_ = form().read(customer.code);
    if (Status s = loadVersions(); !s)
        return s;

    mode_ = mode;
    ready_ = true;
    focusFirstField();
    return {};
}

Status DrillingSheetPanel::loadVersions() {
    Result<QList<SheetVersion>> versions = history_.versions(customer_.code);
    if (!versions)
        return versions.error();
    versions_ = std::move(*versions);
    QListWidget* list = form().versionList();
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(currentSheetEntry());
    for (const SheetVersion& v : std::as_const(versions_))
        list->addItem(versionEntry(v));
    list->setCurrentRow(0);
    return {};
}

void DrillingSheetPanel::chooseListRow(int row) {
    const QSignalBlocker quiet(form().versionList());
    form().versionList()->setCurrentRow(row);
}

void DrillingSheetPanel::showVersion(int index) {
    if (!ready_ || index < 0 || index >= versions_.size())
        return;
    const SheetVersion& version = versions_.at(index);
    Result<std::optional<SheetRecord>> sheet = history_.load(customer_.code, version.number);
    // The version before it, the one its changes are measured against.
    Result<std::optional<SheetRecord>> before = std::optional<SheetRecord>();
    if (sheet && index + 1 < versions_.size())
        before = history_.load(customer_.code, versions_.at(index + 1).number);
    if (!sheet || !before || !sheet->has_value()) {
        const DataError error =
            !sheet ? sheet.error()
            : !before
                ? before.error()
                : DataError::other(errnum::NoCurrentRecord,
                                   QStringLiteral("Aucun enregistrement en cours : la version "
                                                  "du %1 de la fiche n'existe plus")
                                       .arg(version.dateText()));
        erreur_donnees(error, services_, this);
        chooseListRow(shown_ + 1);
        return;
    }
    if (shown_ < 0) {
        current_ = form().shown(customer_.code);
        currentDrillerLine_ = form().drillerLineText();
    }
    shown_ = index;
    form().clearForNewSheet();
    form().show(**sheet);
    if (before->has_value())
        form().markChanges(**sheet, **before);
    else
        form().clearMarks();
    form().setReadOnly(true);
    form().setDrillerLine(SheetForm::drillerLine(version.driller));
    form().showVersionBanner(versionBanner(version, index == 0));
    chooseListRow(index + 1);
}

void DrillingSheetPanel::showCurrentSheet() {
    chooseListRow(0);
    if (shown_ < 0)
        return;
    shown_ = -1;
    form().clearMarks();
    form().clearForNewSheet();
    form().show(current_);
    form().setReadOnly(false);
    form().setDrillerLine(currentDrillerLine_);
    form().showVersionBanner(QString());
}

void DrillingSheetPanel::focusFirstField() {
    if (isVisible()) {
        form().combo(8)->setFocus(Qt::OtherFocusReason);
        focusPending_ = false;
    } else {
        // A hidden widget takes no focus: it goes to field 8 when the window shows the panel.
        focusPending_ = true;
    }
}

void DrillingSheetPanel::showEvent(QShowEvent* event) {
    form().drawDiagram();
    QFrame::showEvent(event);
    if (focusPending_)
        focusFirstField();
}

void DrillingSheetPanel::validate() {
    // A version of the past is looked at, never written back.
    if (!ready_ || shown_ >= 0)
        return;
    // The name in force now: the shop may have named another driller since
    // the sheet was opened.
    Result<QString> driller = ShopStore(sheets_.database()).driller();
    if (!driller) {
        erreur_donnees(driller.error(), services_, this);
        return;
    }
    SheetValidation validation(services_, params_, sheets_);
    switch (validation.run(form(), customer_, *driller, basis_.revision, this)) {
    case SheetValidation::Outcome::Refused:
        emit cancelRequested();
        break;
    case SheetValidation::Outcome::Saved:
        afterSave(validation.written());
        break;
    case SheetValidation::Outcome::ChangedElsewhere:
        resolveChangedElsewhere(*driller);
        break;
    case SheetValidation::Outcome::Declined:
    case SheetValidation::Outcome::Failed:
        break;
    }
}

void DrillingSheetPanel::afterSave(const SheetRecord& written) {
    // The row exists now: a later validation of this panel changes it.
    mode_ = Mode::Modify;
    basis_ = written;
    shownAtStart_ = form().read(customer_.code);
    if (Status st = loadVersions(); !st)
        erreur_donnees(st.error(), services_, this);
    emit saved();
}

bool DrillingSheetPanel::hasUnsavedEntry() const {
    if (!ready_ || shown_ >= 0)
        return false;
    for (const FieldReadings& f :
         sheetReadings(shownAtStart_, form().read(customer_.code), shownAtStart_))
        if (f.typed != f.shown)
            return true;
    return false;
}

void DrillingSheetPanel::resolveChangedElsewhere(const QString& driller) {
    const QString saving = QStringLiteral("Enregistrement de la fiche de perçage");
    // What the entry began from, then the version it was last merged with.
    SheetRecord shown = basis_;
    SheetRecord entry = form().read(customer_.code);
    QStringList keptFromOther;
    for (;;) {
        Result<std::optional<SheetRecord>> now = sheets_.load(customer_.code);
        if (!now) {
            erreur_donnees(now.error(), services_, this, saving);
            return;
        }
        if (now->has_value()) {
            services_.pointer->setDefault();
            const QString headline = QStringLiteral("La fiche de perçage de ce client a été "
                                                    "modifiée sur un autre poste depuis son "
                                                    "affichage.");
            const SheetRecord& stored = **now;
            const std::optional<MergeDecision> merge = mergeChangedElsewhere(
                *services_.boxes, this, headline, sheetReadings(shown, entry, stored));
            if (!merge)
                return; // the entry stays on screen, nothing written
            takeStoredSheetFields(entry, stored, merge->takeStored);
            keptFromOther = merge->keptFromOther;
            shown = stored;
            // Over the version just read: a change made meanwhile is merged again.
            entry.revision = stored.revision;
        } else {
            // The row is gone: writing the entry again loses nobody's work.
            entry.revision.reset();
        }
        qint64 version = 0;
        Status s = sheets_.save(entry, {services_.clock->now(), driller}, SheetStore::Overwrite::No,
                                &version);
        if (s) {
            // The form shows what was written, the other workstation's fields included.
            form().show(entry);
            entry.revision = version;
            afterSave(entry);
            if (!keptFromOther.isEmpty())
                services_.boxes->message(this, keptFromOtherNotice(keptFromOther));
            return;
        }
        if (!s.error().isChangedElsewhere()) {
            erreur_donnees(s.error(), services_, this, saving);
            return;
        }
    }
}

void DrillingSheetPanel::print() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // Named before the dialog shows, which offers a PDF file named after the job.
    printer_->setDocName(sheetTitle(form().customerName()));
    Result<bool> chosen = chooser_(*printer_, this);
    if (!chosen || !*chosen) {
        // Cancel ends the print without a message; any other failure is reported.
        if (!chosen)
            erreur_donnees(chosen.error(), services_, this);
        printer_->setPageOrientation(QPageLayout::Portrait);
        return;
    }
    BusyPointer busy(*services_.pointer);
    form().drawDiagram();
    if (Status s = printSheet(*this, *printer_); !s) {
        erreur_donnees(s.error(), services_, this);
        printer_->setPageOrientation(QPageLayout::Portrait);
    }
}

bool DrillingSheetPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (!combo)
            combo = qobject_cast<QComboBox*>(watched->parent());
        // A shown version is never changed, not even by this rule.
        if (combo && shown_ < 0 && focusLeftForGood(*combo, *static_cast<QFocusEvent*>(event))) {
            const int number = combo->objectName().mid(QStringLiteral("Combo").size()).toInt();
            const std::optional<int> partner = sheetExclusivePartner(number);
            if (partner && !combo->currentText().isEmpty())
                form().combo(*partner)->setEditText(QString());
        }
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace vdn
