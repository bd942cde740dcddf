#include "app/first_start.h"
#include "app/startup.h"
#include "data/connection.h"
#include "data/shop_store.h"
#include "support/fixture.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vdn;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The window on an empty configuration folder, with a place of its own for
// new databases and an empty program folder.
struct FirstStart {
    FirstStart() : dialog(boxes, config()) {
        dialog.show();
        dialog.activateWindow();
    }
    QString config() const { return home.filePath("config/vordan"); }
    QString pathFile() const { return config() + "/CHEMIN.QZ"; }
    void fill(QLineEdit* e, const QString& text) {
        e->clear();
        test::typeText(e, text);
    }
    void proceed() { QTest::mouseClick(dialog.cmdContinuer, Qt::LeftButton); }
    bool checkBoxes() {
        const bool ok = boxes.failures().isEmpty() && boxes.pending() == 0;
        if (!ok)
            qWarning() << "boxes:" << boxes.failures() << "pending" << boxes.pending();
        boxes.clear();
        return ok;
    }

    QTemporaryDir home, program;
    ScriptedMessageBoxes boxes;
    FirstStartDialog dialog;
};

} // namespace

class TestFirstStart : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void shown_only_without_path_file();
    void creates_a_database_and_starts_on_it();
    void opens_an_existing_database();
    void quit_leaves_the_present_message();
    void refusals_write_nothing();
};

void TestFirstStart::shown_only_without_path_file() {
    QTemporaryDir program, config;
    qunsetenv("VORDAN_PREMIER_DEMARRAGE");
    // Offscreen, the plain message stays ...
    QVERIFY(!firstStartWanted(program.path(), config.path()));
    // ... unless the tests ask for the window.
    qputenv("VORDAN_PREMIER_DEMARRAGE", "1");
    QVERIFY(firstStartWanted(program.path(), config.path()));
    // A path file, even an empty one, keeps the usual start-up and messages.
    QFile empty(config.filePath("CHEMIN.QZ"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(!firstStartWanted(program.path(), config.path()));
    qunsetenv("VORDAN_PREMIER_DEMARRAGE");
}

void TestFirstStart::creates_a_database_and_starts_on_it() {
    for (const bool demo : {false, true}) {
        FirstStart w;
        QVERIFY(w.dialog.optCreer->isChecked());
        QVERIFY(w.dialog.fraCreer->isEnabled());
        QVERIFY(!w.dialog.fraOuvrir->isEnabled());
        const QString folder = w.home.filePath("données/magasin");
        w.fill(w.dialog.txtDossierNouveau, folder);
        w.fill(w.dialog.txtMagasin, "  LE STRIKE  ");
        w.fill(w.dialog.txtLicence, "123");
        // Named once with the demo, left empty without it.
        if (demo)
            w.fill(w.dialog.txtPerceur, " Ana Ruiz ");
        w.dialog.chkDemo->setChecked(demo);
        w.proceed();
        QVERIFY(w.checkBoxes());
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        // Written as the system writes paths.
        const QString line = QDir::toNativeSeparators(folder) + QDir::separator();
        QCOMPARE(w.dialog.chosenBase(), line);
        QCOMPARE(readAll(w.pathFile()), (line + "\n").toUtf8());

        // The start-up now finds it.
        Result<StartupInfo> info = startUp(w.program.path(), w.config());
        QVERIFY2(info.ok(), info.ok() ? "" : qPrintable(info.error().text));
        QCOMPARE(info->chemin_base, line);
        QCOMPARE(info->title, mainTitle("LE STRIKE", "123"));
        auto c = Connection::open(folder + "/vordan.mdb");
        QVERIFY(c.ok());
        const int customers = test::scalar(**c, "SELECT count(*) FROM strclient").toInt();
        QVERIFY(demo ? customers > 0 : customers == 0);
        QCOMPARE(ShopStore((*c)->db()).driller().value(),
                 demo ? QStringLiteral("Ana Ruiz") : QStringLiteral("Tibor Vallasse"));
        // Its own lock beside the database lasts as long as the program.
        QCOMPARE(entries(folder).filter(".verrou-").size(), 1);
        info->lock.reset();
        // Nothing written anywhere else.
        QCOMPARE(entries(w.home.path()), (QStringList{"config", "données"}));
        QCOMPARE(entries(w.config()), QStringList{"CHEMIN.QZ"});
        QCOMPARE(entries(folder), QStringList{"vordan.mdb"});
        QCOMPARE(entries(w.program.path()), QStringList{});
    }
}

void TestFirstStart::opens_an_existing_database() {
    test::DataFolder existing;
    QVERIFY(existing.ok());
    const QByteArray before = readAll(existing.databaseFile());
    FirstStart w;
    QTest::mouseClick(w.dialog.optOuvrir, Qt::LeftButton, {},
                      QPoint(8, w.dialog.optOuvrir->height() / 2));
    QVERIFY(w.dialog.optOuvrir->isChecked());
    QVERIFY(!w.dialog.fraCreer->isEnabled());
    QVERIFY(w.dialog.fraOuvrir->isEnabled());
    // Typed with its final '/' and blanks: the same folder.
    w.fill(w.dialog.txtDossierExistant, " " + existing.folder() + " ");
    w.proceed();
    QVERIFY(w.checkBoxes());
    QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(readAll(w.pathFile()), QDir::toNativeSeparators(existing.folder()).toUtf8() + "\n");
    QCOMPARE(readAll(existing.databaseFile()), before);
    Result<StartupInfo> info = startUp(w.program.path(), w.config());
    QVERIFY(info.ok());
    QCOMPARE(info->shopName, QStringLiteral("LE STRIKE"));
}

void TestFirstStart::quit_leaves_the_present_message() {
    FirstStart w;
    w.fill(w.dialog.txtMagasin, "LE STRIKE");
    QTest::mouseClick(w.dialog.cmdQuitter, Qt::LeftButton);
    QCOMPARE(w.dialog.result(), int(QDialog::Rejected));
    QVERIFY(w.dialog.isHidden());
    QVERIFY(w.checkBoxes());
    QCOMPARE(entries(w.home.path()), QStringList{});
    Result<StartupInfo> info = startUp(w.program.path(), w.config());
    QVERIFY(!info.ok());
    QVERIFY(info.error().text.startsWith("Fichier introuvable : CHEMIN.QZ"));
    QVERIFY(info.error().text.contains("vordan --creer-base DOSSIER"));
}

void TestFirstStart::refusals_write_nothing() {
    test::DataFolder existing;
    QVERIFY(existing.ok());
    const QByteArray before = readAll(existing.databaseFile());
    FirstStart w;
    QTemporaryDir empty;
    QVERIFY(QDir(empty.path()).mkpath("dossier"));
    QFile garbage(empty.filePath("dossier/vordan.mdb"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("pas une base");
    garbage.close();
    const QString existingFolder = QDir::toNativeSeparators(QDir::cleanPath(existing.folder()));

    // A new base where one is already: refused, the old one kept.
    w.fill(w.dialog.txtDossierNouveau, existing.folder());
    w.fill(w.dialog.txtMagasin, "AUTRE");
    w.boxes.expectMessage(
        QStringLiteral("Le dossier %1 contient déjà une base VORDAN ; elle ne sera pas remplacée. "
                       "Choisissez « Ouvrir une base existante » pour l'utiliser.")
            .arg(existingFolder));
    w.proceed();
    QVERIFY(w.checkBoxes());
    // No shop name.
    w.fill(w.dialog.txtDossierNouveau, w.home.filePath("neuf"));
    w.fill(w.dialog.txtMagasin, "   ");
    w.boxes.expectMessage("Indiquez le nom du magasin.");
    w.proceed();
    QVERIFY(w.checkBoxes());

    // Opening a folder without a database, or with a file that is not one.
    QTest::mouseClick(w.dialog.optOuvrir, Qt::LeftButton, {},
                      QPoint(8, w.dialog.optOuvrir->height() / 2));
    w.fill(w.dialog.txtDossierExistant, empty.path());
    w.boxes.expectMessage(QStringLiteral("Le dossier %1 ne contient pas de base VORDAN (fichier "
                                         "vordan.mdb absent).")
                              .arg(QDir::toNativeSeparators(empty.path())));
    w.proceed();
    QVERIFY(w.checkBoxes());
    w.fill(w.dialog.txtDossierExistant, empty.filePath("dossier"));
    w.proceed();
    QCOMPARE(w.boxes.shown().size(), 1);
    QVERIFY2(w.boxes.shown().first().text.startsWith(
                 QStringLiteral("La base %1 ne peut pas être ouverte : ")
                     .arg(QDir::toNativeSeparators(empty.filePath("dossier/vordan.mdb")))),
             qPrintable(w.boxes.shown().first().text));
    w.boxes.clear();
    w.fill(w.dialog.txtDossierExistant, "");
    w.boxes.expectMessage("Indiquez le dossier de la base existante.");
    w.proceed();
    QVERIFY(w.checkBoxes());

    QVERIFY(w.dialog.isVisible());
    QCOMPARE(entries(w.home.path()), QStringList{});
    QCOMPARE(readAll(existing.databaseFile()), before);
    QCOMPARE(readAll(empty.filePath("dossier/vordan.mdb")), QByteArray("pas une base"));
}

QTEST_MAIN(TestFirstStart)
#include "tst_first_start.moc"
