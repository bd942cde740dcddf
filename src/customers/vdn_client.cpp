#include "customers/vdn_client.h"
#include "widgets/guide_page.h"
#include "widgets/progress_dialog.h"

#include "balls/ball_controller.h"
#include "balls/ball_panel.h"
#include "balls/ball_record_panel.h"
#include "customers/customer_list_controller.h"
#include "customers/customer_list_panel.h"
#include "customers/customer_record_controller.h"
#include "customers/customer_record_panel.h"
#include "customers/record_summary.h"
#include "data/globals.h"
#include "data/hand.h"
#include "data/shop_store.h"
#include "driller/layout_window.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_history.h"
#include "drilling/sheet_version_window.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "printing/session_printer.h"
#include "session/error_box.h"
#include "widgets/long_task.h"
#include "widgets/screen_fit.h"

#include <QCloseEvent>
#include <QGridLayout>

#include <functional>

namespace vdn {

namespace {
constexpr int DesignedWidth = 18900;
constexpr int UsualHeight = 10700;
} // namespace

VdnClient::VdnClient(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services), customers_(QSqlDatabase()),
      balls_(QSqlDatabase()), sheets_(QSqlDatabase()) {
    setObjectName(QStringLiteral("VDN_client"));
    setWindowTitle(QStringLiteral("Gestion des Clients"));
    setAttribute(Qt::WA_DeleteOnClose);

    Frame200 = new CustomerListPanel(customers_, this);
    Frame100 = new CustomerRecordPanel(services_, this);
    Frame300 = new BallPanel(this);
    // F1 opens the guide where it speaks of the panel shown.
    setGuidePage(this, QStringLiteral("index.md#Les clients"));
    setGuidePage(Frame300, QStringLiteral("index.md#Les boules"));
    // The four panels lie in the same place; one shows at a time.
    // On a small screen they scroll inside the window.
    auto* layout = new QGridLayout(screen_fit::install(this));
    layout->setContentsMargins(0, 0, 0, 0);
    // The window keeps the size it is given whatever panel shows.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    for (QWidget* panel : {static_cast<QWidget*>(Frame200), static_cast<QWidget*>(Frame100),
                           static_cast<QWidget*>(Frame300)})
        layout->addWidget(panel, 0, 0);
    Frame100->hide();
    Frame300->hide();
    // Replaced by one on the window's connection when the window loads.
    installSheetPanel(QSqlDatabase());
    screen_fit::resize(this, QSize(px(DesignedWidth), px(UsualHeight)));

    listController_ = new CustomerListController(services_, customers_, balls_, *Frame200, this);
    recordController_ =
        new CustomerRecordController(services_, customers_, sheets_, *Frame100, mode_, this);
    ballController_ = new BallController(services_, balls_, *Frame300, this);

    connect(Frame200, &CustomerListPanel::rowClicked, this, &VdnClient::selectCustomer);
    connect(Frame200, &CustomerListPanel::newCustomerClicked, this, &VdnClient::newCustomer);
    connect(listController_, &CustomerListController::customerChosen, Frame100,
            &CustomerRecordPanel::setCode);
    connect(listController_, &CustomerListController::deleteEnded, this, &VdnClient::cancel);
    connect(listController_, &CustomerListController::closeRequested, this,
            &VdnClient::ferme_fenetre);
    connect(Frame100, &CustomerRecordPanel::cancelRequested, this, &VdnClient::cancel);
    connect(recordController_, &CustomerRecordController::entryEnded, this, &VdnClient::cancel);
    connect(Frame100, &CustomerRecordPanel::codeChanged, this, &VdnClient::followCode);
    connect(Frame300, &BallPanel::modifyCustomerClicked, this, &VdnClient::modifie_client);
    connect(Frame300, &BallPanel::createSheetClicked, this, &VdnClient::createSheet);
    connect(Frame300, &BallPanel::openSheetClicked, this, &VdnClient::openSheet);
    connect(ballController_, &BallController::cancelRequested, this, &VdnClient::cancel);
    connect(&Frame300->record(), &BallRecordPanel::implantationClicked, this,
            &VdnClient::openLayout);
    connect(&Frame300->record(), &BallRecordPanel::drillingSheetClicked, this,
            [this](const QString& code, const QString& number) {
                auto* window = new SheetVersionWindow(services_, this);
                if (!window->load(database(), code, current_.displayName, number)) {
                    delete window;
                    return;
                }
                window->open();
            });
    connect(ballController_, &BallController::ballPanelRequested, this,
            [this] { showPanel(Panel::Balls); });
    setCurrent(CurrentCustomer{});
}

VdnClient::~VdnClient() {
    // A bag number still being edited is written while the stores are
    // there; then the ball panel's actions stop before the stores go.
    Frame300->commitBag();
    delete ballController_;
    ballController_ = nullptr;
    // The sheet panel holds the connection: it goes before the connection does.
    delete Frame400;
}

void VdnClient::installSheetPanel(QSqlDatabase db) {
    // Built once, its fields when a sheet is first opened: a panel of some
    // thirty pick lists costs more to build than the rest of the window's load.
    if (Frame400) {
        Frame400->setDatabase(std::move(db));
        return;
    }
    Frame400 = new DrillingSheetPanel(services_, std::move(db), this, &mode_);
    static_cast<QGridLayout*>(Frame200->parentWidget()->layout())->addWidget(Frame400, 0, 0);
    Frame400->hide();
    // The sheet prints on the printer chosen in the session's print set-up,
    // and the choice made there stays for the other printouts.
    if (PrintDialog* dialog = services_.printDialog)
        Frame400->setPrinterChooser([dialog](QPrinter& printer, QWidget* owner) {
            return chooseSessionPrinter(*dialog, printer, owner);
        });
    connect(Frame400, &DrillingSheetPanel::saved, this, &VdnClient::closeSheet);
    connect(Frame400, &DrillingSheetPanel::cancelRequested, this, &VdnClient::cancel);
}

QSqlDatabase VdnClient::database() const {
    return connection_ ? connection_->db() : QSqlDatabase();
}

void VdnClient::report(const DataError& error, const QString& operation) {
    erreur_donnees(error, services_, this, operation);
}

void VdnClient::setCurrent(const CurrentCustomer& customer) {
    current_ = customer;
    ballController_->setCustomer(current_);
    recordController_->setCustomer(current_);
}

void VdnClient::followCode(const QString& code) {
    if (code == current_.code)
        return;
    CurrentCustomer changed = current_;
    changed.code = code;
    setCurrent(changed);
}

const CustomerQuery& VdnClient::lastQuery() const {
    return listController_->lastQuery();
}

const CustomerQuery& VdnClient::editionQuery() const {
    return listController_->editionQuery();
}

void VdnClient::setUsualHeight() {
    screen_fit::resize(this, QSize(px(DesignedWidth), px(UsualHeight)));
}

void VdnClient::load() {
    // A close asked while the keys are computed waits for the window's load.
    const LongTask task;
    Frame200->release();
    customers_ = CustomerStore(QSqlDatabase());
    balls_ = BallStore(QSqlDatabase());
    sheets_ = SheetStore(QSqlDatabase());
    installSheetPanel(QSqlDatabase());
    connection_.reset();

    Result<std::unique_ptr<Connection>> opened = Connection::open(databasePath());
    if (opened) {
        connection_ = std::move(*opened);
        customers_ = CustomerStore(connection_->db());
        balls_ = BallStore(connection_->db());
        sheets_ = SheetStore(connection_->db());
        installSheetPanel(connection_->db());
        // Customers added or renamed by another program get their keys. On a
        // read-only or busy file they keep none for now: they sort by their
        // raw text and are computed at a later opening, so nothing is said.
        // The first opening after an upgrade computes every key, in short
        // batches under a progress window; "Annuler" keeps the keys written
        // and leaves the rest to the next opening.
        {
            BusyPointer busy(*services_.pointer);
            ProgressDialog progress(*services_.clock, this,
                                    QStringLiteral("Calcul des clés de recherche des clients"));
            (void)customers_.fillMissingKeys(&progress);
        }
        listController_->showEveryoneAfresh();
        // Selecting the first filter runs the ball list load, for no
        // customer yet.
        Frame300->setFilter(BallFilter::All);
    } else {
        report(opened.error());
    }
    showPanel(Panel::List);
    mode_.clear();
    services_.pointer->setDefault();
}

void VdnClient::showPanel(Panel panel) {
    Frame100->setVisible(panel == Panel::Record);
    Frame200->setVisible(panel == Panel::List);
    Frame300->setVisible(panel == Panel::Balls);
    Frame400->setVisible(panel == Panel::Sheet);
    setUsualHeight();
}

VdnClient::Panel VdnClient::shownPanel() const {
    if (!Frame400->isHidden())
        return Panel::Sheet;
    if (!Frame100->isHidden())
        return Panel::Record;
    if (!Frame300->isHidden())
        return Panel::Balls;
    return Panel::List;
}

void VdnClient::retour_liste() {
    services_.pointer->setDefault();
    listController_->showEveryoneAfresh();
    showPanel(Panel::List);
    mode_.clear();
}

void VdnClient::showImported(const QString& code) {
    listController_->showAdded(code);
}

void VdnClient::ferme_fenetre() {
    closing_ = true;
    close();
}

void VdnClient::cancel() {
    services_.pointer->setDefault();
    listController_->showEveryone();
    // The list alone: run from the ball panel or the drilling sheet (a
    // deleted customer's refusal) the list must not lie over them.
    showPanel(Panel::List);
}

VdnClient::EntryOutcome VdnClient::settleEntry(Reach reach) {
    // The layout window of the open ball goes with this window.
    if (reach == Reach::Everything)
        if (auto* layout = findChild<LayoutWindow*>(); layout && !layout->settleEntry())
            return EntryOutcome::Kept;
    if (!Frame400->isHidden()) {
        const EntryOutcome sheet = settle(
            QStringLiteral("fiche"), [this] { return Frame400->hasUnsavedEntry(); },
            [this] { Frame400->validate(); });
        if (sheet == EntryOutcome::Kept || reach == Reach::Shown)
            return sheet;
        // The sheet lies over the ball panel, whose entry goes with the window.
        const EntryOutcome ball = settleBallEntry();
        return ball == EntryOutcome::None ? sheet : ball;
    }
    if (!Frame100->isHidden())
        return settle(
            QStringLiteral("client"),
            [this] { return !Frame100->isHidden() && mode_.entering() && Frame100->hasChanges(); },
            [this] { recordController_->validate(); });
    if (!Frame300->isHidden())
        return settleBallEntry();
    return EntryOutcome::None;
}

VdnClient::EntryOutcome VdnClient::settleBallEntry() {
    return settle(
        QStringLiteral("boule"), [this] { return ballController_->hasUnsavedEntry(); },
        [this] { ballController_->validate(); });
}

VdnClient::EntryOutcome VdnClient::settle(const QString& what, const std::function<bool()>& unsaved,
                                          const std::function<void()>& validate) {
    if (!unsaved())
        return EntryOutcome::None;
    services_.pointer->setDefault();
    // Enter keeps what the close does without a question: nothing saved.
    switch (services_.boxes->questionWithCancel(
        this, QStringLiteral("Enregistrer les modifications de %1 ?").arg(what), Answer::No)) {
    case Answer::No:
        return EntryOutcome::None;
    case Answer::Cancel:
        return EntryOutcome::Kept;
    case Answer::Yes:
        break;
    }
    validate();
    // A validation that refused leaves the entry as it was, to be mended.
    return unsaved() ? EntryOutcome::Kept : EntryOutcome::Saved;
}

void VdnClient::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // Kept, the window stays as it is. A save that moved to another panel
    // (the record and the sheet step back by themselves) is the step; one
    // that stayed (a ball) steps back as the close box does.
    const Panel before = shownPanel();
    const EntryOutcome outcome = settleEntry();
    if (outcome == EntryOutcome::Kept ||
        (outcome == EntryOutcome::Saved && shownPanel() != before)) {
        event->ignore();
        return;
    }
    // The close box steps back one panel; only the list closes the window.
    if (!Frame400->isHidden()) {
        // Nothing typed on the sheet is saved.
        closeSheet();
        event->ignore();
    } else if (!Frame100->isHidden()) {
        cancel();
        event->ignore();
    } else if (!Frame300->isHidden()) {
        // A bag number kept on screen after a question keeps the panel.
        if (Frame300->commitBag())
            retour_liste();
        event->ignore();
    } else {
        event->accept();
    }
}

std::optional<CustomerRecord> VdnClient::fetchCustomer(const QString& code) {
    Result<std::optional<CustomerRecord>> found = customers_.byCode(code);
    if (!found) {
        report(found.error());
        return std::nullopt;
    }
    if (!found->has_value())
        report(DataError::other(
            errnum::NoCurrentRecord,
            QStringLiteral("Aucun enregistrement en cours : le client %1 n'existe plus")
                .arg(code)));
    return *found;
}

void VdnClient::affiche_client(const CustomerRecord& customer) {
    Frame100->display(customer);
    setCurrent(currentCustomerOf(customer));
    // The summary of the boxes: a field the record leaves null shows the
    // panel's cleared value there too.
    const CustomerSummary summary = summarize(Frame100->shown());
    Frame300->showSummary(summary);
    // Whose sheet it is, shown as soon as the customer is (the sheet's
    // opening sets it again).
    Frame400->showCustomerName(summary.nameLine);
}

bool VdnClient::updateSheetEntries() {
    Result<bool> exists = sheets_.exists(current_.code);
    if (!exists) {
        report(exists.error());
        return false;
    }
    Frame300->setSheetExists(*exists);
    return true;
}

void VdnClient::selectCustomer(const QString& code) {
    const std::optional<CustomerRecord> customer = fetchCustomer(code);
    if (!customer)
        return;
    affiche_client(*customer);
    ballController_->loadBallList();
    if (!updateSheetEntries())
        return;
    showPanel(Panel::Balls);
    Frame300->closeRecord();
}

void VdnClient::newCustomer() {
    Frame100->efface_client();
    Result<QString> next = customers_.nextCode(sheets_);
    if (!next) {
        report(next.error());
        return;
    }
    mode_.startCreate();
    setCurrent(CurrentCustomer{*next, {}, {}});
    Frame100->setCode(*next);
    recordController_->setProposedCode(*next);
    Frame100->setCodeEditable(true);
    Frame100->markUnchanged();
    services_.pointer->setDefault();
    showPanel(Panel::Record);
    Frame100->focusFirstField();
}

void VdnClient::modifie_client() {
    if (current_.code.isEmpty() || !Frame300->commitBag())
        return;
    // The record takes the ball panel's place: a ball being typed there is
    // saved or dropped first, or the user goes back to it.
    if (settleBallEntry() == EntryOutcome::Kept)
        return;
    Frame300->closeRecord();
    // Read again: the entry starts from the row as stored now, with its row
    // version.
    const std::optional<CustomerRecord> customer = fetchCustomer(current_.code);
    if (!customer)
        return;
    affiche_client(*customer);
    showPanel(Panel::Record);
    mode_.startModify();
    Frame100->setCodeEditable(false);
    Frame100->markUnchanged();
    Frame100->focusFirstField();
}

void VdnClient::createSheet() {
    // The panel refuses a deleted customer itself and asks for the cancel.
    if (Frame300->commitBag() && Frame400->startCreate(current_))
        showSheetPanel();
}

void VdnClient::openSheet() {
    if (Frame300->commitBag() && Frame400->startModify(current_))
        showSheetPanel();
}

void VdnClient::showSheetPanel() {
    Frame100->hide();
    Frame200->hide();
    Frame300->hide();
    Frame400->show();
    screen_fit::resize(this, QSize(px(DesignedWidth), DrillingSheetPanel::OpenWindowHeight));
}

void VdnClient::closeSheet() {
    Frame400->hide();
    screen_fit::resize(this, QSize(px(DesignedWidth), DrillingSheetPanel::WindowHeight));
    Frame300->show();
    updateSheetEntries();
}

void VdnClient::openLayout() {
    // The ball as it stands in its record, saved or not.
    const BallRecord ball = Frame300->record().enteredBall(current_.code, 0);
    LayoutRequest request;
    request.customer = current_.displayName;
    request.ball = (ball.brand + QLatin1Char(' ') + ball.ball).trimmed();
    request.serial = ball.serial;
    request.core = ball.core;
    request.drillingAngle = ball.layout1;
    request.pinToPap = ball.layout2;
    request.valAngle = ball.layout3;
    // The hand and the PAP as stored: the customer's record and sheet.
    Result<std::optional<CustomerRecord>> customer = customers_.byCode(current_.code);
    if (!customer) {
        report(customer.error());
        return;
    }
    if (*customer) {
        request.pounds = (**customer).text(CustomerField::Lbs);
        if (const auto hand = handOfCode((**customer).text(CustomerField::Dg)))
            request.hand = *hand;
    }
    Result<std::optional<SheetRecord>> sheet = sheets_.load(current_.code);
    if (!sheet) {
        report(sheet.error());
        return;
    }
    if (*sheet) {
        request.hasSheet = true;
        request.over = (**sheet).measures.value(30);
        request.up = (**sheet).measures.value(31);
        // The version a drilling recorded now is linked to: the newest.
        Result<QList<SheetVersion>> versions =
            SheetHistoryStore(database()).versions(current_.code);
        if (!versions) {
            report(versions.error());
            return;
        }
        if (!versions->isEmpty())
            request.sheetVersion = versions->first().numberText();
    }
    Result<QString> driller = ShopStore(database()).driller();
    if (!driller) {
        report(driller.error());
        return;
    }
    request.driller = *driller;
    request.shopName = shop_name;
    Result<QString> profile = ShopStore(database()).ruleProfile();
    if (!profile) {
        report(profile.error());
        return;
    }
    request.profile = *profile;
    // Drillings are recorded on a saved ball whose record holds no change.
    if (const std::optional<BallRecord>& opened = ballController_->openedBall()) {
        request.code = opened->code;
        request.line = opened->line;
        if (ballController_->openBallUnchanged())
            request.savedRevision = opened->revision;
    }
    auto* window = new LayoutWindow(services_, request, database(), this);
    connect(window, &LayoutWindow::drillingRecorded, ballController_,
            &BallController::showLastDrilling);
    connect(window, &LayoutWindow::valuesForBall, this,
            [this](const QString& angle1, const QString& distance, const QString& angle2) {
                Frame300->record().writeLayout(angle1, distance, angle2);
            });
    window->open();
}

} // namespace vdn
