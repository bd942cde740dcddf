#include "import/import_history_window.h"

#include "data/error_report.h"
#include "data/stored_moment.h"
#include "platform/message_boxes.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vdn {

namespace {

QString shownMoment(const QString& stored) {
    const QDateTime when = readStoredMoment(stored);
    return when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy HH:mm")) : stored;
}

// At most twenty lines, then how many more.
QString listed(const QStringList& lines) {
    constexpr int Shown = 20;
    if (lines.size() <= Shown)
        return lines.join(QLatin1Char('\n'));
    return lines.mid(0, Shown).join(QLatin1Char('\n')) +
           QStringLiteral("\n… et %1 autres.").arg(lines.size() - Shown);
}

} // namespace

ImportHistoryWindow::ImportHistoryWindow(const Services& services, QSqlDatabase db, QWidget* parent)
    : QDialog(parent), services_(services), db_(std::move(db)) {
    setObjectName(QStringLiteral("VDN_historique_import"));
    setWindowTitle(QStringLiteral("Historique des importations"));
    auto* top = new QVBoxLayout(this);
    top->addWidget(new QLabel(QStringLiteral("Importations de clients, la plus récente en "
                                             "premier :"),
                              this));
    grdimports = new QTableWidget(0, 10, this);
    grdimports->setObjectName(QStringLiteral("grdimports"));
    grdimports->setHorizontalHeaderLabels({QStringLiteral("N°"), QStringLiteral("Date"),
                                           QStringLiteral("Fichier"), QStringLiteral("Poste"),
                                           QStringLiteral("Lignes"), QStringLiteral("Créés"),
                                           QStringLiteral("Complétés"), QStringLiteral("Ignorés"),
                                           QStringLiteral("Refusés"), QStringLiteral("État")});
    grdimports->verticalHeader()->hide();
    grdimports->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdimports->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdimports->setSelectionMode(QAbstractItemView::SingleSelection);
    grdimports->horizontalHeader()->setStretchLastSection(true);
    top->addWidget(grdimports, 1);
    auto* buttons = new QHBoxLayout;
    cmdannuler_import = new QPushButton(QStringLiteral("Annuler cette importation"), this);
    cmdannuler_import->setObjectName(QStringLiteral("cmdannuler_import"));
    cmdannuler_import->setToolTip(QStringLiteral("Supprime les clients que l'importation a "
                                                 "créés, s'ils n'ont pas changé depuis."));
    cmdfermer = new QPushButton(QStringLiteral("Fermer"), this);
    cmdfermer->setObjectName(QStringLiteral("cmdfermer"));
    buttons->addWidget(cmdannuler_import);
    buttons->addStretch(1);
    buttons->addWidget(cmdfermer);
    top->addLayout(buttons);
    connect(cmdannuler_import, &QPushButton::clicked, this, &ImportHistoryWindow::undoChosen);
    connect(cmdfermer, &QPushButton::clicked, this, &QDialog::accept);
    connect(grdimports, &QTableWidget::itemSelectionChanged, this,
            &ImportHistoryWindow::choiceChanged);
    resize(900, 380);
}

bool ImportHistoryWindow::reload() {
    Result<QList<ImportEntry>> read = ImportHistory(db_).list();
    if (!read) {
        services_.boxes->message(this, errorReportText(read.error()));
        return false;
    }
    entries_ = *read;
    grdimports->setRowCount(int(entries_.size()));
    for (int r = 0; r < entries_.size(); ++r) {
        const ImportEntry& e = entries_.at(r);
        QString state = e.state;
        if (!e.undone.isEmpty())
            state += QStringLiteral(" le ") + shownMoment(e.undone);
        const QStringList cells{e.number,
                                shownMoment(e.date),
                                e.file,
                                e.workstation,
                                QString::number(e.rows),
                                QString::number(e.created),
                                QString::number(e.completed),
                                QString::number(e.ignored),
                                QString::number(e.refused),
                                state};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            if (c >= 4 && c <= 8)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdimports->setItem(r, c, item);
        }
    }
    grdimports->resizeColumnsToContents();
    if (!entries_.isEmpty())
        grdimports->selectRow(0);
    choiceChanged();
    return true;
}

void ImportHistoryWindow::choiceChanged() {
    const int r = grdimports->currentRow();
    const bool undoable = r >= 0 && r < entries_.size() &&
                          entries_.at(r).state == import_state::Done && entries_.at(r).created > 0;
    cmdannuler_import->setEnabled(undoable);
}

void ImportHistoryWindow::undoChosen() {
    const int r = grdimports->currentRow();
    if (r < 0 || r >= entries_.size())
        return;
    const ImportEntry e = entries_.at(r);
    QString ask = QStringLiteral("Supprimer les %1 clients créés par l'importation n° %2 du %3 "
                                 "(%4) ?")
                      .arg(e.created)
                      .arg(e.number, shownMoment(e.date), e.file);
    if (e.completed > 0)
        ask += QStringLiteral("\nLes %1 clients complétés gardent ce qui leur a été ajouté.")
                   .arg(e.completed);
    if (!services_.boxes->question(this, ask))
        return;
    Result<UndoOutcome> done = ImportHistory(db_).undo(e.number);
    if (!done) {
        services_.boxes->message(this, errorReportText(done.error()));
        return;
    }
    if (!done->blockers.isEmpty()) {
        services_.boxes->message(
            this, QStringLiteral("L'importation n° %1 n'est pas annulée : ces clients ont changé "
                                 "depuis.\n%2")
                      .arg(e.number, listed(done->blockers)));
        return;
    }
    services_.boxes->message(this, QStringLiteral("Importation n° %1 annulée : %2 clients "
                                                  "supprimés.")
                                       .arg(e.number)
                                       .arg(done->removed));
    emit customersRemoved();
    reload();
}

} // namespace vdn
