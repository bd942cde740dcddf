#include "data/demo_data.h"

#include "data/connection.h"
#include "data/hand.h"
#include "data/schema.h"
#include "data/starter_data.h"
#include "data/statement.h"
#include "data/stored_moment.h"
#include "data/stored_moment.h"

#include <QDate>
#include <QDateTime>

#include <array>
#include <random>

namespace vdn {

namespace {

const std::array LastNames{
    "DUPONT",    "DURAND",   "MARTIN",  "BERNARD",  "PETIT",     "ROBERT",   "RICHARD",  "MOREAU",
    "LEFÈVRE",   "GIRARD",   "BONNET",  "MÉNARD",   "FRANÇOIS",  "ROUSSEAU", "BLANC",    "GUÉRIN",
    "MULLER",    "FAURE",    "ANDRÉ",   "MERCIER",  "D'ALMEIDA", "LEGRAND",  "GARNIER",  "FAIVRE",
    "CHEVALIER", "ROUX",     "O'NEILL", "BÉRANGER", "MOULIN",    "LAMBERT",  "FONTAINE", "ROUSSEL",
    "CLÉMENT",   "GAUTHIER", "PERRIN",  "MOREL",    "DUBOIS",    "HÉBERT",   "LEROY",    "COLIN"};
const std::array FirstNames{"JEAN",   "MARIE",    "PIERRE",  "SOPHIE",  "LUC",
                            "ÉLODIE", "THOMAS",   "CAMILLE", "NICOLAS", "JULIE",
                            "HÉLÈNE", "FRANÇOIS", "LÉA",     "ANTOINE", "CHLOÉ",
                            "JÉRÔME", "MANON",    "DAVID",   "INÈS",    "OLIVIER"};
struct Town {
    const char* postcode;
    const char* name;
};
const std::array Towns{
    Town{"75011", "Paris"},    Town{"69003", "Lyon"},        Town{"13008", "Marseille"},
    Town{"31000", "Toulouse"}, Town{"33000", "Bordeaux"},    Town{"59000", "Lille"},
    Town{"44000", "Nantes"},   Town{"67000", "Strasbourg"},  Town{"34000", "Montpellier"},
    Town{"35000", "Rennes"},   Town{"51100", "Reims"},       Town{"42000", "Saint-Étienne"},
    Town{"76600", "Le Havre"}, Town{"38000", "Grenoble"},    Town{"21000", "Dijon"},
    Town{"49000", "Angers"},   Town{"37000", "Tours"},       Town{"63000", "Clermont-Ferrand"},
    Town{"87000", "Limoges"},  Town{"80000", "Amiens"},      Town{"74000", "Annecy"},
    Town{"06000", "Nice"},     Town{"97400", "Saint-Denis"}, Town{"73000", "Chambéry"},
    Town{"91300", "Massy"}};
const std::array Streets{"rue de l'Église",   "avenue Jean-Jaurès",     "boulevard Victor-Hugo",
                         "rue des Lilas",     "place de la Mairie",     "allée des Érables",
                         "chemin de l'Étang", "rue du Général-Leclerc", "impasse des Quilles",
                         "route d'Orléans"};
const std::array Brands{"STORM", "BRUNSWICK", "AMF", "HAMMER", "EBONITE", "MOTIV", "ROTO GRIP"};
// In capitals, as the ball record writes them: a demo ball saved again
// unchanged is no change.
const std::array Models{"PHAZE II", "RHINO",   "NOVA",    "BLACK WIDOW", "GAMEBREAKER",
                        "VENOM",    "HY-ROAD", "IQ TOUR", "QUANTUM",     "SPARE MASTER"};
const std::array Cores{"Asymétrique", "Symétrique", "Pancake", "Ampoule"};
const std::array Diffs{"0,01", "0,02", "0,03", "0,04", "0,05"};
const std::array Lengths{"13,00", "14,00", "15,00", "16,00"};
const std::array Hooks{"2,00", "2,50", "3,00", "3,50", "4,00"};
const std::array Angles1{"30", "40", "45", "50", "60", "70"};
const std::array Distances{"3", "3,5", "4", "4,5", "5"};
const std::array Angles2{"20", "25", "30", "40", "45", "50"};
const std::array Surfaces{"Abralon 500", "Abralon 1000 + poli", "Abralon 2000",
                          "Abralon 4000 mat, usine", "Poli brillant"};
const std::array Types{"Huilée", "Sec", "Spare"};

// The larger lists of a generated shop (DemoOptions::manyNames).
const std::array MoreLastNames{
    "ADAM",       "ALBERT",    "ALLARD",  "ANDRIEU",     "ARNAUD",     "AUBERT",     "AUBRY",
    "BAILLY",     "BARBIER",   "BARON",   "BARRE",       "BARTHÉLÉMY", "BENOÎT",     "BERGER",
    "BERTIN",     "BERTRAND",  "BESSON",  "BLANCHARD",   "BOUCHER",    "BOULANGER",  "BOURGEOIS",
    "BOUVIER",    "BOYER",     "BRETON",  "BRUN",        "BRUNET",     "CAMUS",      "CARON",
    "CARPENTIER", "CARRÉ",     "CHARLES", "CHARPENTIER", "CHAUVIN",    "CHEVALLIER", "COLLET",
    "COLLIN",     "CORDIER",   "COUSIN",  "DA SILVA",    "DANIEL",     "DAVID",      "DELAUNAY",
    "DENIS",      "DESCHAMPS", "DEVAUX",  "DUMAS",       "DUMONT",     "DUPUIS",     "DUPUY",
    "DURAND",     "ÉTIENNE",   "FABRE",   "FERNANDEZ",   "FLEURY",     "FOURNIER",   "GAILLARD",
    "GARCIA",     "GAUTIER",   "GÉRARD",  "GERMAIN",     "GILBERT",    "GILLET",     "GIRAUD",
    "GOMEZ",      "GRONDIN",   "GUÉRIN",  "GUICHARD",    "GUILLAUME",  "GUILLOT",    "HAMON",
    "HENRY",      "HUBERT",    "HUET",    "HUMBERT",     "JACOB",      "JACQUET",    "JEAN",
    "JOLY",       "JULIEN",    "KLEIN",   "LACROIX",     "LAMY",       "LAURENT",    "LE GALL",
    "LEBLANC",    "LEBRUN",    "LECLERC", "LECLERCQ",    "LECOMTE",    "LEFEBVRE",   "LEGER",
    "LEJEUNE",    "LEMAIRE",   "LEMOINE", "LEROUX",      "LESAGE",     "LÉVÊQUE",    "LOPEZ",
    "LOUIS",      "MAILLARD",  "MALLET",  "MARCHAL",     "MARCHAND",   "MARÉCHAL",   "MARIE",
    "MARTINEZ",   "MASSON",    "MATHIEU", "MENARD",      "MEUNIER",    "MEYER",      "MICHAUD",
    "MICHEL",     "MILLET",    "MOREAU",  "MORIN",       "MOULIN",     "MUNIER",     "NICOLAS",
    "NOËL",       "OLIVIER",   "PARIS",   "PASQUIER",    "PAUL",       "PERRET",     "PERRIER",
    "PERROT",     "PICARD",    "PIERRE",  "PONS",        "POULAIN",    "PRÉVOST",    "RÉMY",
    "RENARD",     "RENAUD",    "REY",     "REYNAUD",     "RIVIÈRE",    "ROBIN",      "ROCHE",
    "RODRIGUEZ",  "ROGER",     "ROLLAND", "ROY",         "SANCHEZ",    "SCHMITT",    "SCHNEIDER",
    "SIMON",      "TESSIER",   "THOMAS",  "TISSOT",      "VALLÉE",     "VASSEUR",    "VIDAL",
    "VINCENT",    "VOISIN",    "WEBER",   "D'ARTOIS",    "L'HERMITE",  "N'DIAYE",    "DE L'ISLE",
    "ZÉLER",      "YVON",      "QUÉRÉ",   "OZANNE",      "ÉVRARD",     "ÉMERY",      "UGOLINI"};
const std::array MoreFirstNames{
    "ALAIN",    "ANNE",     "BERNARD",  "BRIGITTE", "CHRISTOPHE", "CLAIRE",  "DANIEL",  "ÉRIC",
    "FLORENCE", "GÉRARD",   "ISABELLE", "JACQUES",  "KARINE",     "LAURENT", "MICHÈLE", "NATHALIE",
    "PASCAL",   "PATRICIA", "RÉGIS",    "SANDRINE", "STÉPHANE",   "SYLVIE",  "VALÉRIE", "XAVIER",
    "YANNICK",  "ZOÉ",      "MAËLLE",   "NOÉMIE",   "GAËL",       "JOËL"};
const std::array MoreTowns{Town{"01000", "Bourg-en-Bresse"},
                           Town{"02100", "Saint-Quentin"},
                           Town{"03100", "Montluçon"},
                           Town{"10000", "Troyes"},
                           Town{"14000", "Caen"},
                           Town{"17000", "La Rochelle"},
                           Town{"18000", "Bourges"},
                           Town{"25000", "Besançon"},
                           Town{"26000", "Valence"},
                           Town{"29200", "Brest"},
                           Town{"30000", "Nîmes"},
                           Town{"45000", "Orléans"},
                           Town{"54000", "Nancy"},
                           Town{"56100", "Lorient"},
                           Town{"57000", "Metz"},
                           Town{"60200", "Compiègne"},
                           Town{"62000", "Arras"},
                           Town{"64000", "Pau"},
                           Town{"66000", "Perpignan"},
                           Town{"68100", "Mulhouse"},
                           Town{"72000", "Le Mans"},
                           Town{"76000", "Rouen"},
                           Town{"79000", "Niort"},
                           Town{"83000", "Toulon"},
                           Town{"84000", "Avignon"},
                           Town{"86000", "Poitiers"},
                           Town{"88000", "Épinal"},
                           Town{"89000", "Auxerre"},
                           Town{"90000", "Belfort"},
                           Town{"95000", "Cergy"},
                           Town{"97200", "Fort-de-France"},
                           Town{"20000", "Ajaccio"},
                           Town{"40000", "Mont-de-Marsan"},
                           Town{"47000", "Agen"},
                           Town{"53000", "Laval"},
                           Town{"61000", "Alençon"},
                           Town{"65000", "Tarbes"},
                           Town{"71100", "Chalon-sur-Saône"},
                           Town{"81000", "Albi"},
                           Town{"82000", "Montauban"}};

// First names that take "Mme"; the others take "M.".
const std::array WomenFirstNames{"MARIE",  "SOPHIE",   "ÉLODIE",   "CAMILLE",  "JULIE",
                                 "HÉLÈNE", "LÉA",      "CHLOÉ",    "MANON",    "INÈS",
                                 "ANNE",   "BRIGITTE", "CLAIRE",   "FLORENCE", "ISABELLE",
                                 "KARINE", "MICHÈLE",  "NATHALIE", "PATRICIA", "SANDRINE",
                                 "SYLVIE", "VALÉRIE",  "ZOÉ",      "MAËLLE",   "NOÉMIE"};

QString civility(const QString& firstName) {
    for (const char* woman : WomenFirstNames)
        if (firstName == QString::fromUtf8(woman))
            return QStringLiteral("Mme");
    return QStringLiteral("M.");
}

// A value of the sheet's pick list for this measurement, never the empty
// one: the list the sheet's box draws on (the thumb insert's boxes share the
// finger inserts' lists, box 33 shares list 11), so that a demo sheet
// validates unchanged.
QString sheetValue(int number, std::mt19937& rng) {
    const int list = number >= 25 && number <= 27 ? number - 3 : number == 33 ? 11 : number;
    for (const StarterList& l : starterLists()) {
        if (l.code != list)
            continue;
        QStringList values = l.values;
        values.removeAll(QString());
        if (!values.isEmpty())
            return values.at(int(rng() % unsigned(values.size())));
    }
    return {};
}

template <class A> const char* entry(const A& a, std::size_t i) {
    return a[i % a.size()];
}

template <class A> QString pick(const A& a, std::mt19937& rng) {
    return QString::fromUtf8(a[rng() % a.size()]);
}

// Each table's insert, prepared once and run for every row.
struct Writer {
    Statement client, ball, sheet;
    explicit Writer(const QSqlDatabase& db)
        // The customers with their ordering and search keys, as the program
        // writes them.
        : client(db, insertText(QStringLiteral("strclient"), clientFields() + clientKeyFields())),
          ball(db, insertText(QStringLiteral("strmateriel"), ballFields())),
          sheet(db, insertText(QStringLiteral("strpercage"), sheetFields())) {}
};

Status exec(Statement& q, const QVariantList& values) {
    return q.bindAll(values).exec();
}

Status writeBalls(Writer& w, const QString& code, int count, std::mt19937& rng) {
    for (int line = 1; line <= count; ++line)
        if (Status s = exec(w.ball, demoBallValues(code, line, rng)); !s)
            return s;
    return {};
}

Status writeSheet(Writer& w, const QString& code, std::mt19937& rng) {
    return exec(w.sheet, demoSheetValues(code, rng));
}

// Balls laid out for the driller's layout window, with their bowlers' PAPs
// (sheet fields 30 "over" and 31 "up"): right-handed customers 1 and 3,
// left-handed customers 6 and 12.
struct LaidOut {
    int customer;
    const char* over;
    const char* up;
    const char* angle1;
    const char* distance;
    const char* angle2;
};
const LaidOut LaidOutBalls[] = {
    {1, "5 1/4", "1/2", "45", "4 1/2", "30"},
    {6, "5 1/4", "1/2", "45", "4 1/2", "30"},
    {3, "5", "1/4", "60", "5", "45"},
    {12, "4 3/4", "3/4", "30", "4", "50"},
};

// Gives each of those customers a sheet and a first ball with that layout,
// drawing on a generator of its own so that every other row stays as the
// main generator made it.
Status writeLaidOutBalls(Writer& w, const QSqlDatabase& db, const DemoOptions& options) {
    Statement known(db,
                    insertIfNewText(Dialect::of(db), QStringLiteral("strparam"), paramFields()));
    if (Status s = known.bind(QStringLiteral("6")).bind(QStringLiteral("4 1/2")).exec(); !s)
        return s;
    for (const LaidOut& l : LaidOutBalls) {
        if (l.customer > options.customers)
            continue;
        std::mt19937 rng(options.seed + unsigned(l.customer));
        const QString code = QStringLiteral("%1").arg(l.customer, 6, 10, QLatin1Char('0'));
        Statement sheets(db, QStringLiteral("SELECT count(*) FROM strpercage WHERE per_code = ?"));
        Statement balls(db, QStringLiteral("SELECT count(*) FROM strmateriel WHERE MAT_CODE = ? "
                                           "AND MAT_LG = '001'"));
        for (Statement* q : {&sheets, &balls}) {
            if (Status s = q->bind(code).exec(); !s)
                return s;
            q->next();
        }
        if (sheets.value(0).toInt() == 0)
            if (Status s = writeSheet(w, code, rng); !s)
                return s;
        if (balls.value(0).toInt() == 0)
            if (Status s = writeBalls(w, code, 1, rng); !s)
                return s;
        if (Status s = run(db,
                           QStringLiteral("UPDATE strpercage SET PER_30 = ?, PER_31 = ? "
                                          "WHERE per_code = ?"),
                           {QString::fromUtf8(l.over), QString::fromUtf8(l.up), code});
            !s)
            return s;
        const QString a1 = QString::fromUtf8(l.angle1), d = QString::fromUtf8(l.distance),
                      a2 = QString::fromUtf8(l.angle2);
        if (Status s =
                run(db,
                    QStringLiteral("UPDATE strmateriel SET MAT_LAYOUT1 = ?, MAT_LAYOUT2 = ?, "
                                   "MAT_LAYOUT3 = ?, mat_layout = ? WHERE MAT_CODE = ? "
                                   "AND MAT_LG = '001'"),
                    {a1, d, a2, a1 + QStringLiteral(" < ") + d + QStringLiteral(" < ") + a2, code});
            !s)
            return s;
    }
    return {};
}

} // namespace

QVariantList demoBallValues(const QString& code, int line, std::mt19937& rng) {
    // Roughly one ball in three has gone to the history (bag above 100).
    const bool history = rng() % 3 == 0;
    const int sac = history ? 101 + int(rng() % 50) : int(rng() % 40);
    const QDate bought = QDate(2015, 1, 1).addDays(int(rng() % 3600));
    const QString date = bought.toString(QStringLiteral("dd/MM/yyyy"));
    const QString surface = pick(Surfaces, rng);
    const QString l1 = pick(Angles1, rng), l2 = pick(Distances, rng), l3 = pick(Angles2, rng);
    return QVariantList{code,
                        QStringLiteral("%1").arg(line, 3, 10, QLatin1Char('0')),
                        QStringLiteral("%1").arg(sac, 3, 10, QLatin1Char('0')),
                        pick(Brands, rng),
                        pick(Models, rng),
                        QStringLiteral("SN%1").arg(rng() % 1000000, 6, 10, QLatin1Char('0')),
                        pick(Cores, rng),
                        QStringLiteral("2,5%1").arg(rng() % 10),
                        pick(Diffs, rng),
                        pick(Lengths, rng),
                        pick(Hooks, rng),
                        surface,
                        surface.left(50),
                        l1,
                        l2,
                        l3,
                        l1 + QStringLiteral(" < ") + l2 + QStringLiteral(" < ") + l3,
                        date,
                        date.right(4) + date.mid(3, 2) + date.left(2),
                        pick(Types, rng)};
}

QVariantList demoSheetValues(const QString& code, std::mt19937& rng) {
    QVariantList values{code};
    const bool classic = rng() % 2 == 0;
    for (int n : sheetMeasureNumbers()) {
        QString v;
        if (n == 21) {
            v = classic ? QString(QLatin1String("")) : QStringLiteral("1");
        } else if (n == 10 || n == 14 || n == 17 || n == 18) {
            // One box of each pair with opposite arrows holds the value.
            v = QString(QLatin1String(""));
        } else {
            v = sheetValue(n, rng);
        }
        values << v;
    }
    values << QStringLiteral("Inserts changés tous les 6 mois")
           << QStringLiteral("Pouce un peu serré l'hiver")
           << (classic ? QStringLiteral("C") : QStringLiteral("I"))
           << (rng() % 2 ? QStringLiteral("V") : QStringLiteral("U"))
           << (rng() % 2 ? QStringLiteral("O") : QStringLiteral("N"));
    return values;
}

QVariantList demoCustomerValues(int i, const DemoOptions& options, std::mt19937& rng) {
    const QString code = QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
    const int n = i - 1;
    QString last = QString::fromUtf8(LastNames[std::size_t(n) % LastNames.size()]);
    QString first = QString::fromUtf8(
        FirstNames[(std::size_t(n) / LastNames.size() + std::size_t(n)) % FirstNames.size()]);
    Town town = Towns[rng() % Towns.size()];
    if (options.manyNames) {
        // Both lists together; one name in six is a double name.
        const std::size_t all = LastNames.size() + MoreLastNames.size();
        const auto surname = [&](std::size_t k) {
            k %= all;
            return QString::fromUtf8(
                k < LastNames.size() ? LastNames[k] : entry(MoreLastNames, k - LastNames.size()));
        };
        last = surname(rng());
        if (rng() % 6 == 0)
            last += QLatin1Char('-') + surname(rng());
        const std::size_t f = rng() % (FirstNames.size() + MoreFirstNames.size());
        first = QString::fromUtf8(
            f < FirstNames.size() ? FirstNames[f] : entry(MoreFirstNames, f - FirstNames.size()));
        const std::size_t t = rng() % (Towns.size() + MoreTowns.size());
        town = t < Towns.size() ? Towns[t] : MoreTowns[t - Towns.size()];
    }
    const bool business = i % 7 == 0;
    const bool deleted = options.deletedEvery > 0 && i % options.deletedEvery == 0;
    QVariantList values{
        code,
        business ? QStringLiteral("SARL") : civility(first),
        last + QLatin1Char(' ') + first,
        QStringLiteral("%1, %2")
            .arg(1 + rng() % 120)
            .arg(QString::fromUtf8(Streets[rng() % Streets.size()])),
        i % 5 == 0 ? QStringLiteral("Bâtiment B") : QString(QLatin1String("")),
        QString(QLatin1String("")),
        QString::fromLatin1(town.postcode),
        QString::fromUtf8(town.name),
        QStringLiteral("France"),
        QStringLiteral("0%1 %2 %3 %4 %5")
            .arg(1 + rng() % 5)
            .arg(rng() % 90 + 10)
            .arg(rng() % 90 + 10)
            .arg(rng() % 90 + 10)
            .arg(rng() % 90 + 10),
        QStringLiteral("06 %1 %2 %3 %4")
            .arg(rng() % 90 + 10)
            .arg(rng() % 90 + 10)
            .arg(rng() % 90 + 10)
            .arg(rng() % 90 + 10),
        QString(QLatin1String("")),
        QStringLiteral("client%1@exemple.fr").arg(i),
        i % 3 == 0 ? QStringLiteral("Joue en ligue le mardi soir.\nPréfère les boules réactives.")
                   : QString(QLatin1String("")),
        business ? QStringLiteral("FR%1").arg(10000000000ULL + rng() % 89999999999ULL)
                 : QString(QLatin1String("")),
        business ? QStringLiteral("H") : QStringLiteral("T"),
        handCode(i % 6 == 0 ? Hand::Left : Hand::Right),
        i % 4 == 0 ? QStringLiteral("A") : QStringLiteral("S"),
        QString::number(12 + rng() % 5),
        deleted ? QStringLiteral("SUPPRIME") : QString(QLatin1String(""))};
    // A field the demonstration does not fill gets a new customer's value.
    for (auto f = values.size(); f < CustomerFieldCount; ++f)
        values << newCustomerValue(CustomerField(f));
    values << clientKeyValues(values.at(2).toString(), values.at(7).toString(),
                              values.at(9).toString(), values.at(10).toString(),
                              values.at(11).toString(), values.at(3).toString());
    return values;
}

Status insertDemoData(Connection& c, const DemoOptions& options) {
    std::mt19937 rng(options.seed);
    Transaction t(c.db());
    if (!t.started())
        return t.started();
    Writer w(c.db());
    for (const Statement* q : {&w.client, &w.ball, &w.sheet})
        if (!q->prepared())
            return q->prepared();

    for (int i = 1; i <= options.customers; ++i) {
        const QString code = QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
        if (Status s = exec(w.client, demoCustomerValues(i, options, rng)); !s)
            return s;
        const int balls = options.ballsPerCustomer > 0 ? options.ballsPerCustomer : int(rng() % 6);
        if (Status s = writeBalls(w, code, balls, rng); !s)
            return s;
        if (options.sheetEvery > 0 && i % options.sheetEvery == 1 % options.sheetEvery)
            if (Status s = writeSheet(w, code, rng); !s)
                return s;
    }
    if (Status s = writeLaidOutBalls(w, c.db(), options); !s)
        return s;
    // Each demo sheet has its first version, by the shop's driller, as a
    // sheet validated in the program has.
    QStringList copied;
    for (const QString& f : sheetFields().mid(1))
        copied << f;
    if (Status s =
            run(c.db(),
                QStringLiteral("INSERT INTO %1 (%2) SELECT per_code, '000001', ?, ?, %3 "
                               "FROM strpercage")
                    .arg(sheetHistoryTable(), sheetHistoryFields().join(QStringLiteral(", ")),
                         copied.join(QStringLiteral(", "))),
                {storedMoment(QDateTime::currentDateTime()), defaultDriller()});
        !s)
        return s;
    return t.commit();
}

} // namespace vdn
