#pragma once

#include <QString>

namespace vdn {

// The customer the customer window works on: the one whose code the record
// panel's code box Txtcod shows. The window holds it and hands it to its
// panels; no panel reads another panel's boxes to learn it.
struct CurrentCustomer {
    // clt_cod, exactly as Txtcod shows it (empty before any customer).
    QString code;
    // The sigle and the name joined by a blank, as the drilling sheet heads
    // its page.
    QString displayName;
    // clt_etat.
    QString state;

    // A deleted customer may be looked at, never saved again, and no ball or
    // drilling sheet may be created for it.
    bool deleted() const { return isDeletedState(state); }

    // The one place the deleted state is recognised.
    static bool isDeletedState(const QString& state) { return state == deletedState(); }
    static QString deletedState() { return QStringLiteral("SUPPRIME"); }

    bool operator==(const CurrentCustomer&) const = default;
};

} // namespace vdn
