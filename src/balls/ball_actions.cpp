#include "balls/ball_actions.h"

#include "balls/ball_list_model.h"
#include "balls/ball_panel.h"
#include "balls/ball_record_panel.h"
#include "customers/customer_record_panel.h"
#include "customers/vdn_client.h"
#include "data/error_report.h"
#include "data/val.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/services.h"
#include "reference/param_store.h"

#include <QComboBox>
#include <QLineEdit>

namespace vdn {

BallActions::BallActions(VdnClient& window) : QObject(&window), window_(window) {
    BallPanel* p = window.Frame300;
    connect(p, &BallPanel::addBallClicked, this, &BallActions::addBall);
    connect(p, &BallPanel::deleteBallClicked, this, &BallActions::deleteBall);
    connect(p, &BallPanel::ballRowClicked, this, &BallActions::openBall);
    connect(p, &BallPanel::ballHeadingClicked, this, &BallActions::sortBy);
    connect(p, &BallPanel::bagLeft, this, &BallActions::writeBag);
    connect(p->Frame8, &BallRecordPanel::validateClicked, this, &BallActions::validate);
    connect(p->Frame8, &BallRecordPanel::cancelClicked, this, &BallActions::cmdannule3);
    connect(p->Frame8, &BallRecordPanel::pickListLeft, this, [this] { checkPickLists(); });
    connect(p->Frame8, &BallRecordPanel::invalidDateLeft, this, &BallActions::showInvalidDate);
}

BallPanel& BallActions::panel() const {
    return *window_.Frame300;
}

BallRecordPanel& BallActions::record() const {
    return *window_.Frame300->Frame8;
}

namespace {
const QString BallListReading = QStringLiteral("Lecture de la liste des boules");
const QString BallSaving = QStringLiteral("Enregistrement de la boule");
} // namespace

void BallActions::report(const DataError& error, const QString& operation) {
    erreur_donnees(error, window_.services(), &window_, operation);
}

void BallActions::addBall() {
    panel().commitBag();
    const Services& services = window_.services();
    if (window_.Frame100->txtetat->text() == QLatin1String("SUPPRIME")) {
        services.boxes->message(&window_,
                                QStringLiteral("Ce client est supprimé--Impossible de créer du "
                                               "matériel"));
        window_.cancel();
        return;
    }
    // Numbered from the database rather than from the last list load, so that
    // a load that failed can never make the new ball overwrite an old one.
    Result<int> highest = window_.balls().highestLine(window_.currentCode());
    if (!highest) {
        report(highest.error(), QStringLiteral("Numérotation de la nouvelle boule"));
        return;
    }
    BallRecordPanel& r = record();
    r.clearEntry();
    const ParamStore params(window_.balls().database());
    if (Status s = r.fillPickLists(params); !s) {
        report(s.error());
        return;
    }
    r.clearPickTexts();
    r.show();
    services.pointer->setDefault();
    r.hideBrandPictures();
    r.Combo0->show();
    window_.setWorkingLine(*highest + 1);
    r.Combo0->setFocus(Qt::OtherFocusReason);
}

void BallActions::openBall(int row) {
    panel().commitBag();
    BallListModel* model = panel().ballModel();
    if (row < 0 || row >= model->rowCount())
        return;
    const int line = int(val(model->row(row).cell(BallColumn::Line)));
    BallRecordPanel& r = record();
    r.clearEntry();
    const ParamStore params(window_.balls().database());
    if (Status s = r.fillPickLists(params); !s) {
        report(s.error());
        return;
    }
    window_.setWorkingLine(line);
    const QString code = window_.currentCode();
    const QString lineText = formatBallLine(line);
    Result<QList<BallRow>> shown = window_.balls().listOne(code, lineText);
    if (!shown) {
        report(shown.error(), BallListReading);
        return;
    }
    panel().showBalls(*shown);
    Result<std::optional<BallRecord>> ball = window_.balls().byKey(code, lineText);
    if (!ball) {
        report(ball.error(), QStringLiteral("Lecture de la boule"));
        return;
    }
    if (!ball->has_value())
        return;
    r.showBall(**ball);
    r.show();
    r.updateBrandPictures();
    window_.services().pointer->setDefault();
    r.txtboule->setFocus(Qt::OtherFocusReason);
}

void BallActions::deleteBall() {
    panel().commitBag();
    const std::optional<int> row = panel().currentRow();
    if (!row)
        return;
    const int line = int(val(panel().ballModel()->row(*row).cell(BallColumn::Line)));
    window_.setWorkingLine(line);
    if (!window_.services().boxes->question(
            &window_, QStringLiteral("Etes-vous sûr de vouloir supprimer cette boule ? ")))
        return;
    if (Status s = window_.balls().remove(window_.currentCode(), formatBallLine(line)); !s) {
        report(s.error(), QStringLiteral("Suppression de la boule"));
        return;
    }
    cmdannule3();
}

void BallActions::validate() {
    panel().commitBag();
    if (checkPickLists() != CheckOutcome::Completed)
        return;
    const BallRecord ball = record().enteredBall(window_.currentCode(), window_.workingLine());
    if (Status s = window_.balls().save(ball); !s) {
        report(s.error(), BallSaving);
        return;
    }
    cmdannule3();
}

void BallActions::cmdannule3() {
    panel().commitBag();
    window_.loadBallList();
    window_.showPanel(VdnClient::Panel::Balls);
    record().hide();
}

void BallActions::sortBy(BallColumn column) {
    panel().commitBag();
    // The date sorts by its yyyymmdd form, so in time order.
    if (column == BallColumn::Date)
        column = BallColumn::DateKey;
    Result<QList<BallRow>> rows = window_.balls().list(window_.ballQuery(), column);
    if (!rows) {
        report(rows.error(), BallListReading);
        return;
    }
    panel().showBalls(*rows);
}

CheckOutcome BallActions::checkPickLists() {
    // The focus moves while the check asks: a pick list left then does not
    // start a second check inside the first.
    if (checking_)
        return CheckOutcome::Declined;
    checking_ = true;
    ParamStore params(window_.balls().database());
    DataError error;
    const CheckOutcome outcome = checkReferenceValues(params, record().checkedPickLists(),
                                                      window_.services(), &window_, &error);
    checking_ = false;
    if (outcome == CheckOutcome::Failed)
        report(error);
    return outcome;
}

bool BallActions::showPrintedList() {
    panel().commitBag();
    Result<QList<BallRow>> rows =
        window_.balls().list(BallListQuery{window_.currentCode(), BallFilter::All});
    if (!rows) {
        report(rows.error(), BallListReading);
        return false;
    }
    panel().showBalls(*rows);
    return true;
}

void BallActions::writeBag(int row) {
    BallListModel* model = panel().ballModel();
    if (row < 0 || row >= model->rowCount()) {
        model->clearPending();
        return;
    }
    const BallRow& ball = model->row(row);
    const Status s =
        window_.balls().setBag(ball.code, ball.cell(BallColumn::Line), ball.cell(BallColumn::Bag));
    if (s) {
        model->clearPending();
        return;
    }
    model->revertPending();
    report(s.error(), QStringLiteral("Enregistrement du numéro de sac"));
}

void BallActions::showInvalidDate() {
    window_.services().boxes->message(&window_, QStringLiteral("Date invalide"));
    record().Mskfdat->setFocus(Qt::OtherFocusReason);
}

} // namespace vdn
