#include "balls/ball_controller.h"

#include "data/drilling_store.h"

#include "balls/ball_list_model.h"
#include "balls/ball_panel.h"
#include "balls/ball_record_panel.h"
#include "data/val.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "printing/ball_list_printout.h"
#include "reference/param_store.h"
#include "session/error_box.h"
#include "widgets/changed_elsewhere.h"
#include "widgets/long_task.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace vdn {

namespace {
const QString BallListReading = QStringLiteral("Lecture de la liste des boules");
const QString BallSaving = QStringLiteral("Enregistrement de la boule");
const QString BagSaving = QStringLiteral("Enregistrement du numéro de sac");

QString changedHeadline(const QString& line) {
    return QStringLiteral("La boule n° %1 a été modifiée sur un autre poste depuis son "
                          "affichage.")
        .arg(line);
}
} // namespace

namespace {
// A field of the changed-elsewhere question: the fields its caption covers,
// in stored order, the first `shownCount` being what the user types, the
// others derived from them.
struct BallQuestion {
    QString name;
    QList<BallField> fields;
    int shownCount = 0;
};

// The questions in their order, from the ball field table.
const QList<BallQuestion>& ballQuestions() {
    static const QList<BallQuestion> questions = [] {
        QList<BallQuestion> out(BallQuestionCount);
        for (const BallFieldInfo& f : BallFields)
            if (f.question > 0)
                out[f.question - 1].name = QString::fromUtf8(f.caption);
        for (const BallFieldInfo& f : BallFields) {
            const int question = f.question > 0 ? f.question : infoOf(f.follows).question;
            if (question == 0)
                continue;
            BallQuestion& q = out[question - 1];
            q.fields << f.field;
            q.shownCount += f.shownInQuestion;
        }
        return out;
    }();
    return questions;
}

QString questionText(const BallRecord& ball, const BallQuestion& question) {
    QStringList parts;
    for (int i = 0; i < question.shownCount; ++i)
        parts << ballText(ball, question.fields[i]);
    return parts.join(QStringLiteral(" / "));
}
} // namespace

QStringList changedBallFields(const BallRecord& before, const BallRecord& now) {
    QStringList names;
    for (const BallQuestion& q : ballQuestions()) {
        const bool differs = std::any_of(q.fields.begin(), q.fields.end(), [&](BallField f) {
            return infoOf(f).member ? ballText(before, f) != ballText(now, f)
                                    : before.type != now.type;
        });
        if (differs)
            names << q.name;
    }
    return names;
}

QList<FieldReadings> ballReadings(const BallRecord& shown, const BallRecord& typed,
                                  const BallRecord& stored) {
    QList<FieldReadings> fields;
    for (const BallQuestion& q : ballQuestions())
        fields.append(
            {q.name, questionText(shown, q), questionText(typed, q), questionText(stored, q)});
    return fields;
}

void takeStoredBallFields(BallRecord& typed, const BallRecord& stored,
                          const QList<bool>& takeStored) {
    const QList<BallQuestion>& questions = ballQuestions();
    for (qsizetype i = 0; i < questions.size(); ++i) {
        if (!takeStored.value(i))
            continue;
        for (const BallField f : questions[i].fields) {
            if (const auto member = infoOf(f).member)
                typed.*member = stored.*member;
            else
                typed.type = stored.type;
        }
    }
}

BallRow ballRowOf(const BallRecord& ball) {
    BallRow row;
    row.code = ball.code;
    row.revision = ball.revision;
    for (int c = 0; c < BallColumnCount; ++c)
        row.cells << ballText(ball, ballGridField(c));
    return row;
}

QStringList changedBallRowFields(const BallRow& before, const BallRow& now) {
    QStringList names;
    for (int c = 0; c < BallColumnCount; ++c) {
        const auto column = BallColumn(c);
        // The line is the ball's key; the date's sort key follows the date.
        if (column == BallColumn::Line || column == BallColumn::DateKey)
            continue;
        if (before.cell(column) != now.cell(column))
            names << BallListModel::heading(column);
    }
    return names;
}

QString movedLineMessage(const QString& line, const QString& used) {
    return QStringLiteral("Le n° d'ordre %1 a été pris sur un autre poste entre-temps : la boule "
                          "est enregistrée sous le n° %2.")
        .arg(line, used);
}

BallController::BallController(const Services& services, BallStore& balls, BallPanel& panel,
                               QObject* parent)
    : QObject(parent), services_(services), balls_(balls), panel_(panel) {
    connect(&panel, &BallPanel::addBallClicked, this, &BallController::addBall);
    connect(&panel, &BallPanel::deleteBallClicked, this, &BallController::deleteBall);
    connect(&panel, &BallPanel::ballRowClicked, this, &BallController::openBall);
    connect(&panel, &BallPanel::ballHeadingClicked, this, &BallController::sortBy);
    connect(&panel, &BallPanel::bagLeft, this, &BallController::writeBag);
    connect(&panel, &BallPanel::filterChanged, this, &BallController::loadBallList);
    connect(&panel, &BallPanel::printBallsClicked, this, &BallController::printBalls);
    BallRecordPanel& r = record();
    connect(&r, &BallRecordPanel::validateClicked, this, &BallController::validate);
    connect(&r, &BallRecordPanel::cancelClicked, this, &BallController::cmdannule3);
    connect(&r, &BallRecordPanel::pickListLeft, this, [this] { checkPickLists(); });
    connect(&r, &BallRecordPanel::invalidDateLeft, this, &BallController::showInvalidDate);
}

BallRecordPanel& BallController::record() const {
    return panel_.record();
}

void BallController::report(const DataError& error, const QString& operation) {
    erreur_donnees(error, services_, panel_.window(), operation);
}

std::optional<int> BallController::lineOf(int row) const {
    const BallListModel* model = panel_.ballModel();
    if (row < 0 || row >= model->rowCount())
        return std::nullopt;
    const BallRow& ball = model->row(row);
    // Rows left from another customer are never acted on under this one's code.
    if (ball.code != customer_.code)
        return std::nullopt;
    return int(val(ball.cell(BallColumn::Line)));
}

// After a failed load the grid holds nothing: rows left from the previous
// customer would let a delete, an opening or a bag edit act on a ball that is
// not the current customer's.
void BallController::clearBallList() {
    panel_.showBalls({});
    txtmat_lg = 0;
}

void BallController::loadBallList() {
    txtmat_lg = 0;
    req_mat = BallListQuery{customer_.code, panel_.filter()};
    if (!balls_.database().isValid()) {
        panel_.showBalls({});
        return; // the window's load has reported why
    }
    // No customer yet (the window's load): no ball to read, no statement
    // sent (three of them cost a server round trip each).
    if (req_mat.code.isEmpty()) {
        panel_.showBalls({});
        return;
    }
    Result<int> highest = balls_.highestLine(req_mat.code);
    if (!highest) {
        clearBallList();
        report(highest.error(), BallListReading);
        return;
    }
    txtmat_lg = *highest;
    Result<QList<BallRow>> rows = balls_.list(req_mat);
    if (!rows) {
        clearBallList();
        report(rows.error(), BallListReading);
        return;
    }
    panel_.showBalls(*rows);
}

void BallController::addBall() {
    // A bag number kept on screen stays there: nothing reads the grid again.
    if (!panel_.commitBag())
        return;
    if (customer_.deleted()) {
        services_.boxes->message(panel_.window(),
                                 QStringLiteral("Ce client est supprimé--Impossible de créer du "
                                                "matériel"));
        emit cancelRequested();
        return;
    }
    // Numbered from the database rather than from the last list load, so that
    // a load that failed can never make the new ball overwrite an old one.
    Result<int> highest = balls_.highestLine(customer_.code);
    if (!highest) {
        report(highest.error(), QStringLiteral("Numérotation de la nouvelle boule"));
        return;
    }
    if (!emptyEntry())
        return;
    BallRecordPanel& r = record();
    r.clearPickTexts();
    r.show();
    services_.pointer->setDefault();
    txtmat_lg = *highest + 1;
    opened_.reset();
    showLastDrilling();
    r.startNewBall();
    entryAtStart_ = r.enteredBall(customer_.code, txtmat_lg);
}

bool BallController::emptyEntry() {
    BallRecordPanel& r = record();
    r.clearEntry();
    const ParamStore params(balls_.database());
    if (Status s = r.fillPickLists(params); !s) {
        report(s.error());
        return false;
    }
    return true;
}

void BallController::openBall(int row) {
    if (!panel_.commitBag())
        return;
    const std::optional<int> line = lineOf(row);
    if (!line)
        return;
    if (!emptyEntry())
        return;
    BallRecordPanel& r = record();
    txtmat_lg = *line;
    const QString lineText = formatBallLine(*line);
    Result<QList<BallRow>> shown = balls_.listOne(customer_.code, lineText);
    if (!shown) {
        report(shown.error(), BallListReading);
        return;
    }
    panel_.showBalls(*shown);
    Result<std::optional<BallRecord>> ball = balls_.byKey(customer_.code, lineText);
    if (!ball) {
        report(ball.error(), QStringLiteral("Lecture de la boule"));
        return;
    }
    if (!ball->has_value())
        return;
    opened_ = **ball;
    r.showBall(**ball);
    showLastDrilling();
    r.show();
    r.updateBrandPictures();
    entryAtStart_ = r.enteredBall(customer_.code, txtmat_lg);
    services_.pointer->setDefault();
    r.focusBallName();
}

bool BallController::openBallUnchanged() const {
    return opened_ && !hasUnsavedEntry();
}

void BallController::showLastDrilling() {
    BallRecordPanel& r = record();
    if (!opened_) {
        r.setDrillingText(QStringLiteral("Pas de perçage enregistré"));
        return;
    }
    const QSqlDatabase db = balls_.database();
    Result<QList<BallDrilling>> drillings = DrillingStore(db).list(opened_->code, opened_->line);
    if (!drillings) {
        report(drillings.error(), QStringLiteral("Lecture des perçages"));
        return;
    }
    if (drillings->isEmpty()) {
        r.setDrillingText(QStringLiteral("Pas de perçage enregistré"));
        return;
    }
    const BallDrilling& d = drillings->first();
    const QString sheet = d.sheetVersion.isEmpty() ? QStringLiteral("sans fiche")
                                                   : QStringLiteral("fiche ") + d.sheetText();
    r.setDrillingText(QStringLiteral("Percée le %1 par %2 (%3)").arg(d.dayText(), d.driller, sheet),
                      d.code, d.sheetVersion);
}

void BallController::deleteBall() {
    if (!panel_.commitBag())
        return;
    const std::optional<int> row = panel_.currentRow();
    const std::optional<int> line = row ? lineOf(*row) : std::nullopt;
    if (!line)
        return;
    txtmat_lg = *line;
    if (!services_.boxes->question(
            panel_.window(), QStringLiteral("Etes-vous sûr de vouloir supprimer cette boule ? ")))
        return;
    if (Status s = balls_.remove(customer_.code, formatBallLine(*line)); !s) {
        report(s.error(), QStringLiteral("Suppression de la boule"));
        return;
    }
    cmdannule3();
}

void BallController::validate() {
    if (!panel_.commitBag())
        return;
    if (checkPickLists() != CheckOutcome::Completed)
        return;
    const BallRecord ball = record().enteredBall(customer_.code, txtmat_lg);
    if (opened_ && opened_->code == ball.code && opened_->line == ball.line ? updateChecked(ball)
                                                                            : insertNew(ball))
        cmdannule3();
}

bool BallController::insertNew(const BallRecord& ball, BallStore::NewBag bag) {
    Result<QString> used = balls_.insertUnderFreeLine(ball, bag);
    if (!used) {
        report(used.error(), BallSaving);
        return false;
    }
    if (*used != ball.line) {
        services_.pointer->setDefault();
        services_.boxes->message(panel_.window(), movedLineMessage(ball.line, *used));
    }
    return true;
}

bool BallController::updateChecked(BallRecord ball) {
    ball.revision = opened_->revision;
    Status written = balls_.update(ball);
    QStringList keptFromOther;
    while (!written && written.error().isChangedElsewhere()) {
        Result<std::optional<BallRecord>> now = balls_.byKey(ball.code, ball.line);
        if (!now) {
            report(now.error(), BallSaving);
            return false;
        }
        services_.pointer->setDefault();
        if (!now->has_value()) {
            // Deleted elsewhere: created again as the screen shows it, bag
            // number included (a history ball stays in the history), only
            // if the user says so.
            BallRecord again = ball;
            again.bag = bagOnScreen(ball.line);
            if (!services_.boxes->question(
                    panel_.window(),
                    QStringLiteral("La boule n° %1 a été supprimée sur un autre poste depuis son "
                                   "affichage. L'enregistrer à nouveau telle qu'elle est à "
                                   "l'écran (n° de sac %2) ?")
                        .arg(ball.line, again.bag)))
                return false;
            return insertNew(again, BallStore::NewBag::AsGiven);
        }
        const BallRecord& stored = **now;
        const std::optional<MergeDecision> merge =
            mergeChangedElsewhere(*services_.boxes, panel_.window(), changedHeadline(ball.line),
                                  ballReadings(*opened_, ball, stored));
        if (!merge)
            return false; // the entry stays on screen, nothing written
        takeStoredBallFields(ball, stored, merge->takeStored);
        keptFromOther = merge->keptFromOther;
        // Over the version just read: a change made meanwhile is merged again.
        opened_ = stored;
        ball.revision = stored.revision;
        written = balls_.update(ball);
    }
    if (!written) {
        report(written.error(), BallSaving);
        return false;
    }
    if (!keptFromOther.isEmpty())
        services_.boxes->message(panel_.window(), keptFromOtherNotice(keptFromOther));
    return true;
}

bool BallController::hasUnsavedEntry() const {
    const BallRecordPanel& r = record();
    if (r.isHidden())
        return false;
    const BallRecord now = r.enteredBall(customer_.code, txtmat_lg);
    for (const FieldReadings& f : ballReadings(entryAtStart_, now, entryAtStart_))
        if (f.typed != f.shown)
            return true;
    return false;
}

void BallController::cmdannule3() {
    if (!panel_.commitBag())
        return;
    loadBallList();
    emit ballPanelRequested();
    panel_.closeRecord();
}

void BallController::sortBy(BallColumn column) {
    if (!panel_.commitBag())
        return;
    // The date sorts by its yyyymmdd form, so in time order.
    if (column == BallColumn::Date)
        column = BallColumn::DateKey;
    Result<QList<BallRow>> rows = balls_.list(req_mat, column);
    if (!rows) {
        report(rows.error(), BallListReading);
        return;
    }
    panel_.showBalls(*rows);
}

CheckOutcome BallController::checkPickLists() {
    // The focus moves while the check asks: a pick list left then does not
    // start a second check inside the first.
    if (checking_)
        return CheckOutcome::Declined;
    checking_ = true;
    ParamStore params(balls_.database());
    DataError error;
    const CheckOutcome outcome = checkReferenceValues(params, record().checkedPickLists(),
                                                      services_, panel_.window(), &error);
    checking_ = false;
    if (outcome == CheckOutcome::Failed)
        report(error);
    return outcome;
}

void BallController::printBalls() {
    if (customer_.code.isEmpty() || !panel_.commitBag())
        return;
    // Closes asked during the task, or its end message, wait for its end.
    const LongTask task;
    PrintOutcome outcome = PrintOutcome::Done;
    {
        Result<std::unique_ptr<BallRows>> rows = balls_.printoutRows(customer_.code);
        if (!rows) {
            report(rows.error());
            return;
        }
        outcome = printBallList(**rows, panel_.summaryName(), services_, panel_.window());
    }
    // A cancelled printout changes nothing on screen.
    if (outcome != PrintOutcome::Cancelled)
        showPrintedList();
}

bool BallController::showPrintedList() {
    panel_.commitBag();
    Result<QList<BallRow>> rows = balls_.list(BallListQuery{customer_.code, BallFilter::All});
    if (!rows) {
        report(rows.error(), BallListReading);
        return false;
    }
    panel_.showBalls(*rows);
    return true;
}

QString BallController::bagOnScreen(const QString& line) const {
    const BallListModel* model = panel_.ballModel();
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->row(r).code == customer_.code && model->row(r).cell(BallColumn::Line) == line)
            return model->row(r).cell(BallColumn::Bag);
    return opened_ && opened_->line == line ? opened_->bag : QString();
}

void BallController::writeBag(int row) {
    // The focus moves while the user is asked: a cell editor that closes
    // then hands its text over, and the row waits for this write to end.
    if (writingBag_)
        return;
    const QScopedValueRollback writing(writingBag_, true);
    BallListModel* model = panel_.ballModel();
    if (row < 0 || row >= model->rowCount()) {
        model->clearPending();
        return;
    }
    const BallRow typedRow = model->row(row);
    const QString line = typedRow.cell(BallColumn::Line);
    const QString typed = typedRow.cell(BallColumn::Bag);
    Status s = balls_.setBag(typedRow.code, line, typed, typedRow.revision);
    if (s) {
        model->bagWritten();
        return;
    }
    // The row shows its stored bag number again and nothing waits while the
    // user is asked, so that leaving the grid for a box writes nothing.
    model->revertPending();
    BallRow shown = model->row(row);
    // The record's rule: written only over the version shown, else asked.
    while (!s && s.error().isChangedElsewhere()) {
        Result<std::optional<BallRecord>> now = balls_.byKey(shown.code, line);
        if (!now) {
            report(now.error(), BagSaving);
            return;
        }
        if (!now->has_value()) {
            // Deleted meanwhile: the write says so.
            s = balls_.setBag(shown.code, line, typed, shown.revision);
            break;
        }
        const BallRow stored = ballRowOf(**now);
        services_.pointer->setDefault();
        // Only the bag number is typed in the grid: the other workstation's
        // changes to the rest of the ball are kept as they are.
        const QString bagName = BallListModel::heading(BallColumn::Bag);
        const std::optional<MergeDecision> merge = mergeChangedElsewhere(
            *services_.boxes, panel_.window(), changedHeadline(line),
            {{bagName, shown.cell(BallColumn::Bag), typed, stored.cell(BallColumn::Bag)}});
        if (!merge) {
            // Kept on screen: the number typed waits in its cell, current
            // and editable, and leaving the row writes it or asks again. A
            // panel already going away keeps nothing.
            if (!panel_.isVisible()) {
                model->replaceRow(row, stored);
                return;
            }
            model->keepPending(row, typed);
            panel_.focusBag(row);
            return;
        }
        if (merge->takeStored.value(0)) {
            model->replaceRow(row, stored);
            return;
        }
        shown = stored;
        s = balls_.setBag(shown.code, line, typed, shown.revision);
        if (s) {
            shown.cells[int(BallColumn::Bag)] = typed;
            ++shown.revision;
            model->replaceRow(row, shown);
            return;
        }
    }
    if (!s)
        report(s.error(), BagSaving);
}

void BallController::showInvalidDate() {
    services_.boxes->message(panel_.window(), QStringLiteral("Date invalide"));
    record().focusDate();
}

} // namespace vdn
