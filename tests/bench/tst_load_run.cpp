// ctest-labels: postgresql
// The benchmark's load mode, short: two workstations for 20 seconds on a
// small base on the bench's own server; its end-of-run invariants hold.

#include "support/outside_program.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class LoadRunTest : public QObject {
    Q_OBJECT
private slots:
    void twoWorkstations();
};

void LoadRunTest::twoWorkstations() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcess bench;
    bench.setProcessChannelMode(QProcess::SeparateChannels);
    bench.start(QStringLiteral(VORDAN_BENCH),
                {QStringLiteral("--postes"), QStringLiteral("2"), QStringLiteral("--duree"),
                 QStringLiteral("20"), QStringLiteral("--clients"), QStringLiteral("2000"),
                 QStringLiteral("--dossier"), folder.path()});
    QVERIFY(bench.waitForFinished(150000));
    const QString report = QString::fromUtf8(bench.readAllStandardOutput());
    const QString log = QString::fromUtf8(bench.readAllStandardError());
    if (report.isEmpty() && log.contains(QStringLiteral("serveur PostgreSQL")) &&
        !vdn::test::underCi())
        QSKIP(qPrintable(log.trimmed()));
    QVERIFY2(bench.exitStatus() == QProcess::NormalExit && bench.exitCode() == 0,
             qPrintable(report + log));
    // Each invariant is reported, held, over a run that wrote something.
    for (const char* invariant :
         {"Invariant écritures perdues : 0 sur", "Invariant lignes de boule données deux fois : 0 ",
          "Invariant codes client donnés deux fois : 0 ",
          "Invariant une version par validation de fiche : 0 écarts",
          "Invariant aucune erreur montrée à l'utilisateur : 0 "})
        QVERIFY2(report.contains(QString::fromUtf8(invariant)), invariant);
    const QRegularExpression writes(
        QStringLiteral("sur (\\d+) clients, (\\d+) nouveaux clients et (\\d+) boules"));
    const QRegularExpressionMatch m = writes.match(report);
    QVERIFY2(m.hasMatch(), qPrintable(report));
    QVERIFY2(m.captured(1).toInt() + m.captured(2).toInt() + m.captured(3).toInt() > 0,
             qPrintable(report));
    // Both workstations timed their keystrokes.
    QVERIFY2(report.contains(QStringLiteral("| Frappe dans la recherche |")), qPrintable(report));
}

QTEST_GUILESS_MAIN(LoadRunTest)
#include "tst_load_run.moc"
