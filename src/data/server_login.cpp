#include "data/server_login.h"

#include "data/dialect.h"
#include "data/server_address.h"
#include "data/shop_store.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

#include <optional>

namespace vdn {

namespace {

QString encoded(const QString& part) {
    return QString::fromLatin1(QUrl::toPercentEncoding(part));
}

bool isSocketFolder(const QString& host) {
    return host.startsWith(QLatin1Char('/'));
}

// The host name libpq looks up in the password file: "localhost" for a Unix
// socket, as libpq itself does.
QString passwordFileHost(const ServerLogin& login) {
    return login.host.isEmpty() || isSocketFolder(login.host) ? QStringLiteral("localhost")
                                                              : login.host;
}

// One line of the password file split as libpq splits it, each field with
// whether it is the wildcard '*' (written bare, not escaped).
struct ReadField {
    QString value;
    bool wildcard = false;
};

QList<ReadField> readFields(QString line) {
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    QList<ReadField> fields;
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return fields;
    ReadField field;
    QString raw;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            field.value += line.at(++i);
            raw += QLatin1String("\\x");
        } else if (c == QLatin1Char(':') && fields.size() < 4) {
            field.wildcard = raw == QLatin1String("*");
            fields.append(field);
            field = {};
            raw.clear();
        } else if (c == QLatin1Char(':')) {
            break; // the password ends at an unescaped ':'
        } else {
            field.value += c;
            raw += c;
        }
    }
    field.wildcard = raw == QLatin1String("*");
    fields.append(field);
    return fields.size() == 5 ? fields : QList<ReadField>{};
}

enum class Match { None, Exact, Wildcard };

Match matches(const QList<ReadField>& fields, const QStringList& wanted) {
    if (fields.size() != 5)
        return Match::None;
    Match m = Match::Exact;
    for (int i = 0; i < 4; ++i) {
        if (fields.at(i).wildcard)
            m = Match::Wildcard;
        else if (fields.at(i).value != wanted.at(i))
            return Match::None;
    }
    return m;
}

bool contains(const DataError& error, std::initializer_list<const char*> fragments) {
    QString text = error.text;
    for (const EngineError& e : error.engineErrors)
        text += QLatin1Char('\n') + e.message;
    for (const char* f : fragments)
        if (text.contains(QString::fromUtf8(f), Qt::CaseInsensitive))
            return true;
    return false;
}

QString stateOf(const DataError& error) {
    return error.engineErrors.isEmpty() ? QString() : error.engineErrors.first().state;
}

// Sets an environment variable for the life of the object, then puts back
// what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            before_ = qgetenv(name);
        qputenv(name, value.toUtf8());
    }
    ~ScopedEnv() {
        if (before_)
            qputenv(name_, *before_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> before_;
};

} // namespace

QString loginAddress(const ServerLogin& login) {
    // Concatenated, not arg(): the encoded parts hold '%' signs.
    const QString start = ServerScheme + encoded(login.role) + QLatin1Char('@');
    const QString port = QString::number(login.port);
    if (isSocketFolder(login.host))
        return start + QLatin1Char('/') + encoded(login.database) + QStringLiteral("?host=") +
               encoded(login.host) + QStringLiteral("&port=") + port;
    // An IPv6 address keeps its ':' inside brackets.
    const QString host = login.host.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + login.host + QLatin1Char(']')
                             : encoded(login.host);
    return start + host + QLatin1Char(':') + port + QLatin1Char('/') + encoded(login.database);
}

QStringList passwordFileFields(const QString& line) {
    QStringList out;
    for (const ReadField& f : readFields(line))
        out.append(f.value);
    return out;
}

QString passwordFileField(const QString& value) {
    // A bare '*' is libpq's wildcard: a name that is one star is escaped.
    if (value == QLatin1String("*"))
        return QStringLiteral("\\*");
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(':'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QByteArray passwordFileWithEntry(const QByteArray& existing, const ServerLogin& login,
                                 const QString& password) {
    const QStringList wanted{passwordFileHost(login), QString::number(login.port), login.database,
                             login.role};
    QByteArray entry;
    for (const QString& field : wanted)
        entry += passwordFileField(field).toUtf8() + ':';
    entry += passwordFileField(password).toUtf8();

    QList<QByteArray> lines = existing.split('\n');
    // A file ending with a line end gives an empty last piece: not a line.
    const bool endedWithNewline = existing.isEmpty() || existing.endsWith('\n');
    if (endedWithNewline)
        lines.removeLast();
    bool placed = false;
    QList<QByteArray> out;
    for (const QByteArray& line : lines) {
        const Match m = matches(readFields(QString::fromUtf8(line)), wanted);
        if (m == Match::Exact) {
            // libpq reads the first line that fits: the entry takes its place,
            // and any later line for the same login would never be read.
            if (!placed)
                out.append(entry);
            placed = true;
            continue;
        }
        if (m == Match::Wildcard && !placed) {
            // A wildcard line read before the entry would hide it.
            out.append(entry);
            placed = true;
        }
        out.append(line);
    }
    if (!placed)
        out.append(entry);
    return out.join('\n') + '\n';
}

bool passwordFileCanHold(const QString& value) {
    return !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')) &&
           !value.contains(QChar(0));
}

QString passwordFilePath() {
    return Dialect::server().loginFile();
}

Status savePassword(const ServerLogin& login, const QString& password) {
    const QString path = passwordFilePath();
    for (const QString& value : {login.host, login.database, login.role, password})
        if (!passwordFileCanHold(value))
            return DataError::other(
                errnum::InvalidValue,
                QStringLiteral("Le mot de passe, le rôle, la base ou le serveur contient un "
                               "retour à la ligne : il ne peut pas être enregistré dans %1.")
                    .arg(QDir::toNativeSeparators(path)));
    QByteArray existing;
    QFile in(path);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly))
            return DataError::other(
                errnum::FileAccess,
                QStringLiteral("Le fichier des mots de passe %1 ne peut pas être lu : %2")
                    .arg(QDir::toNativeSeparators(path), in.errorString()));
        existing = in.readAll();
        in.close();
    }
    const QByteArray content = passwordFileWithEntry(existing, login, password);
    QSaveFile out(path);
    const bool written = out.open(QIODevice::WriteOnly) &&
                         out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         out.write(content) == content.size() && out.commit();
    if (!written)
        return DataError::other(
            errnum::FileAccess,
            QStringLiteral("Le fichier des mots de passe %1 n'a pas pu être écrit : %2")
                .arg(QDir::toNativeSeparators(path), out.errorString()));
    return {};
}

Result<std::unique_ptr<Connection>> openWithPassword(const QString& address,
                                                     const QString& password) {
    std::optional<ScopedEnv> typed;
    // libpq takes PGPASSWORD before the password file: the typed password is
    // the one tried, even when an older entry is on file.
    if (!password.isEmpty())
        typed.emplace("PGPASSWORD", password);
    Result<std::unique_ptr<Connection>> c = Connection::open(address);
    if (!c)
        return c;
    if (Result<ShopIdentity> shop = ShopStore((*c)->db()).first(); !shop)
        return DataError::other(errnum::UnrecognizedFormat,
                                QStringLiteral("%1 n'est pas une base de données VORDAN (%2)")
                                    .arg(shownAddress(address), shop.error().text));
    return c;
}

QString joinFailureText(const DataError& error, const ServerLogin& login) {
    const QString host = login.host.isEmpty() ? QStringLiteral("localhost") : login.host;
    const QString state = stateOf(error);
    if (contains(error, {"could not translate host name", "traduire le nom d'hôte",
                         "Name or service not known", "nom ou service inconnu"}))
        return QStringLiteral("Le serveur « %1 » est inconnu : vérifiez son nom (ou saisissez "
                              "son adresse IP).")
            .arg(host);
    if (contains(error, {"Connection refused", "Connexion refusée"}))
        return QStringLiteral("Le serveur « %1 » refuse la connexion sur le port %2 : PostgreSQL "
                              "n'y est pas démarré, écoute un autre port, ou n'accepte pas le "
                              "réseau (listen_addresses).")
            .arg(host)
            .arg(login.port);
    if (contains(error, {"no password supplied"}))
        return QStringLiteral("Le serveur demande un mot de passe pour le rôle « %1 » : "
                              "saisissez-le.")
            .arg(login.role);
    if (contains(error, {"password authentication failed", "authentification par mot de passe"}))
        return QStringLiteral("Mot de passe refusé pour le rôle « %1 » (ou rôle inconnu du "
                              "serveur) : vérifiez le rôle et le mot de passe.")
            .arg(login.role);
    if (contains(error, {"pg_hba.conf"}))
        return QStringLiteral("Le serveur n'accepte pas ce poste pour le rôle « %1 » et la base "
                              "« %2 » : une ligne de pg_hba.conf doit l'autoriser.")
            .arg(login.role, login.database);
    if (state.startsWith(QLatin1String("28")))
        return QStringLiteral("Le serveur refuse le rôle « %1 » (rôle inconnu ?).").arg(login.role);
    if (state == QLatin1String("3D000") ||
        (contains(error, {"la base de données « "}) && contains(error, {"n'existe pas"})))
        return QStringLiteral("La base « %1 » n'existe pas sur le serveur « %2 ».")
            .arg(login.database, host);
    if (contains(error, {"timeout expired", "délai est dépassé", "No route to host",
                         "Network is unreachable", "Aucun chemin d'accès", "Le réseau n'est pas"}))
        return QStringLiteral("Le serveur « %1 » ne répond pas : vérifiez qu'il est allumé et "
                              "joignable depuis ce poste.")
            .arg(host);
    if (error.number == errnum::UnrecognizedFormat && error.engineErrors.isEmpty())
        return QStringLiteral("La base « %1 » du serveur n'est pas une base VORDAN : créez-la "
                              "avec « vordan --creer-base » ou « vordan --transferer ».")
            .arg(login.database);
    const QString words =
        error.engineErrors.isEmpty() ? QString() : error.engineErrors.first().message.trimmed();
    return words.isEmpty() || error.text.contains(words)
               ? error.text
               : QStringLiteral("%1\n(%2)").arg(error.text, words);
}

} // namespace vdn
