#include "driller/layout_controller.h"

#include "data/french_text.h"
#include "data/stored_moment.h"
#include "platform/clock.h"
#include "session/error_box.h"

#include <QDateTime>
#include <QWidget>

#include <cmath>

namespace vdn {

namespace {

using layout::Quantity;

constexpr double Quarter = layout::QuarterTurn;

// In the order of LayoutController::Field.
const LayoutFieldRule Rules[LayoutController::FieldCount] = {
    {"txtangle_perc", "Angle de perçage", "Angle de perçage", Quantity::Angle, 0, 180, false,
     "de 0 à 180°"},
    {"txtdist_pap", "Distance pin-PAP", "Distance pin-PAP", Quantity::Distance, 0, Quarter, true,
     "plus de 0 et au plus 6 3/4 po"},
    {"txtangle_val", "Angle VAL", "Angle VAL", Quantity::Angle, 0, 180, false, "de 0 à 180°"},
    {"txtpin_mb", "Distance pin-MB", "Distance pin-MB", Quantity::Distance, 0, Quarter, true,
     "plus de 0 et au plus 6 3/4 po"},
    {"txtpap_h", "Horizontal", "PAP horizontal", Quantity::Distance, 0, Quarter, false,
     "de 0 à 6 3/4 po"},
    {"txtpap_v", "Vertical", "PAP vertical", Quantity::Height, -Quarter, Quarter, false,
     "de 6 3/4 po en bas à 6 3/4 po en haut"},
    {"txtvls_psa", "Distance PSA-PAP", "Distance PSA-PAP", Quantity::Distance, 0, layout::HalfTurn,
     false, "de 0 à 13 1/2 po"},
    {"txtvls_tampon", "Tampon du pin", "Tampon du pin", Quantity::Distance, 0, Quarter, false,
     "de 0 à 6 3/4 po"},
};

// The boxes the drawing needs.
constexpr LayoutController::Field Drawn[] = {LayoutController::AnglePerc, LayoutController::DistPap,
                                             LayoutController::AngleVal,  LayoutController::PinMb,
                                             LayoutController::PapH,      LayoutController::PapV};

bool drawable(const LayoutController::Values& v) {
    for (LayoutController::Field f : Drawn)
        if (!v[f])
            return false;
    return true;
}

// A value as a message quotes it back.
QString shown(double v, Quantity q) {
    return q == Quantity::Angle ? layout::degreesText(v)
                                : layout::plainNumber(v, 3) + QStringLiteral(" po");
}

// The text written back into a pick list: the ball's own text when it
// already says the same (the shop keeps its way of writing), else the
// program's.
QString writtenAngle(const QString& original, double v) {
    const QString stored = layout::storedAngle(v);
    const std::optional<double> o = layout::readQuantity(original, Quantity::Angle);
    if (o && *o == std::round(*o) && layout::storedAngle(*o) == stored)
        return original.trimmed();
    return stored;
}
QString writtenDistance(const QString& original, double v) {
    const std::optional<double> o = layout::readQuantity(original, Quantity::Distance);
    if (o && std::fabs(*o - v) < 1e-9 && original.trimmed().size() <= 5)
        return original.trimmed();
    return layout::storedDistance(v);
}

// The holes, weights and comment of an entry, as compared to tell a change
// (blanks around the comment do not count).
QStringList entryTexts(BallDrilling d) {
    d.comment = d.comment.trimmed();
    return drillingTypedEntry(d);
}

} // namespace

LayoutController::LayoutController(const Services& services, const LayoutRequest& request,
                                   QSqlDatabase db, QWidget* owner)
    : QObject(owner), services_(services), request_(request), db_(std::move(db)), owner_(owner) {}

const LayoutFieldRule& LayoutController::rule(Field f) {
    return Rules[f];
}

LayoutFieldReading LayoutController::read(Field f, const QString& text) {
    const LayoutFieldRule& rule = Rules[f];
    const QString what = QString::fromUtf8(rule.what);
    const QString example =
        QStringLiteral(" : tapez par exemple ") + layout::typingExample(rule.quantity);
    LayoutFieldReading r;
    std::optional<double>& v = r.value;
    if (text.trimmed().isEmpty()) {
        r.message = what + QStringLiteral(" à remplir") + example;
    } else if (!(v = layout::readQuantity(text, rule.quantity))) {
        const QString quoted = text.size() > 24 ? text.left(24) + QStringLiteral("…") : text;
        r.message =
            what + QStringLiteral(" « ") + quoted + QStringLiteral(" » illisible") + example;
    } else if (*v < rule.low || *v > rule.high || (rule.lowExcluded && *v == rule.low)) {
        r.message = what + QStringLiteral(" de ") + shown(*v, rule.quantity) +
                    QStringLiteral(" hors limites : ") + QString::fromUtf8(rule.range);
        v.reset();
    }
    return r;
}

LayoutController::Values LayoutController::values(const Texts& texts) {
    Values v;
    for (int f = 0; f < FieldCount; ++f)
        v[f] = read(Field(f), texts[f]).value;
    return v;
}

LayoutController::Texts LayoutController::openingTexts() const {
    Texts t;
    t[AnglePerc] = request_.drillingAngle;
    t[DistPap] = request_.pinToPap;
    t[AngleVal] = request_.valAngle;
    t[PinMb] = layout::nearestSixteenth(layout::DefaultPinToMb);
    t[PapH] = request_.over;
    t[PapV] = request_.up;
    return t;
}

QStringList LayoutController::missing() const {
    QStringList missing;
    if (!request_.hasSheet)
        missing << QStringLiteral("Ce client n'a pas de fiche de perçage : tapez la position de "
                                  "son PAP (horizontal et vertical).");
    if (!request_.hand)
        missing << QStringLiteral("La main du client n'est pas notée (D ou G dans sa fiche "
                                  "client) : le dessin et l'impression l'attendent.");
    return missing;
}

QString LayoutController::ballName(const QString& pounds) const {
    QStringList parts;
    if (!request_.line.isEmpty())
        parts << QStringLiteral("Boule ") + request_.line;
    else
        parts << QStringLiteral("Boule :");
    QString ball = request_.ball.trimmed();
    if (!request_.serial.trimmed().isEmpty())
        ball += (ball.isEmpty() ? QString() : QStringLiteral(" ")) + QStringLiteral("n° ") +
                request_.serial.trimmed();
    if (!ball.isEmpty())
        parts << ball;
    // A weight of 0 is the new customer's "not noted".
    bool isNumber = false;
    const double weight =
        QString(pounds.trimmed()).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&isNumber);
    if (isNumber && weight > 0)
        parts << pounds.trimmed() + QStringLiteral(" lb");
    // Without its number the ball reads as before: "Boule : STORM PHAZE II".
    QString name = parts.join(QStringLiteral(" – "));
    return name.replace(QStringLiteral("Boule : – "), QStringLiteral("Boule : "));
}

std::optional<QString> LayoutController::papQuestion(const Texts& texts) const {
    if (!request_.hasSheet)
        return std::nullopt;
    const std::optional<double> sheetOver = read(PapH, request_.over).value;
    const std::optional<double> sheetUp = read(PapV, request_.up).value;
    const std::optional<double> over = read(PapH, texts[PapH]).value;
    const std::optional<double> up = read(PapV, texts[PapV]).value;
    if (!sheetOver || !sheetUp || !over || !up)
        return std::nullopt;
    // Typed to the sixteenth at best: a smaller gap is the same PAP written
    // another way ("4,5" and "4 1/2").
    constexpr double Same = 1.0 / 64;
    if (std::fabs(*sheetOver - *over) < Same && std::fabs(*sheetUp - *up) < Same)
        return std::nullopt;
    const QString sheet = request_.sheetVersion.isEmpty()
                              ? QStringLiteral("de la fiche")
                              : QStringLiteral("de la fiche version ") + request_.sheetVersion;
    return QStringLiteral("Le PAP %1 est %2 – %3 ; celui de l'implantation est %4 – %5. "
                          "Enregistrer quand même ?")
        .arg(sheet, request_.over.trimmed(), request_.up.trimmed(), texts[PapH].trimmed(),
             texts[PapV].trimmed());
}

layout::Core LayoutController::core() const {
    return foldForSearch(request_.core.trimmed()).startsWith(QLatin1String("ASYM"))
               ? layout::Core::Asymmetric
               : layout::Core::Symmetric;
}

std::optional<layout::Scene> LayoutController::scene(const Values& v, layout::Core core) const {
    if (!drawable(v) || !request_.hand)
        return std::nullopt;
    return layout::layoutScene({*v[AnglePerc], *v[DistPap], *v[AngleVal]}, *v[PinMb],
                               {*v[PapH], *v[PapV]}, *request_.hand, core);
}

std::optional<BallLayoutTexts> LayoutController::ballTexts(const Texts& texts) const {
    const std::optional<double> a = read(AnglePerc, texts[AnglePerc]).value;
    const std::optional<double> p = read(DistPap, texts[DistPap]).value;
    const std::optional<double> b = read(AngleVal, texts[AngleVal]).value;
    if (!a || !p || !b)
        return std::nullopt;
    return BallLayoutTexts{writtenAngle(texts[AnglePerc], *a), writtenDistance(texts[DistPap], *p),
                           writtenAngle(texts[AngleVal], *b)};
}

bool LayoutController::writeValuesToBall(const Texts& texts) {
    const std::optional<BallLayoutTexts> t = ballTexts(texts);
    if (!t)
        return false;
    emit valuesForBall(t->drillingAngle, t->pinToPap, t->valAngle);
    return true;
}

std::optional<drilling::Check> LayoutController::check(const Entry& entry) {
    if (!entry.read)
        return std::nullopt;
    return drilling::check(*entry.read, drilling::profileOf(entry.holes.profile));
}

bool LayoutController::loadDrillings() {
    Result<QList<BallDrilling>> list = DrillingStore(db_).list(request_.code, request_.line);
    if (!list) {
        // Over the customer window: the layout window may not be shown yet.
        erreur_donnees(list.error(), services_, owner_ ? owner_->parentWidget() : nullptr);
        return false;
    }
    drillings_ = *list;
    return true;
}

QString LayoutController::lastDrillingText() const {
    if (drillings_.isEmpty())
        return QStringLiteral("Pas de perçage enregistré pour cette boule.");
    const BallDrilling& d = drillings_.first();
    QString text = QStringLiteral("Dernier perçage n° %1 du %2 par %3")
                       .arg(d.number.toInt())
                       .arg(d.dayText(), d.driller);
    // The ball record's layout against the drilled one, read as numbers.
    auto same = [](const QString& a, const QString& b, Quantity q) {
        const std::optional<double> x = layout::readQuantity(a, q);
        const std::optional<double> y = layout::readQuantity(b, q);
        return x && y ? std::fabs(*x - *y) < 1e-6 : a.trimmed() == b.trimmed();
    };
    if (same(d.drillingAngle, request_.drillingAngle, Quantity::Angle) &&
        same(d.pinToPap, request_.pinToPap, Quantity::Distance) &&
        same(d.valAngle, request_.valAngle, Quantity::Angle))
        return text + QStringLiteral(" : même layout que la boule.");
    return text + QStringLiteral(" : son layout (%1 < %2 < %3) diffère de celui de la boule.")
                      .arg(d.drillingAngle, d.pinToPap, d.valAngle);
}

void LayoutController::storeProfile(drilling::Profile p) {
    // The shop's setting, kept beside the driller.
    if (!db_.isValid())
        return;
    if (Status s = ShopStore(db_).setRuleProfile(drilling::profileCode(p)); !s)
        erreur_donnees(s.error(), services_, owner_, QStringLiteral("Profil de règles"));
}

std::optional<BallDrilling> LayoutController::drilling(const Entry& entry) const {
    const Values v = values(entry.texts);
    if (!drawable(v) || !request_.hand)
        return std::nullopt;
    const std::optional<drilling::Check> c = check(entry);
    if (!c)
        return std::nullopt;
    const layout::DualAngle da{*v[AnglePerc], *v[DistPap], *v[AngleVal]};
    const layout::Vls vls = layout::toVls(da, *v[PinMb]);
    BallDrilling d = entry.holes;
    d.code = request_.code;
    d.line = request_.line;
    d.date = storedMoment(services_.clock->now());
    d.driller = request_.driller;
    // The entries as typed, the results as numbers (the window makes their
    // text when it shows them).
    d.drillingAngle = entry.texts[AnglePerc].trimmed();
    d.pinToPap = entry.texts[DistPap].trimmed();
    d.valAngle = entry.texts[AngleVal].trimmed();
    d.pinToMb = entry.texts[PinMb].trimmed();
    d.psaToPap = storedInches(vls.psaToPap);
    d.pinBuffer = storedInches(vls.pinBuffer);
    d.over = entry.texts[PapH].trimmed();
    d.up = entry.texts[PapV].trimmed();
    d.hand = handCode(*request_.hand);
    d.verdict = c->verdict;
    d.comment = entry.holes.comment.trimmed();
    return d;
}

bool LayoutController::sameAsRecorded(const Entry& entry) const {
    if (!recorded_)
        return false;
    const std::optional<BallDrilling> d = drilling(entry);
    return d && drillingContent(*d) == *recorded_;
}

bool LayoutController::entryChanged(const BallDrilling& holes) const {
    return db_.isValid() && entryTexts(holes) != entryAtStart_;
}

Answer LayoutController::askToRecord() {
    return services_.boxes->questionWithCancel(
        owner_, QStringLiteral("Enregistrer le perçage de cette boule ?"), Answer::Yes);
}

void LayoutController::startEntry(const BallDrilling& holes) {
    entryAtStart_ = entryTexts(holes);
}

bool LayoutController::record(const Entry& entry, bool confirm) {
    if (!db_.isValid())
        return false;
    if (!request_.savedRevision) {
        services_.boxes->message(owner_, QStringLiteral("Validez d'abord la boule : son perçage "
                                                        "s'enregistre sur la boule enregistrée, "
                                                        "sans modification en cours."));
        return false;
    }
    // Recorded already, as it stands: nothing new to write.
    if (sameAsRecorded(entry))
        return true;
    const std::optional<BallDrilling> d = drilling(entry);
    if (!d) {
        services_.boxes->message(owner_, QStringLiteral("Corrigez d'abord les valeurs signalées : "
                                                        "rien n'est enregistré."));
        return false;
    }
    if (confirm && !services_.boxes->question(owner_, QStringLiteral("Enregistrer le perçage de "
                                                                     "cette boule ?\n%1")
                                                          .arg(d->verdict)))
        return false;
    // A PAP other than the sheet's is most often a typing slip; asked even
    // when leaving the window records without the first question.
    if (const std::optional<QString> pap = papQuestion(entry.texts);
        pap && !services_.boxes->question(owner_, *pap))
        return false;
    Result<BallDrilling> written = DrillingStore(db_).record(*d, *request_.savedRevision);
    if (!written) {
        erreur_donnees(written.error(), services_, owner_,
                       QStringLiteral("Enregistrement du perçage"));
        return false;
    }
    startEntry(entry.holes);
    recorded_ = drillingContent(*written);
    emit drillingRecorded();
    return true;
}

std::optional<LayoutPage> LayoutController::page(const Entry& entry,
                                                 const BallDrilling* shown) const {
    const Values v = values(entry.texts);
    if (!drawable(v) || !request_.hand)
        return std::nullopt;
    LayoutSheet s;
    s.shopName = request_.shopName;
    s.customer = request_.customer;
    s.ball = ballName(shown ? shown->pounds : entry.holes.pounds);
    s.driller = request_.driller;
    s.hand = *request_.hand;
    s.today = services_.clock->today();
    s.layout = {*v[AnglePerc], *v[DistPap], *v[AngleVal]};
    s.pinToMb = *v[PinMb];
    s.pap = {*v[PapH], *v[PapV]};
    s.core = entry.core;
    if (shown)
        s.recorded = *shown;
    else if (const std::optional<drilling::Check> c = check(entry))
        s.verdict = c->verdict;
    return layoutPage(s);
}

void LayoutController::print(const Entry& entry, const BallDrilling* shown) {
    if (const std::optional<LayoutPage> p = page(entry, shown))
        printLayout(*p, services_, owner_);
}

} // namespace vdn
