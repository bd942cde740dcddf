// ctest-labels: postgresql
#include "app/first_start.h"
#include "app/startup.h"
#include "data/database_creator.h"
#include "support/fixture.h"
#include "support/outside_program.h"
#include "support/pg_cluster.h"

#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace vdn;

namespace {

const QString Role = QStringLiteral("vendeur_mdp");
// ':' and '\' are escaped in the password file; libpq must read them back.
const QString Password = QStringLiteral("mot:de\\passe é");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

} // namespace

class TestFirstStartServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void joins_a_server_with_a_password();
};

void TestFirstStartServer::joins_a_server_with_a_password() {
    VDN_NEED_SERVER(pg);
    QVERIFY(pg.addPasswordRole(Role, Password));
    const QString shopBase = pg.newDatabase(), emptyBase = pg.newDatabase();
    QVERIFY(createDatabase({shopBase, "LE STRIKE", "0001", {}}).ok());
    const QString base = test::PgCluster::databaseOf(shopBase);

    QTemporaryDir home, program;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("PGPASSFILE");
    qunsetenv("PGPASSWORD");
    const QString config = home.filePath("config/vordan"), pathFile = config + "/CHEMIN.QZ",
                  pgpass = home.filePath(".pgpass");
    ScriptedMessageBoxes boxes;
    FirstStartDialog dialog(boxes, config);
    dialog.show();
    QTest::mouseClick(dialog.optServeur, Qt::LeftButton, {},
                      QPoint(8, dialog.optServeur->height() / 2));
    QVERIFY(dialog.fraServeur->isEnabled() && !dialog.fraCreer->isEnabled());

    const auto fill = [&](const QString& host, int port, const QString& db, const QString& role,
                          const QString& password) {
        for (auto [edit, text] : {std::pair{dialog.txtServeur, host},
                                  {dialog.txtBaseServeur, db},
                                  {dialog.txtRole, role},
                                  {dialog.txtMotDePasse, password}}) {
            edit->clear();
            test::typeText(edit, text);
        }
        dialog.txtPort->setValue(port);
    };

    // Each refusal names its cause (host, port, base, role, password); nothing is written.
    const struct {
        QString host;
        int port;
        QString db, role, password, cause;
    } refusals[]{
        {"127.0.0.1", pg.port(), base, "", Password, "Indiquez le rôle."},
        {"serveur-absent.invalid", pg.port(), base, Role, Password,
         "Le serveur « serveur-absent.invalid » est inconnu"},
        {"127.0.0.1", 1, base, Role, Password,
         "Le serveur « 127.0.0.1 » refuse la connexion sur le port"},
        {"127.0.0.1", pg.port(), base, Role, "faux",
         "Mot de passe refusé pour le rôle « "
         "vendeur_mdp »"},
        {"127.0.0.1", pg.port(), base, Role, "", "Le serveur demande un mot de passe"},
        {"127.0.0.1", pg.port(), "absente", Role, Password,
         "La base « absente » n'existe pas sur le serveur"},
        {"127.0.0.1", pg.port(), test::PgCluster::databaseOf(emptyBase), Role, Password,
         "n'est pas une base VORDAN"},
    };
    for (const auto& r : refusals) {
        fill(r.host, r.port, r.db, r.role, r.password);
        QTest::mouseClick(dialog.cmdContinuer, Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), 1);
        const QString text = boxes.shown().first().text;
        QVERIFY2(text.contains(r.cause), qPrintable(text));
        QVERIFY(r.password.isEmpty() || !text.contains(r.password));
        boxes.clear();
        QVERIFY(dialog.isVisible() && !QFile::exists(pathFile) && !QFile::exists(pgpass));
    }

    // Joined: the address without password, the password in ~/.pgpass only.
    fill(" 127.0.0.1 ", pg.port(), base, Role, Password);
    QTest::mouseClick(dialog.cmdContinuer, Qt::LeftButton);
    QCOMPARE(boxes.shown().size(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const QString address =
        QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(Role).arg(pg.port()).arg(base);
    QCOMPARE(readAll(pathFile), (address + "\n").toUtf8());
    QCOMPARE(readAll(pgpass), QStringLiteral("127.0.0.1:%1:%2:%3:mot\\:de\\\\passe é\n")
                                  .arg(pg.port())
                                  .arg(base, Role)
                                  .toUtf8());
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(pgpass).constData(), &st) == 0 && (st.st_mode & 0777) == 0600);
    QVERIFY(!qEnvironmentVariableIsSet("PGPASSWORD"));

    // The start-up connects with the password libpq finds in the file.
    Result<StartupInfo> info = startUp(program.path(), config);
    QVERIFY2(info.ok(), info.ok() ? "" : qPrintable(info.error().text));
    QCOMPARE(info->chemin_base, address);
    QCOMPARE(info->shopName, QStringLiteral("LE STRIKE"));
}

QTEST_MAIN(TestFirstStartServer)
#include "tst_first_start_server.moc"
