#include "data/server_address.h"

#include <libpq-fe.h>

#include <memory>

namespace vdn {

namespace {

struct OptionsFree {
    void operator()(PQconninfoOption* o) const { PQconninfoFree(o); }
};

// Failures of the address itself: the path file or the argument is wrong.
constexpr int BadAddress = errnum::NotText;

} // namespace

bool isServerAddress(const QString& location) {
    return location.startsWith(ServerScheme, Qt::CaseInsensitive);
}

Result<ServerAddress> parseServerAddress(const QString& uri) {
    char* message = nullptr;
    std::unique_ptr<PQconninfoOption, OptionsFree> parsed(
        PQconninfoParse(uri.toUtf8().constData(), &message));
    if (!parsed) {
        QString why =
            message ? QString::fromUtf8(message).trimmed() : QStringLiteral("mémoire insuffisante");
        PQfreemem(message);
        return DataError::other(BadAddress,
                                QStringLiteral("L'adresse du serveur de base de données « %1 » "
                                               "est incorrecte : %2")
                                    .arg(uri, why));
    }
    ServerAddress address;
    QStringList options;
    for (const PQconninfoOption* o = parsed.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        const QString key = QString::fromUtf8(o->keyword);
        const QString value = QString::fromUtf8(o->val);
        if (key == QLatin1String("password"))
            // The address is never shown back: it holds the password.
            return DataError::other(
                BadAddress,
                QStringLiteral("L'adresse du serveur de base de données contient un mot de "
                               "passe : VORDAN ne le lit pas là. Retirez-le de l'adresse et "
                               "écrivez-le dans le fichier ~/.pgpass (droits 0600, une ligne "
                               "serveur:port:base:utilisateur:mot_de_passe), dans le fichier "
                               "nommé par la variable PGPASSFILE, ou dans la variable "
                               "PGPASSWORD."));
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

} // namespace vdn
