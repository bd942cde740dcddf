#include "drilling/sheet_version_window.h"

#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_form.h"
#include "drilling/sheet_history.h"
#include "session/error_box.h"

#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vdn {

SheetVersionWindow::SheetVersionWindow(const Services& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("VDN_fiche_version"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Frame400"));
    panel->setFixedSize(px(DrillingSheetPanel::WidthTwips), px(DrillingSheetPanel::HeightTwips));
    form_ = std::make_unique<SheetForm>(panel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
}

SheetVersionWindow::~SheetVersionWindow() = default;

bool SheetVersionWindow::load(QSqlDatabase db, const QString& code, const QString& customerName,
                              const QString& number) {
    const SheetHistoryStore history(db);
    Result<QList<SheetVersion>> versions = history.versions(code);
    if (!versions) {
        erreur_donnees(versions.error(), services_, parentWidget());
        return false;
    }
    // Newest first: the version before is the next one in the list.
    qsizetype at = -1;
    for (qsizetype i = 0; i < versions->size(); ++i)
        if (versions->at(i).number == number)
            at = i;
    Result<std::optional<SheetRecord>> sheet =
        at < 0 ? std::optional<SheetRecord>() : history.load(code, number);
    Result<std::optional<SheetRecord>> before = std::optional<SheetRecord>();
    if (sheet && at >= 0 && at + 1 < versions->size())
        before = history.load(code, versions->at(at + 1).number);
    if (!sheet || !before || !sheet->has_value()) {
        const DataError error =
            !sheet    ? sheet.error()
            : !before ? before.error()
                      : DataError::other(errnum::NoCurrentRecord,
                                         QStringLiteral("Aucun enregistrement en cours : cette "
                                                        "version de la fiche n'existe plus"));
        erreur_donnees(error, services_, parentWidget());
        return false;
    }
    const SheetVersion& version = versions->at(at);
    setWindowTitle(QStringLiteral("Fiche de perçage du %1").arg(version.dateText()));
    form_->clearForNewSheet();
    form_->show(**sheet);
    if (before->has_value())
        form_->markChanges(**sheet, **before);
    form_->setReadOnly(true);
    form_->setCustomerName(customerName);
    form_->setDrillerLine(SheetForm::drillerLine(version.driller));
    form_->showVersionBanner(DrillingSheetPanel::versionBanner(version, at == 0));
    // Only this version: no list of the others, no way back to the current one.
    for (QWidget* w : form_->hiddenWhenPrinted())
        w->hide();
    form_->currentSheetButton()->hide();
    form_->drawDiagram();
    return true;
}

} // namespace vdn
