#include "support/fixture.h"

#include "data/globals.h"
#include "data/server_address.h"
#include "support/pg_cluster.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace vdn::test {

bool onServerEngine() {
    return qEnvironmentVariable("VORDAN_TEST_ENGINE") == QLatin1String("postgresql");
}

DataFolder::DataFolder() : DataFolder(Options{}) {}

DataFolder::DataFolder(const Options& options) {
    useFrenchLocale();
    if (!dir_.isValid())
        return;
    base_ = folder();
    if (onServerEngine()) {
        PgCluster& cluster = PgCluster::shared();
        base_ = cluster.newDatabase();
        if (base_.isEmpty()) {
            qWarning("no test server database: %s", qPrintable(cluster.error()));
            return;
        }
    }
    chemin_base = base_;
    // The files beside a server database (export, backup's extra files) go
    // to the test's folder, as the second line of CHEMIN.QZ says.
    chemin_fichiers = onServer() ? folder() : QString();
    shop_name = options.shopName;
    shopName_ = options.shopName;
    licence_ = options.licence;
    QFile path(dir_.filePath(QStringLiteral("CHEMIN.QZ")));
    if (!path.open(QIODevice::WriteOnly))
        return;
    // With a server, the second line is the folder of the files beside the
    // database.
    path.write(base_.toUtf8() + "\r\n" + (onServer() ? folder().toUtf8() + "\r\n" : ""));
    path.close();
    if (options.createDatabase) {
        CreateOptions create;
        create.folder = onServer() ? base_ : dir_.path();
        create.shopName = options.shopName;
        create.licence = options.licence;
        create.demo = options.demo;
        const Status s = createDatabase(create);
        if (!s) {
            qWarning("database creation failed: %s", qPrintable(s.error().text));
            return;
        }
    }
    ok_ = true;
}

DataFolder::~DataFolder() {
    // Folders made read-only by a test must still be removable.
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString DataFolder::folder() const {
    return dir_.path() + QLatin1Char('/');
}

QString DataFolder::databaseFile() const {
    return databasePath(base_);
}

bool DataFolder::onServer() const {
    return isServerAddress(base_);
}

StartupInfo DataFolder::startupInfo() const {
    StartupInfo info;
    info.chemin_base = base_;
    if (onServer())
        info.chemin_fichiers = folder();
    info.shopName = shopName_;
    info.licence = licence_;
    info.title = mainTitle(shopName_, licence_);
    return info;
}

std::unique_ptr<Connection> DataFolder::connect() const {
    Result<std::unique_ptr<Connection>> c = Connection::open(databaseFile());
    if (!c) {
        qWarning("cannot open the test database: %s", qPrintable(c.error().text));
        return nullptr;
    }
    return std::move(*c);
}

bool DataFolder::checkBoxes(const char* file, int line) {
    QStringList problems = boxes.failures();
    if (boxes.pending() > 0)
        problems << QStringLiteral("%1 expected message box(es) never shown").arg(boxes.pending());
    boxes.clear();
    if (problems.isEmpty())
        return true;
    QTest::qFail(qPrintable(problems.join(QStringLiteral("; "))), file, line);
    return false;
}

bool FreshFolder::start() {
    db_.reset();
    folder_ = std::make_unique<DataFolder>();
    if (folder_->ok())
        db_ = folder_->connect();
    return folder_->ok() && db_;
}

void FreshFolder::stop() {
    db_.reset();
    folder_.reset();
}

QStringList column(Connection& c, const QString& sql, const QVariantList& values) {
    QSqlQuery q(c.db());
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    QStringList out;
    if (!q.exec()) {
        qWarning("query failed: %s", qPrintable(q.lastError().text()));
        return out;
    }
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QVariant scalar(Connection& c, const QString& sql, const QVariantList& values) {
    QSqlQuery q(c.db());
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return {};
    return q.value(0);
}

bool refuseOn(Connection& c, const QString& table, const QString& event) {
    if (c.onServer())
        return c.execute(QStringLiteral("CREATE OR REPLACE FUNCTION pg_temp.vdn_refuse() RETURNS "
                                        "trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION "
                                        "'opération refusée'; END$$"))
                   .ok() &&
               c.execute(QStringLiteral("CREATE TRIGGER vdn_refuse BEFORE %1 ON %2 FOR EACH ROW "
                                        "EXECUTE FUNCTION pg_temp.vdn_refuse()")
                             .arg(event, table))
                   .ok();
    return c
        .execute(QStringLiteral("CREATE TEMP TRIGGER vdn_refuse BEFORE %1 ON %2 "
                                "BEGIN SELECT RAISE(ABORT, 'opération refusée'); END")
                     .arg(event, table))
        .ok();
}

bool allowAgain(Connection& c, const QString& table) {
    return c
        .execute(c.onServer() ? QStringLiteral("DROP TRIGGER vdn_refuse ON ") + table
                              : QStringLiteral("DROP TRIGGER vdn_refuse"))
        .ok();
}

void useFrenchLocale() {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void typeText(QWidget* w, const QString& text) {
    // One key event per code point, so that characters beyond the Basic
    // Multilingual Plane arrive whole.
    for (const char32_t cp : text.toUcs4()) {
        const QString ch = QString::fromUcs4(&cp, 1);
        if (cp < 128 && ch.at(0).isPrint())
            QTest::keyClicks(w, ch);
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, ch, Qt::NoModifier);
    }
}

} // namespace vdn::test
