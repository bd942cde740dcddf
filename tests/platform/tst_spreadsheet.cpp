// ctest-systems: linux
// (The stand-in spreadsheets are shell scripts; the Windows side has its own
// test, tst_windows_desktop.)
#include "platform/spreadsheet.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vdn;

namespace {

// Sets environment variables for the life of a test and puts them back.
class EnvGuard {
public:
    void set(const char* name, const QByteArray& value) {
        save(name);
        qputenv(name, value);
    }
    void unset(const char* name) {
        save(name);
        qunsetenv(name);
    }
    ~EnvGuard() {
        for (const Saved& s : saved_) {
            if (s.had)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }

private:
    struct Saved {
        const char* name;
        bool had;
        QByteArray value;
    };
    void save(const char* name) {
        saved_.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    }
    QList<Saved> saved_;
};

bool writeScript(const QString& path, const QByteArray& body) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("#!/bin/sh\n" + body) < 0)
        return false;
    f.close();
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
private slots:
    void command_comes_from_the_environment();
    void no_program_found_says_how_to_set_one();
    void libreoffice_gets_the_import_options();
    void input_is_swallowed_while_waiting();
};

void TestSpreadsheet::command_comes_from_the_environment() {
    EnvGuard env;
    env.set(ProcessSpreadsheet::CommandVariable, "\"/opt/mon tableur/calc\" --nologo -o");
    QCOMPARE(ProcessSpreadsheet::command(),
             (QStringList{"/opt/mon tableur/calc", "--nologo", "-o"}));
}

void TestSpreadsheet::no_program_found_says_how_to_set_one() {
    QTemporaryDir emptyPath;
    QVERIFY(emptyPath.isValid());
    EnvGuard env;
    env.unset(ProcessSpreadsheet::CommandVariable);
    env.set("PATH", emptyPath.path().toUtf8());
    QVERIFY(ProcessSpreadsheet::command().isEmpty());
    ProcessSpreadsheet spreadsheet;
    QString reason;
    QVERIFY(!spreadsheet.openAndWait(QStringLiteral("/tmp/x.csv"), nullptr, reason));
    QCOMPARE(reason, QStringLiteral("Aucun tableur n'est installé (LibreOffice Calc ou Gnumeric). "
                                    "La variable d'environnement VORDAN_TABLEUR peut indiquer la "
                                    "commande à utiliser."));
}

void TestSpreadsheet::libreoffice_gets_the_import_options() {
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    EnvGuard env;
    env.unset(ProcessSpreadsheet::CommandVariable);
    env.set("PATH", bin.path().toUtf8());
    const QString filter = QStringLiteral(
        "--infilter=Text - txt - csv (StarCalc):44,34,1,1,"
        "1/2/2/2/3/2/4/2/5/2/6/2/7/2/8/2/9/2/10/2/11/2,0,false,false,false,false,false,-1,false");

    // Gnumeric alone is started as it always was.
    QVERIFY(writeScript(bin.filePath(QStringLiteral("gnumeric")), "exit 0\n"));
    QCOMPARE(ProcessSpreadsheet::command(), QStringList{bin.filePath(QStringLiteral("gnumeric"))});
    // Each LibreOffice launcher takes the options, in one argument before the file.
    QVERIFY(writeScript(bin.filePath(QStringLiteral("soffice")), "exit 0\n"));
    QCOMPARE(ProcessSpreadsheet::command(),
             (QStringList{bin.filePath(QStringLiteral("soffice")), "--calc", filter}));
    QVERIFY(writeScript(bin.filePath(QStringLiteral("localc")), "exit 0\n"));
    QCOMPARE(ProcessSpreadsheet::command(),
             (QStringList{bin.filePath(QStringLiteral("localc")), filter}));

    // A command set by the user is used exactly as given, LibreOffice or not.
    env.set(ProcessSpreadsheet::CommandVariable, bin.filePath(QStringLiteral("localc")).toUtf8());
    QCOMPARE(ProcessSpreadsheet::command(), QStringList{bin.filePath(QStringLiteral("localc"))});

    // The options reach the program as one argument, the file last.
    const QString seen = bin.filePath(QStringLiteral("arguments"));
    QVERIFY(
        writeScript(bin.filePath(QStringLiteral("localc")),
                    "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + seen.toUtf8() + "'\n"));
    env.unset(ProcessSpreadsheet::CommandVariable);
    ProcessSpreadsheet spreadsheet;
    QString reason;
    QVERIFY2(spreadsheet.openAndWait(QStringLiteral("/tmp/Client_20261208.csv"), nullptr, reason),
             qPrintable(reason));
    QFile args(seen);
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()),
             filter + QStringLiteral("\n/tmp/Client_20261208.csv\n"));
}

void TestSpreadsheet::input_is_swallowed_while_waiting() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The stand-in ends once the test has clicked.
    const QString flag = dir.filePath(QStringLiteral("clicked"));
    const QString script = dir.filePath(QStringLiteral("tableur.sh"));
    QVERIFY(writeScript(script, "while [ ! -e '" + flag.toUtf8() + "' ]; do sleep 0.05; done\n"));
    EnvGuard env;
    env.set(ProcessSpreadsheet::CommandVariable, script.toUtf8());

    QPushButton button(QStringLiteral("Exporter"));
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicks(&button, &QPushButton::clicked);
    bool closed = false;
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
        closed = button.close();
        QFile(flag).open(QIODevice::WriteOnly);
    });
    ProcessSpreadsheet spreadsheet;
    QString reason;
    QVERIFY2(spreadsheet.openAndWait(dir.filePath(QStringLiteral("f.csv")), &button, reason),
             qPrintable(reason));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(closed); // a close made by the program itself still passes
    // Once the wait is over the button takes clicks again.
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

QTEST_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
