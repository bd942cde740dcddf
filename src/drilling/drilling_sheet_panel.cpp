#include "drilling/drilling_sheet_panel.h"

#include "data/error_report.h"
#include "data/globals.h"
#include "drilling/sheet_form.h"
#include "drilling/sheet_validation.h"
#include "platform/clickable_label.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "reference/catalogue.h"
#include "reference/pick_lists.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>

namespace vdn {

DrillingSheetPanel::DrillingSheetPanel(const Services& services, QSqlDatabase db, QWidget* parent)
    : QFrame(parent), services_(services), params_(db), sheets_(db),
      chooser_(choosePrinterWithDialog) {
    setObjectName(QStringLiteral("Frame400"));
    setFrameShape(QFrame::NoFrame);
    setGeometry(0, 0, px(WidthTwips), px(HeightTwips));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 255));
    setPalette(pal);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    form_ = std::make_unique<SheetForm>(this);
    connect(form_->validateButton(), &QPushButton::clicked, this, &DrillingSheetPanel::validate);
    connect(form_->printButton(), &ClickableLabel::clicked, this, &DrillingSheetPanel::print);
    for (const auto& [a, b] : sheetExclusivePairs())
        for (int n : {a, b}) {
            form_->combo(n)->installEventFilter(this);
            form_->combo(n)->lineEdit()->installEventFilter(this);
        }
}

DrillingSheetPanel::~DrillingSheetPanel() = default;

void DrillingSheetPanel::setDatabase(QSqlDatabase db) {
    params_ = ParamStore(db);
    sheets_ = SheetStore(std::move(db));
    ready_ = false;
}

QString DrillingSheetPanel::drillerLine(const QDate& day) {
    return SheetForm::drillerLine() + QStringLiteral("  Fiche éditée le ") +
           day.toString(QStringLiteral("dd/MM/yyyy"));
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
    en_ajout = true;
    en_modif = false;
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
    en_ajout = false;
    en_modif = true;
    if (Status s = open(customer, Mode::Modify); !s) {
        erreur_donnees(s.error(), services_, this);
        return false;
    }
    return true;
}

void DrillingSheetPanel::showCustomerName(const QString& name) {
    form_->setCustomerName(name.trimmed());
}

Status DrillingSheetPanel::open(const CurrentCustomer& customer, Mode mode) {
    ready_ = false;
    BusyPointer busy(*services_.pointer);
    form_->setDrillerLine(drillerLine(services_.clock->today()));
    showCustomerName(customer.displayName);

    for (const SheetFillStep& step : sheetFillSteps())
        if (Status s =
                fillPickLists(params_, step.code, ListOrder::Text, form_->combos(step.fields));
            !s)
            return s;
    form_->clearForNewSheet();

    if (mode == Mode::Modify) {
        Result<std::optional<SheetRecord>> sheet = sheets_.load(customer.code);
        if (!sheet)
            return sheet.error();
        if (!sheet->has_value())
            return DataError::other(errnum::NoCurrentRecord,
                                    QStringLiteral("Aucun enregistrement en cours : le client %1 "
                                                   "n'a pas de fiche de perçage")
                                        .arg(customer.code));
        form_->show(**sheet);
    }

    customer_ = customer;
    mode_ = mode;
    ready_ = true;
    focusFirstField();
    return {};
}

void DrillingSheetPanel::focusFirstField() {
    if (isVisible()) {
        form_->combo(8)->setFocus(Qt::OtherFocusReason);
        focusPending_ = false;
    } else {
        // A hidden widget takes no focus: it goes to field 8 when the window shows the panel.
        focusPending_ = true;
    }
}

void DrillingSheetPanel::showEvent(QShowEvent* event) {
    form_->drawDiagram();
    QFrame::showEvent(event);
    if (focusPending_)
        focusFirstField();
}

void DrillingSheetPanel::validate() {
    if (!ready_)
        return;
    SheetValidation validation(services_, params_, sheets_);
    switch (validation.run(*form_, customer_, this)) {
    case SheetValidation::Outcome::Refused:
        emit cancelRequested();
        break;
    case SheetValidation::Outcome::Saved:
        // The row exists now: a later validation of this panel changes it.
        mode_ = Mode::Modify;
        emit saved();
        break;
    case SheetValidation::Outcome::Declined:
    case SheetValidation::Outcome::Failed:
        break;
    }
}

void DrillingSheetPanel::print() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // Named before the dialog shows, which offers a PDF file named after the job.
    printer_->setDocName(sheetTitle(form_->customerName()));
    Result<bool> chosen = chooser_(*printer_, this);
    if (!chosen || !*chosen) {
        // Cancel ends the print without a message; any other failure is reported.
        if (!chosen)
            erreur_donnees(chosen.error(), services_, this);
        printer_->setPageOrientation(QPageLayout::Portrait);
        return;
    }
    BusyPointer busy(*services_.pointer);
    form_->drawDiagram();
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
        if (combo && leftForGood(combo, static_cast<QFocusEvent*>(event)->reason())) {
            const int number = combo->objectName().mid(QStringLiteral("Combo").size()).toInt();
            const std::optional<int> partner = sheetExclusivePartner(number);
            if (partner && !combo->currentText().isEmpty())
                form_->combo(*partner)->setEditText(QString());
        }
    }
    return QFrame::eventFilter(watched, event);
}

bool DrillingSheetPanel::leftForGood(QComboBox* combo, Qt::FocusReason reason) {
    // Opening the drop-down or switching to another window is not leaving the field.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return false;
    // Focus already sits where it went; inside the combo or its drop-down it stays.
    const QWidget* now = QApplication::focusWidget();
    if (!now)
        return true;
    return now != combo && !combo->isAncestorOf(now) && now->window() != combo->view()->window();
}

} // namespace vdn
