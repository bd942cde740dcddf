#include "data/starter_data.h"

#include "data/schema.h"
#include "data/statement.h"

namespace vdn {

namespace {

QStringList withEmpty(QStringList values) {
    values.prepend(QString(QLatin1String("")));
    return values;
}

// Spans, pitches and hole sizes in inches, as drillers write them.
QStringList measurements() {
    return withEmpty({QStringLiteral("0"), QStringLiteral("1/16"), QStringLiteral("1/8"),
                      QStringLiteral("3/16"), QStringLiteral("1/4"), QStringLiteral("3/8"),
                      QStringLiteral("1/2"), QStringLiteral("5/8"), QStringLiteral("3/4"),
                      QStringLiteral("7/8"), QStringLiteral("1"), QStringLiteral("3 3/4"),
                      QStringLiteral("4"), QStringLiteral("4 1/4"), QStringLiteral("4 1/2"),
                      QStringLiteral("4 3/4"), QStringLiteral("5")});
}

QList<StarterList> build() {
    QList<StarterList> lists;
    lists.append(
        {0,
         {QStringLiteral("AMF"), QStringLiteral("BRUNSWICK"), QStringLiteral("STORM"),
          QStringLiteral("EBONITE"), QStringLiteral("HAMMER"), QStringLiteral("COLUMBIA 300"),
          QStringLiteral("MOTIV"), QStringLiteral("ROTO GRIP"), QStringLiteral("900 GLOBAL"),
          QStringLiteral("TRACK")}});
    lists.append(
        {1,
         {QStringLiteral("Asymétrique"), QStringLiteral("Symétrique"), QStringLiteral("Pancake"),
          QStringLiteral("Ampoule"), QStringLiteral("Haltère"), QStringLiteral("Bas RG")}});
    lists.append({2,
                  {QStringLiteral("0,01"), QStringLiteral("0,02"), QStringLiteral("0,03"),
                   QStringLiteral("0,04"), QStringLiteral("0,05"), QStringLiteral("0,06")}});
    lists.append({3,
                  {QStringLiteral("12,00"), QStringLiteral("13,00"), QStringLiteral("14,00"),
                   QStringLiteral("15,00"), QStringLiteral("16,00"), QStringLiteral("17,00"),
                   QStringLiteral("18,00")}});
    lists.append({4,
                  {QStringLiteral("1,00"), QStringLiteral("2,00"), QStringLiteral("2,50"),
                   QStringLiteral("3,00"), QStringLiteral("3,50"), QStringLiteral("4,00"),
                   QStringLiteral("5,00")}});
    lists.append(
        {5,
         {QStringLiteral("20"), QStringLiteral("30"), QStringLiteral("40"), QStringLiteral("45"),
          QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("70"), QStringLiteral("80")}});
    lists.append(
        {6,
         {QStringLiteral("3"), QStringLiteral("3,5"), QStringLiteral("4"), QStringLiteral("4,5"),
          QStringLiteral("5"), QStringLiteral("5,5"), QStringLiteral("6")}});
    lists.append(
        {7,
         {QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30"), QStringLiteral("40"),
          QStringLiteral("45"), QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("70")}});
    for (int code = 8; code <= 20; ++code)
        lists.append({code, measurements()});
    lists.append(
        {21, withEmpty({QStringLiteral("31/32"), QStringLiteral("1"), QStringLiteral("1 1/32"),
                        QStringLiteral("1 1/16"), QStringLiteral("1 1/8")})});
    lists.append(
        {22,
         withEmpty({QStringLiteral("Noir"), QStringLiteral("Blanc"), QStringLiteral("Rouge"),
                    QStringLiteral("Bleu"), QStringLiteral("Vert"), QStringLiteral("Jaune"),
                    QStringLiteral("Rose"), QStringLiteral("Violet"), QStringLiteral("Gris")})});
    lists.append({23, withEmpty({QStringLiteral("Accroche"), QStringLiteral("Souple"),
                                 QStringLiteral("Confort"), QStringLiteral("Précision")})});
    lists.append(
        {24, withEmpty({QStringLiteral("Rond"), QStringLiteral("Ovale"), QStringLiteral("Carré"),
                        QStringLiteral("Power lift"), QStringLiteral("Oval lift")})});
    const QStringList ovalisation = withEmpty({QStringLiteral("1/64"), QStringLiteral("1/32"),
                                               QStringLiteral("3/64"), QStringLiteral("1/16")});
    lists.append({28, ovalisation});
    lists.append({29, ovalisation});
    lists.append(
        {30, withEmpty({QStringLiteral("4 1/2"), QStringLiteral("4 3/4"), QStringLiteral("5"),
                        QStringLiteral("5 1/4"), QStringLiteral("5 1/2"), QStringLiteral("6")})});
    lists.append({31, withEmpty({QStringLiteral("0"), QStringLiteral("1/4"), QStringLiteral("1/2"),
                                 QStringLiteral("3/4"), QStringLiteral("1")})});
    lists.append({32, measurements()});
    lists.append({34, measurements()});
    lists.append({36, measurements()});
    return lists;
}

} // namespace

const QList<StarterList>& starterLists() {
    static const QList<StarterList> lists = build();
    return lists;
}

Status insertStarterLists(const QSqlDatabase& db) {
    Statement q(db, insertIfNewText(Dialect::of(db), QStringLiteral("strparam"), paramFields()));
    for (const StarterList& list : starterLists())
        for (const QString& value : list.values)
            if (Status s = q.bind(QString::number(list.code)).bind(value).exec(); !s)
                return s;
    return {};
}

} // namespace vdn
