#include "load_mode.h"

#include "customer_click.h"
#include "load_journal.h"

#include "app/startup.h"
#include "app/vdn_menu.h"
#include "balls/ball_list_model.h"
#include "balls/ball_panel.h"
#include "balls/ball_record_panel.h"
#include "customers/customer_list_model.h"
#include "customers/vdn_client.h"
#include "data/connection.h"
#include "data/globals.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/services.h"
#include "platform/spreadsheet.h"
#include "support/pg_cluster.h"
#include "widgets/changed_elsewhere.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <libpq-fe.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <random>

using namespace vdn;

namespace bench {

namespace {

void say(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

QString customerCode(int n) {
    return QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
}

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// A pause of the user's: the window stays alive meanwhile.
void pause(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(std::min<qint64>(20, std::max<qint64>(1, ms - t.elapsed())));
    }
}

// The workstation's record: timings, journaled writes, conflicts and the
// messages a user would have seen, one line each, flushed at once so that a
// workstation stopped midway leaves what it did.
class Record {
public:
    explicit Record(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
            say(QStringLiteral("journal %1 non ouvert").arg(path));
    }
    void line(const QStringList& fields) {
        file_.write(fields.join(QLatin1Char('\t')).toUtf8() + '\n');
        file_.flush();
    }
    void time(const QString& action, double ms) {
        line({QStringLiteral("T"), action, QString::number(ms, 'f', 3)});
    }
    void write(const JournalEntry& e) {
        file_.write(journalLine(e).toUtf8() + '\n');
        file_.flush();
    }
    bool ok() const { return file_.isOpen(); }

private:
    QFile file_;
};

// The boxes of a workstation: the "changed elsewhere" choice answered at
// random among its three answers, every answer recorded; any other message
// is one a user would have seen.
class LoadBoxes : public MessageBoxes {
public:
    enum class Choice { None, Typed, Stored, KeptOnScreen };
    LoadBoxes(Record& record, std::mt19937& random) : record_(record), random_(random) {}

    void message(QWidget*, const QString& text) override {
        // What the program tells in its normal course: fields kept from the
        // other workstation, a number taken meanwhile and the next one given,
        // a ball list without a ball to print.
        const QString notice = keptFromOtherNotice({});
        if (text.startsWith(notice.left(notice.size() - 1)) ||
            text == QLatin1String("Aucune boule pour ce joueur") ||
            text.contains(QLatin1String("pris sur un autre poste entre-temps")))
            record_.line({QStringLiteral("N"), text});
        else
            record_.line({QStringLiteral("M"), QString(text).replace(QLatin1Char('\n'), ' ')});
    }
    bool question(QWidget*, const QString& text) override {
        record_.line({QStringLiteral("Q"), QString(text).replace(QLatin1Char('\n'), ' '),
                      QStringLiteral("oui")});
        return true;
    }
    // Settling an entry left on screen: not saved.
    Answer questionWithCancel(QWidget*, const QString& text, Answer) override {
        record_.line({QStringLiteral("Q"), QString(text).replace(QLatin1Char('\n'), ' '),
                      QStringLiteral("non")});
        return Answer::No;
    }
    std::optional<QList<bool>> chooseValues(QWidget*, const QString&,
                                            const QList<FieldChoice>& fields) override {
        const int pick = std::uniform_int_distribution<int>(0, 2)(random_);
        last_ = pick == 0 ? Choice::Typed : pick == 1 ? Choice::Stored : Choice::KeptOnScreen;
        QStringList names;
        for (const FieldChoice& f : fields)
            names << f.name;
        record_.line({QStringLiteral("C"), what_, choiceName(last_), names.join(QLatin1Char(','))});
        if (last_ == Choice::KeptOnScreen)
            return std::nullopt;
        return QList<bool>(fields.size(), last_ == Choice::Typed);
    }
    void beep() override {}

    void begin(const QString& what) {
        what_ = what;
        last_ = Choice::None;
    }
    Choice last() const { return last_; }

    static QString choiceName(Choice c) {
        switch (c) {
        case Choice::Typed:
            return QStringLiteral("valeur saisie écrite");
        case Choice::Stored:
            return QStringLiteral("valeur de l'autre poste gardée");
        case Choice::KeptOnScreen:
            return QStringLiteral("saisie laissée à l'écran");
        case Choice::None:
            break;
        }
        return QString();
    }

private:
    Record& record_;
    std::mt19937& random_;
    QString what_;
    Choice last_ = Choice::None;
};

// The actions' names in the report.
const QString Keystroke = QStringLiteral("Frappe dans la recherche");
const QString OpenCustomer = QStringLiteral("Ouverture d'un client (nom tapé, clic sur la ligne)");
const QString OpenRecord = QStringLiteral("Ouverture de la fiche client");
const QString SaveCustomer = QStringLiteral("Enregistrement d'un client");
const QString NewBall = QStringLiteral("Nouvelle boule : ouverture de la saisie");
const QString SaveBall = QStringLiteral("Validation d'une boule");
const QString OpenSheet = QStringLiteral("Ouverture d'une fiche de perçage");
const QString SaveSheet = QStringLiteral("Validation d'une fiche de perçage");
const QString PrintBalls = QStringLiteral("Impression de la liste des boules en PDF");
const QString NewCustomer = QStringLiteral("Nouveau client : ouverture de la saisie");
const QString SaveNewCustomer = QStringLiteral("Enregistrement d'un nouveau client");

double timed(const std::function<void()>& action) {
    QElapsedTimer t;
    t.start();
    action();
    settle();
    return double(t.nsecsElapsed()) / 1e6;
}

void typeChar(QWidget* w, QChar ch) {
    if (ch.unicode() < 128 && ch.isPrint())
        QTest::keyClick(w, char(ch.unicode()));
    else
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace

int runWorkstation(const LoadOptions& options) {
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 2;
    const bool onServer = !options.sqlite;
    QString folder = options.folder;
    QString database;
    if (onServer) {
        folder = scratch.filePath(QStringLiteral("programme")) + QLatin1Char('/');
        database = options.address;
        QDir().mkpath(folder + QStringLiteral("fichiers"));
        QFile path(folder + QStringLiteral("CHEMIN.QZ"));
        if (!path.open(QIODevice::WriteOnly))
            return 2;
        path.write(database.toUtf8() + "\r\n" + (folder + QStringLiteral("fichiers")).toUtf8() +
                   "\r\n");
    } else {
        database = databasePath(folder);
    }

    Record record(options.journal);
    if (!record.ok())
        return 2;
    std::mt19937 random(options.seed * 1000u + unsigned(options.workstation));
    const auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    LoadBoxes boxes(record, random);
    SystemClock clock;
    RecordingPointer pointer;
    ScriptedPrintDialog printDialog;
    ScriptedSpreadsheet spreadsheet;
    Services services{&boxes, &clock, &pointer, &printDialog, &spreadsheet};

    Result<StartupInfo> info = startUp(folder, folder);
    if (!info) {
        say(info.error().text);
        return 2;
    }
    chemin_base = info->chemin_base;
    chemin_fichiers = info->chemin_fichiers;
    shop_name = info->shopName;
    auto menu = std::make_unique<VdnMenu>(services, *info);
    menu->show();
    VdnClient* client = menu->openClient();
    auto* selnom = client->findChild<QLineEdit*>(QStringLiteral("selnom"));
    auto* grid = client->findChild<QTableView*>(QStringLiteral("DBGrid1"));
    auto* ballPanel = client->findChild<BallPanel*>(QStringLiteral("Frame300"));
    auto* recordPanel = client->findChild<QWidget*>(QStringLiteral("Frame100"));
    auto* sheetPanel = client->findChild<QWidget*>(QStringLiteral("Frame400"));
    auto* listModel = grid ? qobject_cast<CustomerListModel*>(grid->model()) : nullptr;
    if (!selnom || !grid || !ballPanel || !recordPanel || !sheetPanel || !listModel) {
        say(QStringLiteral("fenêtre clients incomplète"));
        return 2;
    }
    auto lookup = Connection::open(database);
    if (!lookup) {
        say(lookup.error().text);
        return 2;
    }
    const auto nameOf = [&](const QString& code) {
        QSqlQuery q((*lookup)->db());
        q.prepare(QStringLiteral("SELECT clt_nom FROM strclient WHERE clt_cod = ?"));
        q.addBindValue(code);
        return q.exec() && q.next() ? q.value(0).toString() : QString();
    };

    // Customers with an odd code have a sheet and are never deleted; the
    // first few are the hot set every workstation edits.
    const int sheetCustomers = std::max(1, options.clients / 2);
    const auto pickCustomer = [&](bool preferHot) {
        const bool hot = preferHot && between(0, 1) == 0;
        const int k =
            hot ? between(0, std::max(0, options.hot - 1)) : between(0, sheetCustomers - 1);
        return customerCode(1 + 2 * k);
    };

    // Opens a customer as the user does: the name typed, a click on its row.
    const auto openCustomer = [&](const QString& wanted) {
        client->retour_liste();
        settle();
        const QString name = nameOf(wanted);
        bool opened = false;
        const double ms = timed([&] {
            selnom->setText(name);
            settle();
            opened = clickCustomerRow(*client, *grid, *ballPanel, wanted, false);
        });
        if (opened)
            record.time(OpenCustomer, ms);
        else
            record.line({QStringLiteral("X"), QStringLiteral("client %1 non ouvert").arg(wanted)});
        return opened;
    };

    int written = 0;
    const auto token = [&](const QString& prefix) {
        return QStringLiteral("%1%2-%3").arg(prefix).arg(options.workstation).arg(++written);
    };

    const QElapsedTimer run = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    const qint64 end = qint64(options.seconds) * 1000;
    while (run.elapsed() < end) {
        const int dice = between(0, 99);
        if (dice < 30) {
            // A search typed, a key at a time.
            client->retour_liste();
            selnom->clear();
            settle();
            const QString name = nameOf(pickCustomer(false)).left(between(2, 5));
            for (QChar ch : name) {
                record.time(Keystroke, timed([&] { typeChar(selnom, ch); }));
                pause(between(80, 250));
            }
        } else if (dice < 45) {
            openCustomer(pickCustomer(true));
        } else if (dice < 60) {
            // A customer's third address line changed and saved.
            const QString code = pickCustomer(true);
            if (!openCustomer(code))
                continue;
            auto* image2 = ballPanel->findChild<QWidget*>(QStringLiteral("Image2"));
            record.time(OpenRecord, timed([&] { QTest::mouseClick(image2, Qt::LeftButton); }));
            auto* ad3 = recordPanel->findChild<QLineEdit*>(QStringLiteral("txtad3"));
            auto* save = recordPanel->findChild<QPushButton*>(QStringLiteral("cmdvalide"));
            if (recordPanel->isHidden() || !ad3 || !save) {
                record.line({QStringLiteral("X"), QStringLiteral("fiche client %1").arg(code)});
                continue;
            }
            const QString value = token(QStringLiteral("Adresse P"));
            ad3->setText(value);
            pause(between(300, 900));
            boxes.begin(QStringLiteral("client"));
            const qint64 start = nowMs();
            record.time(SaveCustomer, timed([&] { QTest::mouseClick(save, Qt::LeftButton); }));
            const qint64 ack = nowMs();
            if (!recordPanel->isHidden()) {
                // Kept on screen (or refused): the entry is left.
                client->retour_liste();
                settle();
                continue;
            }
            if (boxes.last() != LoadBoxes::Choice::Stored)
                record.write({JournalEntry::Kind::Customer, options.workstation, start, ack, code,
                              QString(), value});
        } else if (dice < 75) {
            // A ball added and validated.
            const QString code = pickCustomer(true);
            if (!openCustomer(code))
                continue;
            auto* add = ballPanel->findChild<QToolButton*>(QStringLiteral("cmdajout_mat"));
            auto* validate = client->findChild<QPushButton*>(QStringLiteral("cmdvalide3"));
            auto* nameBox = client->findChild<QLineEdit*>(QStringLiteral("txtboule"));
            if (!add || !validate || !nameBox)
                return 2;
            record.time(NewBall, timed([&] { QTest::mouseClick(add, Qt::LeftButton); }));
            for (QComboBox* combo : ballPanel->record().combos())
                if (combo->count() > 0)
                    combo->setEditText(combo->itemText(0));
            const QString value = token(QStringLiteral("B"));
            nameBox->setText(value);
            pause(between(300, 900));
            boxes.begin(QStringLiteral("boule"));
            const qint64 start = nowMs();
            record.time(SaveBall, timed([&] { QTest::mouseClick(validate, Qt::LeftButton); }));
            const qint64 ack = nowMs();
            BallListModel* balls = ballPanel->ballModel();
            bool found = false;
            for (int r = 0; r < balls->rowCount() && !found; ++r)
                if (balls->row(r).cell(BallColumn::Ball) == value) {
                    record.write({JournalEntry::Kind::Ball, options.workstation, start, ack, code,
                                  balls->row(r).cell(BallColumn::Line), value});
                    found = true;
                }
            if (!found)
                record.line(
                    {QStringLiteral("X"), QStringLiteral("boule %1 non listée").arg(value)});
        } else if (dice < 92) {
            // A drilling sheet opened, its finger comment changed, validated.
            const QString code = pickCustomer(true);
            if (!openCustomer(code))
                continue;
            auto* entry = client->findChild<QWidget*>(QStringLiteral("cmdmodif_fiche"));
            if (!entry || entry->isHidden()) {
                record.line({QStringLiteral("X"), QStringLiteral("fiche de %1").arg(code)});
                continue;
            }
            record.time(OpenSheet, timed([&] { QTest::mouseClick(entry, Qt::LeftButton); }));
            if (sheetPanel->isHidden())
                continue;
            // The sheet's fields exist once a sheet has been opened.
            auto* save = sheetPanel->findChild<QPushButton*>(QStringLiteral("cmdvalide_fiche"));
            auto* comment = sheetPanel->findChild<QPlainTextEdit*>(QStringLiteral("txtcomm_doigt"));
            if (!save || !comment) {
                record.line({QStringLiteral("X"), QStringLiteral("fiche de %1").arg(code)});
                continue;
            }
            comment->setPlainText(token(QStringLiteral("Fiche P")));
            pause(between(300, 900));
            boxes.begin(QStringLiteral("fiche"));
            const qint64 start = nowMs();
            record.time(SaveSheet, timed([&] { QTest::mouseClick(save, Qt::LeftButton); }));
            const qint64 ack = nowMs();
            if (sheetPanel->isHidden())
                record.write({JournalEntry::Kind::Sheet, options.workstation, start, ack, code,
                              QString(), QString()});
            else {
                client->retour_liste();
                settle();
            }
        } else if (dice < 97) {
            // A new customer under the code the program proposes: several
            // workstations may be given the same proposal at once.
            client->retour_liste();
            settle();
            auto* add = client->findChild<QPushButton*>(QStringLiteral("cmdajout"));
            auto* codeBox = recordPanel->findChild<QLineEdit*>(QStringLiteral("Txtcod"));
            auto* nameBox = recordPanel->findChild<QLineEdit*>(QStringLiteral("Txtnom"));
            auto* save = recordPanel->findChild<QPushButton*>(QStringLiteral("cmdvalide"));
            if (!add || !codeBox || !nameBox || !save)
                return 2;
            record.time(NewCustomer, timed([&] { QTest::mouseClick(add, Qt::LeftButton); }));
            if (recordPanel->isHidden()) {
                record.line({QStringLiteral("X"), QStringLiteral("saisie d'un nouveau client")});
                continue;
            }
            const QString value = token(QStringLiteral("NOUVEAU P"));
            nameBox->setText(value);
            pause(between(300, 900));
            boxes.begin(QStringLiteral("nouveau client"));
            const qint64 start = nowMs();
            record.time(SaveNewCustomer, timed([&] { QTest::mouseClick(save, Qt::LeftButton); }));
            const qint64 ack = nowMs();
            if (!recordPanel->isHidden()) {
                record.line({QStringLiteral("X"), QStringLiteral("nouveau client non enregistré")});
                client->retour_liste();
                settle();
                continue;
            }
            record.write({JournalEntry::Kind::NewCustomer, options.workstation, start, ack,
                          codeBox->text(), QString(), value});
        } else {
            // The ball list printed to a PDF.
            const QString code = pickCustomer(false);
            if (!openCustomer(code))
                continue;
            auto* print = ballPanel->findChild<QWidget*>(QStringLiteral("cmdimp_mat"));
            if (!print)
                return 2;
            const QString pdf = scratch.filePath(QStringLiteral("boules.pdf"));
            QFile::remove(pdf);
            printDialog.expectAccept({pdf});
            const double ms = timed([&] { QTest::mouseClick(print, Qt::LeftButton); });
            if (QFileInfo(pdf).size() > 0)
                record.time(PrintBalls, ms);
            else
                record.line({QStringLiteral("X"), QStringLiteral("PDF de %1 non écrit").arg(code)});
            printDialog.clear();
        }
        pause(between(200, 700));
    }
    client->retour_liste();
    settle();
    menu.reset();
    settle();
    return 0;
}

namespace {

double percentile(QList<double> v, double p) {
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const qsizetype i = std::min(v.size() - 1, qsizetype(std::ceil(p * double(v.size())) - 1));
    return v.at(std::max<qsizetype>(0, i));
}

// A libpq link to the server for its statistics; quiet when it cannot be
// made (the report then says the figures are unknown).
class ServerStats {
public:
    explicit ServerStats(const QString& address) {
        if (!address.isEmpty())
            conn_ = PQconnectdb(address.toUtf8().constData());
    }
    ~ServerStats() {
        if (conn_)
            PQfinish(conn_);
    }
    bool ok() const { return conn_ && PQstatus(conn_) == CONNECTION_OK; }
    // The rows of a query, each its fields; nothing on failure.
    QList<QStringList> rows(const QString& sql) {
        QList<QStringList> out;
        if (!ok())
            return out;
        PGresult* r = PQexec(conn_, sql.toUtf8().constData());
        if (PQresultStatus(r) == PGRES_TUPLES_OK)
            for (int i = 0; i < PQntuples(r); ++i) {
                QStringList row;
                for (int c = 0; c < PQnfields(r); ++c)
                    row << QString::fromUtf8(PQgetvalue(r, i, c));
                out << row;
            }
        PQclear(r);
        return out;
    }
    QString value(const QString& sql) {
        const QList<QStringList> r = rows(sql);
        return r.isEmpty() || r.first().isEmpty() ? QString() : r.first().first();
    }

private:
    PGconn* conn_ = nullptr;
};

// Ctrl+C or a kill of the coordinator: the workstations are stopped and the
// coordinator returns, so that its server is stopped and removed.
volatile sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

QHash<QString, int> sheetVersions(Connection& c) {
    QHash<QString, int> counts;
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (q.exec(QStringLiteral("SELECT per_code, count(*) FROM strpercage_hist GROUP BY per_code")))
        while (q.next())
            counts.insert(q.value(0).toString(), q.value(1).toInt());
    return counts;
}

} // namespace

int runLoad(const LoadOptions& options, const LoadHooks& hooks) {
    if (options.workstations < 1 || options.workstations > 30 || options.seconds < 1) {
        say(QStringLiteral("vordan_bench : --postes de 1 à 30, --duree au moins 1"));
        return 2;
    }
    ::signal(SIGINT, onStopSignal);
    ::signal(SIGTERM, onStopSignal);
    ::signal(SIGHUP, onStopSignal);
    hooks.ensureDatabase();
    const QString file = databasePath(options.folder);
    std::unique_ptr<vdn::test::PgCluster> server;
    QString address = options.address;
    bool ownServer = false;
    if (options.sqlite) {
        QFile path(options.folder + QStringLiteral("CHEMIN.QZ"));
        if (!path.open(QIODevice::WriteOnly))
            return 2;
        path.write(options.folder.toUtf8() + "\r\n");
    } else if (address.isEmpty()) {
        // The bench's own server, with the statements' statistics loaded and
        // lock waits written to its log.
        server = std::make_unique<vdn::test::PgCluster>(true);
        if (!server->ok()) {
            say(QStringLiteral("serveur PostgreSQL : ") + server->error());
            return 2;
        }
        server->psql(QStringLiteral("postgres"),
                     QStringLiteral("ALTER SYSTEM SET shared_preload_libraries = "
                                    "'pg_stat_statements'"));
        server->psql(QStringLiteral("postgres"),
                     QStringLiteral("ALTER SYSTEM SET log_lock_waits = on"));
        server->psql(QStringLiteral("postgres"),
                     QStringLiteral("ALTER SYSTEM SET deadlock_timeout = '200ms'"));
        if (!server->stopImmediately() || !server->start()) {
            say(QStringLiteral("serveur PostgreSQL non redémarré"));
            return 2;
        }
        const QString socket = server->newDatabase();
        if (socket.isEmpty())
            return 2;
        hooks.loadServer(file, socket);
        const QString name = vdn::test::PgCluster::databaseOf(socket);
        server->psql(name, QStringLiteral("VACUUM ANALYZE"));
        address = server->address(name, true);
        ownServer = true;
    }
    ServerStats stats(options.sqlite ? QString() : address);
    if (stats.ok()) {
        stats.rows(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_stat_statements"));
        stats.rows(QStringLiteral("SELECT pg_stat_statements_reset()"));
    }
    const bool statements =
        stats.ok() &&
        !stats.value(QStringLiteral("SELECT count(*) FROM pg_stat_statements")).isEmpty();
    const QString deadlocksBefore =
        stats.value(QStringLiteral("SELECT deadlocks FROM pg_stat_database WHERE datname = "
                                   "current_database()"));

    if (stopRequested)
        return 1;
    const QString database = options.sqlite ? file : address;
    auto check = Connection::open(database);
    if (!check) {
        say(check.error().text);
        return 2;
    }
    const QHash<QString, int> versionsBefore = sheetVersions(**check);

    QTemporaryDir journals;
    QList<QProcess*> children;
    const QString engine = options.sqlite ? QStringLiteral("SQLite (un fichier)")
                                          : QStringLiteral("PostgreSQL par TCP");
    say(QStringLiteral("%1 postes pendant %2 s sur %3")
            .arg(options.workstations)
            .arg(options.seconds)
            .arg(engine));
    for (int w = 1; w <= options.workstations; ++w) {
        QStringList args{
            QStringLiteral("--poste"),   QString::number(w),
            QStringLiteral("--duree"),   QString::number(options.seconds),
            QStringLiteral("--clients"), QString::number(options.clients),
            QStringLiteral("--dossier"), options.folder,
            QStringLiteral("--graine"),  QString::number(options.seed),
            QStringLiteral("--journal"), journals.filePath(QStringLiteral("poste-%1.tsv").arg(w))};
        if (options.sqlite)
            args << QStringLiteral("--moteur") << QStringLiteral("sqlite");
        else
            args << QStringLiteral("--adresse") << address;
        auto* child = new QProcess;
        child->setProcessChannelMode(QProcess::ForwardedChannels);
        child->start(QCoreApplication::applicationFilePath(), args);
        children << child;
    }
    // Lock waits sampled every quarter second while the workstations run.
    int samples = 0, samplesWaiting = 0, maxWaiting = 0;
    double longestWaitMs = 0;
    const auto running = [&] {
        for (QProcess* c : children)
            if (c->state() != QProcess::NotRunning)
                return true;
        return false;
    };
    bool stopping = false;
    while (running()) {
        if (stopRequested && !stopping) {
            stopping = true;
            for (QProcess* c : children)
                c->terminate();
        }
        for (QProcess* c : children)
            c->waitForFinished(1);
        QThread::msleep(250);
        if (!stats.ok())
            continue;
        const QList<QStringList> w = stats.rows(QStringLiteral(
            "SELECT count(*), coalesce(max(extract(epoch FROM clock_timestamp() - "
            "state_change) * 1000), 0) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"));
        if (w.isEmpty() || w.first().size() < 2)
            continue;
        ++samples;
        const int waiting = w.first().at(0).toInt();
        maxWaiting = std::max(maxWaiting, waiting);
        samplesWaiting += waiting > 0;
        longestWaitMs = std::max(longestWaitMs, w.first().at(1).toDouble());
    }
    int failedChildren = 0;
    for (QProcess* c : children) {
        if (c->exitStatus() != QProcess::NormalExit || c->exitCode() != 0)
            ++failedChildren;
        delete c;
    }

    if (stopping) {
        say(QStringLiteral("interrompu"));
        return 1;
    }

    // The journals.
    QMap<QString, QList<double>> times;
    QMap<QString, int> conflicts;
    QStringList userMessages;
    QList<JournalEntry> entries;
    int notices = 0, misses = 0;
    for (int w = 1; w <= options.workstations; ++w) {
        QFile f(journals.filePath(QStringLiteral("poste-%1.tsv").arg(w)));
        if (!f.open(QIODevice::ReadOnly)) {
            ++failedChildren;
            continue;
        }
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QString text = QString::fromUtf8(raw);
            const QStringList fields = text.split(QLatin1Char('\t'));
            JournalEntry e;
            if (parseJournalLine(text, &e))
                entries << e;
            else if (fields.first() == QLatin1String("T") && fields.size() == 3)
                times[fields.at(1)] << fields.at(2).toDouble();
            else if (fields.first() == QLatin1String("C") && fields.size() >= 3)
                ++conflicts[fields.at(1) + QStringLiteral(" : ") + fields.at(2)];
            else if (fields.first() == QLatin1String("M") && fields.size() >= 2)
                userMessages << fields.at(1);
            else if (fields.first() == QLatin1String("N"))
                ++notices;
            else if (fields.first() == QLatin1String("X"))
                ++misses;
        }
    }

    // The database at the end.
    StoredState stored;
    {
        QSqlQuery customer((*check)->db());
        customer.prepare(QStringLiteral("SELECT clt_ad3 FROM strclient WHERE clt_cod = ?"));
        QSqlQuery name((*check)->db());
        name.prepare(QStringLiteral("SELECT clt_nom FROM strclient WHERE clt_cod = ?"));
        QSqlQuery ball((*check)->db());
        ball.prepare(
            QStringLiteral("SELECT mat_boule FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ?"));
        for (const JournalEntry& e : entries) {
            if (e.kind == JournalEntry::Kind::Customer && !stored.customerAddress.contains(e.key)) {
                customer.addBindValue(e.key);
                if (customer.exec() && customer.next())
                    stored.customerAddress.insert(e.key, customer.value(0).toString());
            } else if (e.kind == JournalEntry::Kind::NewCustomer &&
                       !stored.customerName.contains(e.key)) {
                name.addBindValue(e.key);
                if (name.exec() && name.next())
                    stored.customerName.insert(e.key, name.value(0).toString());
            } else if (e.kind == JournalEntry::Kind::Ball) {
                ball.addBindValue(e.key);
                ball.addBindValue(e.line);
                if (ball.exec() && ball.next())
                    stored.ballName.insert(e.key + QLatin1Char('/') + e.line,
                                           ball.value(0).toString());
            }
        }
        const QHash<QString, int> after = sheetVersions(**check);
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            if (it.value() != versionsBefore.value(it.key()))
                stored.addedVersions.insert(it.key(), it.value() - versionsBefore.value(it.key()));
    }
    const CheckResult result = checkJournal(entries, stored);

    // The report. The coordinator's own statements (statistics, version
    // counts) are left out of the server's figures.
    std::printf("\n### Charge : %d poste(s) pendant %d s, %s\n\n", options.workstations,
                options.seconds, qPrintable(engine));
    std::printf("| Action | Nombre | 50e centile | 95e centile | 99e centile "
                "|\n|---|---:|---:|---:|---:|\n");
    for (auto it = times.cbegin(); it != times.cend(); ++it)
        std::printf("| %s | %lld | %.1f ms | %.1f ms | %.1f ms |\n", qPrintable(it.key()),
                    qlonglong(it.value().size()), percentile(it.value(), 0.5),
                    percentile(it.value(), 0.95), percentile(it.value(), 0.99));
    std::printf("\n");
    for (auto it = times.cbegin(); it != times.cend(); ++it)
        std::printf("P95\t%s\t%.3f\n", qPrintable(it.key()), percentile(it.value(), 0.95));
    std::printf("\nConflits « modifié sur un autre poste » : %d\n",
                int(std::accumulate(conflicts.cbegin(), conflicts.cend(), 0)));
    for (auto it = conflicts.cbegin(); it != conflicts.cend(); ++it)
        std::printf("- %s : %d\n", qPrintable(it.key()), it.value());
    std::printf("Avis (« Gardé de l'autre poste », n° pris entre-temps, « Aucune boule pour ce "
                "joueur ») : %d ; actions "
                "non menées (client non trouvé "
                "dans la liste…) : %d\n",
                notices, misses);
    if (stats.ok()) {
        const QString deadlocks = stats.value(QStringLiteral(
            "SELECT deadlocks FROM pg_stat_database WHERE datname = current_database()"));
        std::printf("\nServeur : interblocages %lld ; attentes de verrou échantillonnées (%d "
                    "relevés, 1 toutes les 250 ms) : %d relevés avec une attente, au plus %d "
                    "sessions en attente, la plus longue %.0f ms\n",
                    deadlocks.toLongLong() - deadlocksBefore.toLongLong(), samples, samplesWaiting,
                    maxWaiting, longestWaitMs);
        if (ownServer) {
            const QString log = stats.value(QStringLiteral(
                "SELECT pg_read_file(current_setting('data_directory') || '/../server.log')"));
            std::printf("Journal du serveur : %lld « deadlock detected », %lld « could not "
                        "serialize access », %lld attentes de verrou de plus de 200 ms\n",
                        qlonglong(log.count(QStringLiteral("deadlock detected"))),
                        qlonglong(log.count(QStringLiteral("could not serialize access"))),
                        qlonglong(log.count(QStringLiteral("still waiting for"))));
        }
        if (statements) {
            std::printf("\nInstructions du serveur (pg_stat_statements), les 10 au plus long "
                        "temps total :\n\n| Instruction | Appels | Moyenne | Maximum | Total "
                        "|\n|---|---:|---:|---:|---:|\n");
            for (const QStringList& r : stats.rows(QStringLiteral(
                     "SELECT left(regexp_replace(query, '\\s+', ' ', 'g'), 90), calls, "
                     "round(mean_exec_time::numeric, 3), round(max_exec_time::numeric, 1), "
                     "round(total_exec_time::numeric, 0) FROM pg_stat_statements WHERE dbid = "
                     "(SELECT oid FROM pg_database WHERE datname = current_database()) AND "
                     "query NOT LIKE '%pg_stat%' AND query NOT LIKE '%GROUP BY per_code%' ORDER BY "
                     "total_exec_time DESC LIMIT 10")))
                if (r.size() == 5)
                    std::printf("| `%s` | %s | %s ms | %s ms | %s ms |\n",
                                qPrintable(QString(r.at(0)).replace(QLatin1Char('|'), '/')),
                                qPrintable(r.at(1)), qPrintable(r.at(2)), qPrintable(r.at(3)),
                                qPrintable(r.at(4)));
            const QList<QStringList> all = stats.rows(QStringLiteral(
                "SELECT sum(calls), round(sum(total_exec_time)::numeric, 0) FROM "
                "pg_stat_statements WHERE dbid = (SELECT oid FROM pg_database WHERE datname = "
                "current_database()) AND query NOT LIKE '%pg_stat%' AND query NOT LIKE "
                "'%GROUP BY per_code%'"));
            if (!all.isEmpty() && all.first().size() == 2)
                std::printf("\nEn tout : %s instructions, %s ms côté serveur\n",
                            qPrintable(all.first().at(0)), qPrintable(all.first().at(1)));
        } else {
            std::printf("pg_stat_statements non chargé sur ce serveur : pas de temps par "
                        "instruction\n");
        }
    }
    std::printf("\nMessages montrés à un utilisateur : %lld\n", qlonglong(userMessages.size()));
    for (const QString& m : userMessages.mid(0, 10))
        std::printf("- %s\n", qPrintable(m));
    std::printf("\nInvariant écritures perdues : %d sur %d clients, %d nouveaux clients et %d "
                "boules écrits — %s\n",
                result.lostWrites, result.customerWrites, result.newCustomers, result.ballWrites,
                result.lostWrites == 0 ? "tenu" : "NON TENU");
    std::printf("Invariant lignes de boule données deux fois : %d — %s\n", result.duplicateLines,
                result.duplicateLines == 0 ? "tenu" : "NON TENU");
    std::printf("Invariant codes client donnés deux fois : %d sur %d nouveaux clients — %s\n",
                result.duplicateCodes, result.newCustomers,
                result.duplicateCodes == 0 ? "tenu" : "NON TENU");
    std::printf("Invariant une version par validation de fiche : %d écarts sur %d validations — "
                "%s\n",
                result.versionMismatches, result.sheetValidations,
                result.versionMismatches == 0 ? "tenu" : "NON TENU");
    std::printf("Invariant aucune erreur montrée à l'utilisateur : %lld — %s\n",
                qlonglong(userMessages.size()), userMessages.isEmpty() ? "tenu" : "NON TENU");
    std::printf("Postes terminés en erreur : %d\n", failedChildren);
    for (const QString& f : result.faults.mid(0, 20))
        std::printf("- %s\n", qPrintable(f));
    std::fflush(stdout);
    const bool ok = result.ok() && userMessages.isEmpty() && failedChildren == 0 &&
                    result.customerWrites + result.ballWrites + result.sheetValidations > 0;
    return ok ? 0 : 1;
}

} // namespace bench
