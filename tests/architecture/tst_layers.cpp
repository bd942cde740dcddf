// The folders of src/ form layers: a file includes headers of its own folder
// and of folders below it, never of a folder beside or above it, so that the
// include graph of the folders has no cycle. Engine knowledge stays in data/.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

// Bottom to top. Folders on one line are beside each other and may not
// include one another.
const QList<QStringList> Layers{
    {QStringLiteral("platform")},
    {QStringLiteral("widgets")},
    {QStringLiteral("data")},
    {QStringLiteral("session")},
    {QStringLiteral("printing")},
    {QStringLiteral("reference")},
    {QStringLiteral("balls"), QStringLiteral("drilling"), QStringLiteral("driller")},
    {QStringLiteral("customers")},
    {QStringLiteral("import")},
    {QStringLiteral("app")},
    {QStringLiteral(".")}, // main.cpp
};

// Includes that may still go upwards, each one file and one header. None may
// be added; remove a line once its include is gone.
const QList<std::pair<QString, QString>> Pending{};

struct Include {
    QString file;   // "balls/ball_store.cpp"
    QString header; // "data/statement.h"
};

QString folderOf(const QString& path) {
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : path.left(slash);
}

int layerOf(const QString& folder) {
    for (int i = 0; i < Layers.size(); ++i)
        if (Layers.at(i).contains(folder))
            return i;
    return -1;
}

// Every include that breaks the layers and is not pending, as
// "file -> header (why)".
QStringList violations(const QList<Include>& includes) {
    QStringList out;
    for (const Include& inc : includes) {
        const QString from = folderOf(inc.file);
        const QString to = folderOf(inc.header);
        if (from == to)
            continue;
        const int fromLayer = layerOf(from);
        const int toLayer = layerOf(to);
        QString why;
        if (fromLayer < 0)
            why = QStringLiteral("folder %1 has no layer").arg(from);
        else if (toLayer < 0)
            why = QStringLiteral("folder %1 has no layer").arg(to);
        else if (toLayer >= fromLayer)
            why = toLayer == fromLayer ? QStringLiteral("same layer") : QStringLiteral("upwards");
        if (!why.isEmpty() && !Pending.contains(std::make_pair(inc.file, inc.header)))
            out << QStringLiteral("%1 -> %2 (%3)").arg(inc.file, inc.header, why);
    }
    return out;
}

// A cycle of folders in the include graph, as "a -> b -> a", or nothing.
QString cycleOf(const QList<Include>& includes) {
    QMap<QString, QSet<QString>> edges;
    for (const Include& inc : includes)
        if (folderOf(inc.file) != folderOf(inc.header))
            edges[folderOf(inc.file)].insert(folderOf(inc.header));
    QMap<QString, int> state; // 1 on the path, 2 done
    QStringList path;
    std::function<bool(const QString&)> visit = [&](const QString& node) {
        state[node] = 1;
        path << node;
        for (const QString& next : edges.value(node)) {
            if (state.value(next) == 1) {
                path << next;
                return true;
            }
            if (state.value(next) == 0 && visit(next))
                return true;
        }
        path.removeLast();
        state[node] = 2;
        return false;
    };
    for (auto it = edges.cbegin(); it != edges.cend(); ++it)
        if (state.value(it.key()) == 0 && visit(it.key()))
            return path.mid(path.indexOf(path.last())).join(QStringLiteral(" -> "));
    return {};
}

QList<Include> includesOf(const QString& root) {
    static const QRegularExpression include(
        QStringLiteral("^\\s*#\\s*include\\s+\"([a-z_]+/[^\"]+)\""));
    QList<Include> out;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        const QString file = QDir(root).relativeFilePath(path);
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QRegularExpressionMatch m = include.match(QString::fromUtf8(line));
            if (m.hasMatch())
                out << Include{file, m.captured(1)};
        }
    }
    return out;
}

// Files outside data/ that may still know an engine. None may be added;
// remove a line once its file is clean.
const QStringList EngineExceptions{};

// A line of C++ read as its code (each string or character literal left
// empty, a trailing comment dropped) and the contents of its string
// literals.
struct LineParts {
    QString code;
    QStringList literals;
};

LineParts partsOf(const QString& line) {
    LineParts out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        const QChar after = i + 1 < line.size() ? line.at(i + 1) : QChar();
        if (c == QLatin1Char('/') && (after == QLatin1Char('/') || after == QLatin1Char('*')))
            break;
        if (c != QLatin1Char('"') && c != QLatin1Char('\'')) {
            out.code += c;
            continue;
        }
        QString text;
        qsizetype j = i + 1;
        for (; j < line.size() && line.at(j) != c; ++j) {
            if (line.at(j) == QLatin1Char('\\') && j + 1 < line.size())
                ++j;
            text += line.at(j);
        }
        if (c == QLatin1Char('"'))
            out.literals << text;
        out.code += QString(2, c);
        i = j;
    }
    return out;
}

// The SQL and the server conventions that one engine spells its own way,
// which the engine object of data/ spells for the others: each rule reads
// the string literals of a line, the port its code.
QString engineSpelling(const QString& line) {
    using Rule = std::pair<QRegularExpression, QString>;
    static const QRegularExpression::PatternOptions anyCase =
        QRegularExpression::CaseInsensitiveOption;
    static const QList<Rule> literalRules{
        {QRegularExpression(QStringLiteral("\\b(ON\\s+CONFLICT)\\b"), anyCase),
         QStringLiteral("spells %1")},
        {QRegularExpression(QStringLiteral("\\b(CAST\\s*\\(.*?\\bAS\\s+TEXT\\s*\\))"), anyCase),
         QStringLiteral("spells %1")},
        {QRegularExpression(QStringLiteral("(\\|\\|)")), QStringLiteral("spells %1")},
        {QRegularExpression(QStringLiteral("\\b(COLLATE|GLOB|PRAGMA)\\b"), anyCase),
         QStringLiteral("spells %1")},
        {QRegularExpression(QStringLiteral("(pgpass)"), anyCase), QStringLiteral("names %1")},
        {QRegularExpression(QStringLiteral("\\b(QPSQL|QSQLITE)")),
         QStringLiteral("names the driver %1")},
    };
    static const QRegularExpression port(QStringLiteral("\\b(5432)\\b"));
    const LineParts parts = partsOf(line);
    for (const auto& [rule, why] : literalRules)
        for (const QString& literal : parts.literals)
            if (const QRegularExpressionMatch m = rule.match(literal); m.hasMatch())
                return why.arg(m.captured(1));
    if (const QRegularExpressionMatch m = port.match(parts.code); m.hasMatch())
        return QStringLiteral("knows the port %1").arg(m.captured(1));
    return {};
}

// What a line of a file outside data/ knows of an engine: an engine's
// header, a call into an engine's library, the file-or-server test, a test
// of an address's scheme, or a form an engine spells its own way
// (engineSpelling). Empty for a line that knows nothing.
QString engineKnowledge(const QString& line) {
    static const QList<std::pair<QRegularExpression, QString>> rules{
        {QRegularExpression(QStringLiteral("^\\s*#\\s*include\\s*[<\"](?:[a-z]+/)?"
                                           "(sqlite3\\.h|libpq-fe\\.h)[>\"]")),
         QStringLiteral("includes %1")},
        {QRegularExpression(QStringLiteral("\\b(sqlite3_[a-z0-9_]+|PQ[a-z][A-Za-z]*)\\s*\\(")),
         QStringLiteral("calls %1")},
        {QRegularExpression(QStringLiteral("\\b(isServerAddress)\\b")), QStringLiteral("calls %1")},
        {QRegularExpression(QStringLiteral("\"(postgres(?:ql)?:)"),
                            QRegularExpression::CaseInsensitiveOption),
         QStringLiteral("tests the scheme %1")},
    };
    const QString code = line.trimmed();
    if (code.startsWith(QLatin1String("//")) || code.startsWith(QLatin1Char('*')))
        return {};
    for (const auto& [rule, why] : rules)
        if (const QRegularExpressionMatch m = rule.match(code); m.hasMatch())
            return why.arg(m.captured(1));
    return engineSpelling(code);
}

// Every (file, what it knows) of the files outside `folder` under `root`,
// as `knows` reads each line.
QList<std::pair<QString, QString>> leaksOutside(const QString& root, const QString& folder,
                                                QString (*knows)(const QString&)) {
    QList<std::pair<QString, QString>> out;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString file = QDir(root).relativeFilePath(path);
        QFile f(path);
        if (folderOf(file) == folder || !f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (const QString why = knows(QString::fromUtf8(line)); !why.isEmpty())
                if (!out.contains(std::make_pair(file, why)))
                    out.append({file, why});
    }
    return out;
}

QList<std::pair<QString, QString>> engineLeaks(const QString& root) {
    return leaksOutside(root, QStringLiteral("data"), engineKnowledge);
}

// What a line knows of the operating system: a test of its macros, or a
// system header. Empty for a line that knows nothing.
QString systemKnowledge(const QString& line) {
    static const QRegularExpression test(QStringLiteral(
        "^\\s*#\\s*(?:if|ifdef|ifndef|elif)\\b.*\\b(_WIN32|_WIN64|WIN32|Q_OS_[A-Z0-9]+|__linux__|"
        "__unix__|__APPLE__|__MINGW32__|__MINGW64__)\\b"));
    static const QRegularExpression header(QStringLiteral(
        "(?:#\\s*include\\s*|__has_include\\s*\\(\\s*)<((?:sys/)?(?:windows|winsock2|ws2tcpip|io|"
        "unistd|fcntl|dirent|pwd|socket|stat|mman|resource|winspool|shellapi)\\.h)>"));
    if (const QRegularExpressionMatch m = test.match(line); m.hasMatch())
        return QStringLiteral("tests %1").arg(m.captured(1));
    if (const QRegularExpressionMatch m = header.match(line); m.hasMatch())
        return QStringLiteral("includes %1").arg(m.captured(1));
    return {};
}

} // namespace

class TestLayers : public QObject {
    Q_OBJECT

private slots:
    // The rules themselves, on a made-up tree: each kind of wrong include is
    // named, and a cycle is found.
    void rulesNameWrongIncludes() {
        const QList<Include> tree{
            {QStringLiteral("data/schema.cpp"), QStringLiteral("data/connection.h")},
            {QStringLiteral("balls/ball_store.cpp"), QStringLiteral("data/statement.h")},
            {QStringLiteral("main.cpp"), QStringLiteral("app/startup.h")},
            {QStringLiteral("data/database_creator.cpp"),
             QStringLiteral("reference/param_store.h")},
            {QStringLiteral("balls/ball_store.cpp"), QStringLiteral("drilling/sheet_store.h")},
            {QStringLiteral("gadgets/thing.cpp"), QStringLiteral("data/connection.h")},
            {QStringLiteral("reference/param_store.cpp"), QStringLiteral("data/connection.h")},
        };
        QCOMPARE(violations(tree),
                 QStringList({QStringLiteral("data/database_creator.cpp -> reference/param_store.h "
                                             "(upwards)"),
                              QStringLiteral("balls/ball_store.cpp -> drilling/sheet_store.h "
                                             "(same layer)"),
                              QStringLiteral("gadgets/thing.cpp -> data/connection.h (folder "
                                             "gadgets has no layer)")}));
        QCOMPARE(cycleOf(tree), QStringLiteral("data -> reference -> data"));
        QCOMPARE(cycleOf(tree.mid(0, 3)), QString());
    }

    void sourceTreeFollowsTheLayers() {
        const QList<Include> tree = includesOf(QStringLiteral(VORDAN_SOURCE_DIR));
        QVERIFY2(tree.size() > 100, "the sources were not found");
        const QStringList wrong = violations(tree);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));

        // Without the pending includes, the folders form no cycle.
        QList<Include> settled;
        for (const Include& inc : tree)
            if (!Pending.contains(std::make_pair(inc.file, inc.header)))
                settled << inc;
        QCOMPARE(cycleOf(settled), QString());

        // A pending include that is gone is dropped from the list.
        for (const auto& [file, header] : Pending) {
            const bool present = std::any_of(tree.cbegin(), tree.cend(), [&](const Include& inc) {
                return inc.file == file && inc.header == header;
            });
            if (!present)
                qWarning("%s no longer includes %s: remove it from Pending", qPrintable(file),
                         qPrintable(header));
        }
    }

    // Each way of knowing an engine is named; help texts and comments are not.
    void engineKnowledgeIsFound_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("why");
        const auto row = [](const char* line, const char* why) {
            QTest::newRow(line) << QString::fromUtf8(line) << QString::fromUtf8(why);
        };
        row("#include <sqlite3.h>", "includes sqlite3.h");
        row("  #  include \"sqlite3.h\"", "includes sqlite3.h");
        row("#include <postgresql/libpq-fe.h>", "includes libpq-fe.h");
        row("    rc = sqlite3_step (st);", "calls sqlite3_step");
        row("PGresult* r = PQexec(conn, sql);", "calls PQexec");
        row("if (isServerAddress(base))", "calls isServerAddress");
        row("const auto f = &vdn::isServerAddress;", "calls isServerAddress");
        row("if (base.startsWith(QLatin1String(\"postgresql:\")))", "tests the scheme postgresql:");
        row("a.startsWith(QStringLiteral(\"POSTGRES://\"), Qt::CaseInsensitive)",
            "tests the scheme POSTGRES:");
        row("\"  vordan --creer-base postgresql://SERVEUR/BASE\\n\"", "");
        row("// the driver reads sqlite3_step() itself", "");
        row("#include \"data/dialect.h\"", "");
        row("if (Dialect::at(base).isServer())", "");
        // The forms of one engine, in a statement's text.
        row("QStringLiteral(\" VALUES (%1) ON CONFLICT DO NOTHING\")", "spells ON CONFLICT");
        row("\"ON  conflict (k) DO UPDATE SET a = excluded.a\"", "spells ON  conflict");
        row("\"SELECT CAST(? AS TEXT), CAST(? AS TEXT) WHERE NOT \"", "spells CAST(? AS TEXT)");
        row("QStringLiteral(\"substr('00000' || CAST(n AS TEXT), \"", "spells CAST(n AS TEXT)");
        row("return column + QStringLiteral(\" || ''\");", "spells ||");
        row("\"name TEXT COLLATE NOCASE\"", "spells COLLATE");
        row("\"x NOT GLOB '*[^0-9]*'\"", "spells GLOB");
        row("q.exec(\"pragma user_version\")", "spells pragma");
        row("return QDir(home).filePath(QStringLiteral(\".pgpass\"));", "names pgpass");
        row("qEnvironmentVariable(\"PGPASSFILE\")", "names PGPASS");
        row("QSqlDatabase::addDatabase(QStringLiteral(\"QPSQL\"), name)", "names the driver QPSQL");
        row("\"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1\"", "names the driver QSQLITE");
        row("    txtPort->setValue(5432);", "knows the port 5432");
        // What is no engine's form: the program's own ||, numbers that hold
        // 5432, casts to numbers, characters, comments, words in French.
        row("if (name == QLatin1String(\"a\") || name == QLatin1String(\"b\"))", "");
        row("if (c == '\"' || c == '\\\\') return \"x\";", "");
        row("\"SELECT max(CAST(k AS INTEGER)) FROM t\"", "");
        row("const int limit = 54321; // port 5432, ON CONFLICT", "");
        row("x = f(); /* \"ON CONFLICT\" */", "");
        row("// `|| ''` keeps the engine from ordering by an index", "");
        row("QStringLiteral(\"Le serveur refuse la connexion sur le port %2\")", "");
    }
    void engineKnowledgeIsFound() {
        QFETCH(QString, line);
        QFETCH(QString, why);
        QCOMPARE(engineKnowledge(line), why);
    }

    void engineKnowledgeStaysInData() {
        const QList<std::pair<QString, QString>> leaks =
            engineLeaks(QStringLiteral(VORDAN_SOURCE_DIR));
        QStringList wrong, excepted;
        for (const auto& [file, why] : leaks)
            if (EngineExceptions.contains(file))
                excepted << file;
            else
                wrong << file + QStringLiteral(": ") + why;
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
        for (const QString& file : EngineExceptions)
            if (!excepted.contains(file))
                qWarning("%s knows no engine: remove it from EngineExceptions", qPrintable(file));
    }

    // Only platform/ knows which system it runs on: one file per system
    // there, chosen by the build.
    void systemKnowledgeIsFound_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("why");
        QTest::newRow("ifdef") << "#ifdef _WIN32"
                               << "tests _WIN32";
        QTest::newRow("qt macro") << "#if defined(Q_OS_WIN) && x"
                                  << "tests Q_OS_WIN";
        QTest::newRow("elif") << "# elif __linux__"
                              << "tests __linux__";
        QTest::newRow("header") << "#include <unistd.h>"
                                << "includes unistd.h";
        QTest::newRow("sys header") << "#include <sys/socket.h>"
                                    << "includes sys/socket.h";
        QTest::newRow("has_include") << "#if __has_include(<winsock2.h>)"
                                     << "includes winsock2.h";
        QTest::newRow("errno macro") << "#ifdef EDQUOT"
                                     << "";
        QTest::newRow("comment") << "// on _WIN32, the spooler"
                                 << "";
        QTest::newRow("qt header") << "#include <QDir>"
                                   << "";
    }
    void systemKnowledgeIsFound() {
        QFETCH(QString, line);
        QFETCH(QString, why);
        QCOMPARE(systemKnowledge(line), why);
    }

    void systemKnowledgeStaysInPlatform() {
        QStringList wrong;
        for (const auto& [file, why] : leaksOutside(QStringLiteral(VORDAN_SOURCE_DIR),
                                                    QStringLiteral("platform"), systemKnowledge))
            wrong << file + QStringLiteral(": ") + why;
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
