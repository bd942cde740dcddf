// The server address reader takes any text: it never crashes, an address
// libpq reads with a password or a client key's passphrase is refused, and
// the address as shown holds none of them (read again by libpq, any
// password left is the mask).
#include "data/server_address.h"

#include <QStringList>

#include <libpq-fe.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct OptionsFree {
    void operator()(PQconninfoOption* o) const { PQconninfoFree(o); }
};

using Options = std::unique_ptr<PQconninfoOption, OptionsFree>;

Options parse(const QString& text) {
    char* message = nullptr;
    Options o(PQconninfoParse(text.toUtf8().constData(), &message));
    PQfreemem(message);
    return o;
}

// Whether libpq read a password or a passphrase (the mask aside, when allowed).
bool holdsSecret(const Options& o, bool maskAllowed) {
    for (const PQconninfoOption* p = o.get(); p && p->keyword; ++p) {
        if (!p->val || !*p->val)
            continue;
        if (std::strcmp(p->keyword, "password") != 0 && std::strcmp(p->keyword, "sslpassword") != 0)
            continue;
        if (!maskAllowed || std::strcmp(p->val, "****") != 0)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString shown = vdn::shownAddress(text);
    if (vdn::isServerAddress(text) && vdn::unknownScheme(text))
        std::abort();
    if (!vdn::isServerAddress(text))
        return 0;
    // libpq reads its schemes in lower case.
    const qsizetype n = text.indexOf(QLatin1String("://")) + 3;
    const QString lower = text.left(n).toLower() + text.mid(n);
    const Options read = parse(lower);
    if (read && holdsSecret(read, false) && vdn::parseServerAddress(text).ok())
        std::abort();
    const Options again = parse(shown.left(n).toLower() + shown.mid(n));
    if (again && holdsSecret(again, true))
        std::abort();
    const vdn::Result<vdn::ServerAddress> a = vdn::parseServerAddress(text);
    if (!a.ok() && a.error().text.isEmpty())
        std::abort();
    // The options given to the driver: the address's own ones kept, each
    // default added once, and always a connection time-out.
    if (a.ok()) {
        const QStringList given = vdn::connectOptions(*a).split(QLatin1Char(';'));
        int timeouts = 0;
        for (const QString& o : given)
            if (o.startsWith(QLatin1String("connect_timeout=")))
                ++timeouts;
        for (const QString& o : a->options.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!given.contains(o))
                std::abort();
        if (timeouts != 1)
            std::abort();
    }
    return 0;
}
