#include "customers/record_summary.h"

#include "data/hand.h"

namespace vdn {

CustomerSummary summarize(const CustomerRecord& shown) {
    using F = CustomerField;
    CustomerSummary s;
    s.nameLine = (shown.text(F::Int) + QLatin1Char(' ') + shown.text(F::Nom)).trimmed();
    s.address1 = shown.text(F::Ad1);
    s.address2 = shown.text(F::Ad2);
    s.address3 = shown.text(F::Ad3);
    s.townLine = (shown.text(F::Cp) + QLatin1Char(' ') + shown.text(F::Vil)).trimmed();
    s.country = shown.text(F::Pays);

    if (const auto hand = handOfCode(shown.text(F::Dg)))
        s.handLine =
            *hand == Hand::Right ? QStringLiteral("DROITIER - ") : QStringLiteral("GAUCHER - ");
    const QString wrist = shown.text(F::Poig);
    if (wrist == QLatin1String("A"))
        s.handLine += QStringLiteral("AVEC POIGNET");
    else if (wrist == QLatin1String("S"))
        s.handLine += QStringLiteral("SANS POIGNET");
    s.handLine +=
        QStringLiteral("    Poids de boule : ") + shown.text(F::Lbs) + QStringLiteral(" Lbs");

    s.phoneLine = QStringLiteral("Téléphone : ") + shown.text(F::Tel) + QStringLiteral(" -- ") +
                  shown.text(F::Gsm);
    if (CurrentCustomer::isDeletedState(shown.text(F::Etat)))
        s.phoneLine += QStringLiteral(" FICHE SUPPRIMEE");
    return s;
}

CurrentCustomer currentCustomerOf(const CustomerRecord& record) {
    using F = CustomerField;
    return {record.text(F::Cod), record.text(F::Int) + QLatin1Char(' ') + record.text(F::Nom),
            record.text(F::Etat)};
}

} // namespace vdn
