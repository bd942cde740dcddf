#include "load_journal.h"

#include <QSet>

namespace bench {

namespace {

QString kindName(JournalEntry::Kind k) {
    switch (k) {
    case JournalEntry::Kind::Customer:
        return QStringLiteral("client");
    case JournalEntry::Kind::Ball:
        return QStringLiteral("boule");
    case JournalEntry::Kind::Sheet:
        return QStringLiteral("fiche");
    case JournalEntry::Kind::NewCustomer:
        return QStringLiteral("nouveau client");
    }
    return QString();
}

} // namespace

QString journalLine(const JournalEntry& e) {
    return QStringList{QStringLiteral("J"),
                       kindName(e.kind),
                       QString::number(e.workstation),
                       QString::number(e.startMs),
                       QString::number(e.ackMs),
                       e.key,
                       e.line,
                       e.value}
        .join(QLatin1Char('\t'));
}

bool parseJournalLine(const QString& text, JournalEntry* out) {
    const QStringList f = text.split(QLatin1Char('\t'));
    if (f.size() != 8 || f.at(0) != QLatin1String("J"))
        return false;
    JournalEntry e;
    if (f.at(1) == kindName(JournalEntry::Kind::Customer))
        e.kind = JournalEntry::Kind::Customer;
    else if (f.at(1) == kindName(JournalEntry::Kind::Ball))
        e.kind = JournalEntry::Kind::Ball;
    else if (f.at(1) == kindName(JournalEntry::Kind::Sheet))
        e.kind = JournalEntry::Kind::Sheet;
    else if (f.at(1) == kindName(JournalEntry::Kind::NewCustomer))
        e.kind = JournalEntry::Kind::NewCustomer;
    else
        return false;
    bool a = false, b = false, c = false;
    e.workstation = f.at(2).toInt(&a);
    e.startMs = f.at(3).toLongLong(&b);
    e.ackMs = f.at(4).toLongLong(&c);
    if (!a || !b || !c)
        return false;
    e.key = f.at(5);
    e.line = f.at(6);
    e.value = f.at(7);
    *out = e;
    return true;
}

CheckResult checkJournal(const QList<JournalEntry>& entries, const StoredState& stored) {
    CheckResult r;
    QHash<QString, QList<const JournalEntry*>> byCustomer;
    QHash<QString, const JournalEntry*> lines;
    QHash<QString, int> validations;
    QHash<QString, const JournalEntry*> created;
    for (const JournalEntry& e : entries) {
        switch (e.kind) {
        case JournalEntry::Kind::Customer:
            ++r.customerWrites;
            byCustomer[e.key].append(&e);
            break;
        case JournalEntry::Kind::Ball: {
            ++r.ballWrites;
            const QString where = e.key + QLatin1Char('/') + e.line;
            if (const JournalEntry* first = lines.value(where)) {
                ++r.duplicateLines;
                r.faults << QStringLiteral("ligne %1 donnée deux fois (postes %2 et %3)")
                                .arg(where)
                                .arg(first->workstation)
                                .arg(e.workstation);
                break;
            }
            lines.insert(where, &e);
            const auto found = stored.ballName.constFind(where);
            if (found == stored.ballName.constEnd() || *found != e.value) {
                ++r.lostWrites;
                r.faults << QStringLiteral("boule %1 « %2 » perdue (lu : « %3 »)")
                                .arg(where, e.value,
                                     found == stored.ballName.constEnd() ? QStringLiteral("absente")
                                                                         : *found);
            }
            break;
        }
        case JournalEntry::Kind::Sheet:
            ++r.sheetValidations;
            ++validations[e.key];
            break;
        case JournalEntry::Kind::NewCustomer: {
            ++r.newCustomers;
            if (const JournalEntry* first = created.value(e.key)) {
                ++r.duplicateCodes;
                r.faults << QStringLiteral("code client %1 donné deux fois (postes %2 et %3)")
                                .arg(e.key)
                                .arg(first->workstation)
                                .arg(e.workstation);
                break;
            }
            created.insert(e.key, &e);
            const auto found = stored.customerName.constFind(e.key);
            if (found == stored.customerName.constEnd() || *found != e.value) {
                ++r.lostWrites;
                r.faults << QStringLiteral("nouveau client %1 « %2 » perdu (lu : « %3 »)")
                                .arg(e.key, e.value,
                                     found == stored.customerName.constEnd()
                                         ? QStringLiteral("absent")
                                         : *found);
            }
            break;
        }
        }
    }
    for (auto it = byCustomer.cbegin(); it != byCustomer.cend(); ++it) {
        const QString now = stored.customerAddress.value(it.key());
        bool known = false;
        for (const JournalEntry* w : *it)
            known = known || w->value == now;
        if (!known) {
            ++r.lostWrites;
            r.faults << QStringLiteral("client %1 : « %2 » n'a été écrit par aucun poste")
                            .arg(it.key(), now);
        }
        for (const JournalEntry* w : *it) {
            if (w->value == now)
                continue;
            bool overwritten = false;
            for (const JournalEntry* other : *it)
                overwritten = overwritten || (other != w && other->ackMs >= w->startMs);
            if (!overwritten) {
                ++r.lostWrites;
                r.faults << QStringLiteral("client %1 : « %2 » (poste %3) perdu, lu « %4 »")
                                .arg(it.key(), w->value)
                                .arg(w->workstation)
                                .arg(now);
            }
        }
    }
    QSet<QString> codes(stored.addedVersions.keyBegin(), stored.addedVersions.keyEnd());
    for (auto it = validations.cbegin(); it != validations.cend(); ++it)
        codes.insert(it.key());
    for (const QString& code : codes) {
        const int added = stored.addedVersions.value(code);
        const int validated = validations.value(code);
        if (added != validated) {
            ++r.versionMismatches;
            r.faults << QStringLiteral("fiche %1 : %2 versions ajoutées pour %3 validations")
                            .arg(code)
                            .arg(added)
                            .arg(validated);
        }
    }
    return r;
}

} // namespace bench
