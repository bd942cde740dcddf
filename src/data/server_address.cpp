#include "data/server_address.h"

#include "data/dialect.h"

#include <QDir>
#include <QList>

#include <libpq-fe.h>

#include <algorithm>
#include <memory>

namespace vdn {

namespace {

struct OptionsFree {
    void operator()(PQconninfoOption* o) const { PQconninfoFree(o); }
};

// Failures of the address itself: the path file or the argument is wrong.
constexpr int BadAddress = errnum::NotText;

const QString Mask = QStringLiteral("****");

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isAsciiLetterOrDigit(QChar c) {
    return isAsciiLetter(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

// Length of "scheme://" at the start of `text`, 0 when it has none. A
// scheme is a letter then letters, digits, '+', '-' or '.'; a single letter
// is left to the path (a drive letter).
qsizetype schemeLength(const QString& text) {
    const qsizetype sep = text.indexOf(QLatin1String("://"));
    if (sep < 2)
        return 0;
    for (qsizetype i = 0; i < sep; ++i) {
        const QChar c = text.at(i);
        const bool other = isAsciiLetterOrDigit(c) || c == QLatin1Char('+') ||
                           c == QLatin1Char('-') || c == QLatin1Char('.');
        if (i == 0 ? !isAsciiLetter(c) : !other)
            return 0;
    }
    return sep + 3;
}

// A control character (a NUL above all) ends the text libpq reads early:
// what it reads and what is shown would differ.
bool hasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

enum class Secret { UserPassword, Password, SslPassword };

struct SecretSpan {
    Secret kind;
    qsizetype from, to; // [from, to) in the address
};

// A query parameter's name as libpq reads it: percent-decoded.
QString parameterName(const QString& text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8())).trimmed();
}

// Whether a query segment starts a parameter of its own ("name=…"); a
// segment without one is read here as the rest of the value before it.
bool startsParameter(QStringView segment) {
    const qsizetype eq = segment.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    for (const QChar c : segment.left(eq))
        if (!isAsciiLetterOrDigit(c) && c != QLatin1Char('_') && c != QLatin1Char('%'))
            return false;
    return true;
}

// Where an address written "scheme://…" holds secrets, read from its text
// alone so that an address libpq refuses is masked too. Each span covers at
// least what libpq would take for the secret: the user part ends at the last
// '@' before the later of the first '/' and the first '?' (libpq's ends at
// the first '@' before the first '/'), and a parameter's value runs on over
// any '&' that starts no parameter of its own.
QList<SecretSpan> secretsOf(const QString& text) {
    QList<SecretSpan> spans;
    const qsizetype start = schemeLength(text);
    if (start == 0)
        return spans;
    const auto firstOf = [&](QChar c, qsizetype from) {
        const qsizetype at = text.indexOf(c, from);
        return at < 0 ? text.size() : at;
    };
    const qsizetype limit =
        std::max(firstOf(QLatin1Char('/'), start), firstOf(QLatin1Char('?'), start));
    const qsizetype at = limit > start ? text.lastIndexOf(QLatin1Char('@'), limit - 1) : -1;
    qsizetype queryFrom = start;
    if (at >= start) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'), start);
        if (colon >= 0 && colon + 1 < at)
            spans.append({Secret::UserPassword, colon + 1, at});
        queryFrom = at + 1;
    }
    const qsizetype question = text.indexOf(QLatin1Char('?'), queryFrom);
    if (question < 0)
        return spans;
    const QStringView query = QStringView(text).mid(question + 1);
    const QList<QStringView> segments = query.split(QLatin1Char('&'));
    qsizetype offset = question + 1;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QStringView segment = segments.at(i);
        const qsizetype eq = segment.indexOf(QLatin1Char('='));
        const QString name =
            eq < 0 ? QString() : parameterName(segment.left(eq).toString()).toLower();
        const bool password = name == QLatin1String("password");
        if (!password && name != QLatin1String("sslpassword")) {
            offset += segment.size() + 1;
            continue;
        }
        const qsizetype from = offset + eq + 1;
        qsizetype to = offset + segment.size();
        while (i + 1 < segments.size() && !startsParameter(segments.at(i + 1))) {
            ++i;
            to += 1 + segments.at(i).size();
        }
        if (to > from)
            spans.append({password ? Secret::Password : Secret::SslPassword, from, to});
        offset = to + 1;
    }
    return spans;
}

DataError refusal(Secret kind) {
    if (kind == Secret::SslPassword)
        return DataError::other(
            BadAddress,
            QStringLiteral("L'adresse du serveur de base de données contient la phrase secrète "
                           "de la clé du client (sslpassword) : VORDAN ne la lit pas là. "
                           "Retirez-la de l'adresse ; la clé du client se protège par les "
                           "droits de son fichier (0600)."));
    return DataError::other(
        BadAddress, QStringLiteral("L'adresse du serveur de base de données contient un mot de "
                                   "passe : VORDAN ne le lit pas là. Retirez-le de l'adresse et "
                                   "écrivez-le dans le fichier %1 (droits 0600, une ligne "
                                   "serveur:port:base:utilisateur:mot_de_passe), dans le fichier "
                                   "nommé par la variable PGPASSFILE, ou dans la variable "
                                   "PGPASSWORD.")
                        .arg(postgresDialect().loginFileHint()));
}

// libpq reads its scheme in lower case only.
QString withLowerScheme(const QString& uri) {
    const qsizetype n = schemeLength(uri);
    return uri.left(n).toLower() + uri.mid(n);
}

} // namespace

bool isServerAddress(const QString& location) {
    return location.startsWith(ServerScheme, Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::optional<DataError> unknownScheme(const QString& location) {
    const qsizetype n = schemeLength(location);
    if (n == 0 || isServerAddress(location))
        return std::nullopt;
    return DataError::other(
        BadAddress,
        QStringLiteral("« %1 » n'est ni un dossier ni une adresse de serveur PostgreSQL : "
                       "VORDAN ne lit pas les adresses « %2 ». Écrivez le chemin d'un dossier, "
                       "terminé par /, ou une adresse postgresql://SERVEUR/BASE.")
            .arg(shownAddress(location), location.left(n)));
}

QString shownLocation(const QString& location) {
    return isServerAddress(location) ? shownAddress(location) : QDir::toNativeSeparators(location);
}

QString shownAddress(const QString& location) {
    if (const qsizetype n = schemeLength(location); n > 0 && hasControlCharacter(location))
        return location.left(n) + Mask;
    QString shown = location;
    const QList<SecretSpan> spans = secretsOf(location);
    for (auto s = spans.crbegin(); s != spans.crend(); ++s)
        shown.replace(s->from, s->to - s->from, Mask);
    return shown;
}

Result<ServerAddress> parseServerAddress(const QString& uri) {
    // A secret is refused whatever libpq makes of the rest: its messages
    // quote the pieces they cannot read, and a password with a '/' is read
    // by libpq as a host and a port, shown back by the checks below.
    if (const QList<SecretSpan> secrets = secretsOf(uri); !secrets.isEmpty())
        return refusal(secrets.first().kind);
    if (hasControlCharacter(uri))
        return DataError::other(BadAddress,
                                QStringLiteral("L'adresse du serveur de base de données « %1 » "
                                               "contient un caractère de contrôle.")
                                    .arg(shownAddress(uri)));
    char* message = nullptr;
    std::unique_ptr<PQconninfoOption, OptionsFree> parsed(
        PQconninfoParse(withLowerScheme(uri).toUtf8().constData(), &message));
    if (!parsed) {
        QString why =
            message ? QString::fromUtf8(message).trimmed() : QStringLiteral("mémoire insuffisante");
        PQfreemem(message);
        return DataError::other(BadAddress,
                                QStringLiteral("L'adresse du serveur de base de données « %1 » "
                                               "est incorrecte : %2")
                                    .arg(shownAddress(uri), why));
    }
    ServerAddress address;
    QStringList options;
    for (const PQconninfoOption* o = parsed.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        const QString key = QString::fromUtf8(o->keyword);
        QString value = QString::fromUtf8(o->val);
        if (key == QLatin1String("password"))
            return refusal(Secret::Password);
        if (key == QLatin1String("sslpassword"))
            return refusal(Secret::SslPassword);
        if (key == QLatin1String("host") || key == QLatin1String("hostaddr")) {
            if (key == QLatin1String("host") || address.host.isEmpty())
                address.host = value;
            if (key == QLatin1String("hostaddr"))
                options << key + QLatin1Char('=') + value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            const int port = value.toInt(&ok);
            if (!ok || port <= 0 || port > 65535)
                return DataError::other(
                    BadAddress,
                    QStringLiteral("Le port « %1 » de l'adresse du serveur n'est pas un numéro "
                                   "de port.")
                        .arg(value));
            address.port = port;
        } else if (key == QLatin1String("dbname")) {
            address.database = value;
        } else if (key == QLatin1String("user")) {
            address.user = value;
        } else {
            // A file named with the system's own separators (C:\VORDAN\ca.crt
            // on Windows) is passed with '/', which libpq reads there too.
            static const QStringList FileKeys{
                QStringLiteral("sslrootcert"), QStringLiteral("sslcert"),
                QStringLiteral("sslkey"),      QStringLiteral("sslcrl"),
                QStringLiteral("sslcrldir"),   QStringLiteral("passfile")};
            if (FileKeys.contains(key))
                value = QDir::fromNativeSeparators(value);
            // The driver writes each option into libpq's key=value string as
            // it is: a value with a blank, a quote or a ';' would change it.
            for (const QChar c : value)
                if (c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char(';') ||
                    c == QLatin1Char('\\'))
                    return DataError::other(
                        BadAddress,
                        QStringLiteral("Le paramètre %1 de l'adresse du serveur contient un "
                                       "caractère que VORDAN ne peut pas transmettre (blanc, "
                                       "apostrophe, point-virgule ou barre oblique inverse).")
                            .arg(key));
            options << key + QLatin1Char('=') + value;
        }
    }
    address.options = options.join(QLatin1Char(';'));
    return address;
}

QString connectOptions(const ServerAddress& address) {
    QStringList options = address.options.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const auto has = [&](QLatin1String key) {
        for (const QString& o : options)
            if (o.section(QLatin1Char('='), 0, 0) == key)
                return true;
        return false;
    };
    const QList<std::pair<QLatin1String, QString>> defaults{
        {QLatin1String("connect_timeout"), QString::number(DefaultConnectTimeoutS)},
        {QLatin1String("keepalives"), QStringLiteral("1")},
        {QLatin1String("keepalives_idle"), QStringLiteral("60")},
        {QLatin1String("keepalives_interval"), QStringLiteral("10")},
        {QLatin1String("keepalives_count"), QStringLiteral("3")},
        // Data the server leaves unacknowledged (a cable pulled mid-statement)
        // ends the connection after as long as the wait for an answer may last.
        {QLatin1String("tcp_user_timeout"), QString::number(DefaultConnectTimeoutS * 1000)}};
    for (const auto& [key, value] : defaults)
        if (!has(key))
            options << key + QLatin1Char('=') + value;
    return options.join(QLatin1Char(';'));
}

} // namespace vdn
