#include "support/sheet_host.h"

#include "data/schema.h"

#include "drilling/sheet_store.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace vdn::test {

SheetHost::SheetHost(const Services& services, QSqlDatabase db) : db_(db) {
    window.setObjectName(QStringLiteral("VDN_client"));
    window.resize(18900 / 15, DrillingSheetPanel::WindowHeight);
    Frame300 = new QWidget(&window);
    Frame300->setObjectName(QStringLiteral("Frame300"));
    Frame300->setGeometry(0, 0, 18900 / 15, 10785 / 15);
    cmdajout_fiche = new QPushButton(QStringLiteral("Création d'une fiche de percage"), Frame300);
    cmdajout_fiche->setObjectName(QStringLiteral("cmdajout_fiche"));
    cmdmodif_fiche = new QPushButton(QStringLiteral("Visualisation/modification"), Frame300);
    cmdmodif_fiche->setObjectName(QStringLiteral("cmdmodif_fiche"));
    cmdmodif_fiche->move(0, 40);

    panel = new DrillingSheetPanel(services, db, &window);
    panel->hide();

    QObject::connect(cmdajout_fiche, &QPushButton::clicked, &window, [this] {
        if (panel->startCreate({code_, name_, state_}))
            showPanel();
    });
    QObject::connect(cmdmodif_fiche, &QPushButton::clicked, &window, [this] {
        if (panel->startModify({code_, name_, state_}))
            showPanel();
    });
    QObject::connect(panel, &DrillingSheetPanel::saved, &window, [this] {
        ++saves;
        closeSheet();
    });
    QObject::connect(panel, &DrillingSheetPanel::cancelRequested, &window,
                     [this] { ++cancelActions; });
}

void SheetHost::setCustomer(const QString& code, const QString& name, const QString& state) {
    code_ = code;
    name_ = name;
    state_ = state;
    refreshEntries();
}

void SheetHost::refreshEntries() {
    const Result<bool> exists = SheetStore(db_).exists(code_);
    const bool has = exists.ok() && *exists;
    cmdmodif_fiche->setVisible(has);
    cmdajout_fiche->setVisible(!has);
}

bool SheetHost::showActive() {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

void SheetHost::showPanel() {
    Frame300->hide();
    panel->show();
    window.resize(window.width(), DrillingSheetPanel::OpenWindowHeight);
}

void SheetHost::closeSheet() {
    panel->hide();
    window.resize(window.width(), DrillingSheetPanel::WindowHeight);
    Frame300->show();
    refreshEntries();
}

bool insertSheetRow(QSqlDatabase db, const QString& code, const QVariantMap& fields) {
    QStringList names{QStringLiteral("per_code")};
    QStringList marks{QStringLiteral("?")};
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        names << it.key();
        marks << QStringLiteral("?");
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO strpercage (%1) VALUES (%2)")
                  .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    q.addBindValue(code);
    for (const QVariant& v : fields)
        q.addBindValue(v);
    if (!q.exec()) {
        qWarning("sheet insert failed: %s", qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

QVariantMap sheetRow(QSqlDatabase db, const QString& code) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT * FROM strpercage WHERE per_code = ?"));
    q.addBindValue(code);
    QVariantMap row;
    if (!q.exec() || !q.next())
        return row;
    // Named as the schema spells them: a server gives the names in lower case.
    QHash<QString, QString> spelling;
    for (const QString& field : sheetFields())
        spelling.insert(field.toLower(), field);
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        if (r.fieldName(i) != revisionField())
            row.insert(spelling.value(r.fieldName(i).toLower(), r.fieldName(i)), q.value(i));
    return row;
}

void SheetHost::startNewSheet(const QString& code) {
    setCustomer(code, QStringLiteral("A"), QStringLiteral(""));
    QTest::mouseClick(cmdajout_fiche, Qt::LeftButton);
}

} // namespace vdn::test
