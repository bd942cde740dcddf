#include "customers/vdn_client.h"

#include "widgets/screen_fit.h"
#include "balls/ball_actions.h"
#include "balls/ball_panel.h"
#include "balls/ball_record_panel.h"
#include "customers/customer_list_model.h"
#include "customers/customer_list_panel.h"
#include "customers/customer_record_panel.h"
#include "customers/customer_summary.h"
#include "data/error_report.h"
#include "data/globals.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_form.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "printing/ball_list_printout.h"
#include "printing/customer_export.h"
#include "printing/customer_list_printout.h"
#include "printing/session_printer.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>

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
    Frame100 = new CustomerRecordPanel(services_, customers_, this);
    Frame300 = new BallPanel(this);
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

    connect(Frame200, &CustomerListPanel::searchChanged, this, &VdnClient::search);
    connect(Frame200, &CustomerListPanel::headingClicked, this, &VdnClient::sortDescending);
    connect(Frame200, &CustomerListPanel::rowClicked, this, &VdnClient::selectCustomer);
    connect(Frame200->cmdajout, &QPushButton::clicked, this, &VdnClient::newCustomer);
    connect(Frame200->cmdsupprime, &QPushButton::clicked, this, &VdnClient::deleteCustomer);
    connect(Frame200->cmdimp, &QPushButton::clicked, this, &VdnClient::printList);
    connect(Frame200->cmdexcel, &QPushButton::clicked, this, &VdnClient::exportList);
    connect(Frame100, &CustomerRecordPanel::cancelRequested, this, &VdnClient::cancel);
    connect(Frame300, &BallPanel::modifyCustomerClicked, this, &VdnClient::modifie_client);
    connect(Frame300, &BallPanel::filterChanged, this, &VdnClient::loadBallList);
    connect(Frame300, &BallPanel::createSheetClicked, this, &VdnClient::createSheet);
    connect(Frame300, &BallPanel::openSheetClicked, this, &VdnClient::openSheet);
    connect(Frame300, &BallPanel::printBallsClicked, this, &VdnClient::printBalls);
    ballActions_ = new BallActions(*this);
    // Reported once the view has finished asking for rows.
    connect(
        Frame200->model(), &CustomerListModel::fetchFailed, this,
        [this](const DataError& error) {
            report(error, QStringLiteral("Lecture de la liste des clients"));
        },
        Qt::QueuedConnection);
}

VdnClient::~VdnClient() {
    // A bag number still being edited is written while the stores are
    // there; then the ball panel's actions stop before the stores go.
    Frame300->commitBag();
    delete ballActions_;
    // The sheet panel holds the connection: it goes before the connection does.
    delete Frame400;
}

void VdnClient::installSheetPanel(QSqlDatabase db) {
    // Built once: a panel of some thirty pick lists costs more to build than
    // the rest of the window's load.
    if (Frame400) {
        Frame400->setDatabase(std::move(db));
        return;
    }
    Frame400 = new DrillingSheetPanel(services_, std::move(db), this);
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

void VdnClient::setUsualHeight() {
    screen_fit::resize(this, QSize(px(DesignedWidth), px(UsualHeight)));
}

void VdnClient::load() {
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
        Frame200->clearSearch();
        req_clt = CustomerQuery::all().unordered();
        req_sql = CustomerQuery::all();
        req_edition = req_sql;
        pointList(req_sql);
        // Selecting the first filter runs the ball list load, for no
        // customer yet.
        Frame300->setFilter(BallFilter::All);
    } else {
        report(opened.error());
    }
    showPanel(Panel::List);
    en_ajout = false;
    en_modif = false;
    services_.pointer->setDefault();
}

bool VdnClient::pointList(const CustomerQuery& query) {
    const Status s = Frame200->runQuery(query);
    if (!s) {
        report(s.error());
        return false;
    }
    req_sql = query;
    return true;
}

void VdnClient::showPanel(Panel panel) {
    Frame100->setVisible(panel == Panel::Record);
    Frame200->setVisible(panel == Panel::List);
    Frame300->setVisible(panel == Panel::Balls);
    Frame400->setVisible(panel == Panel::Sheet);
    setUsualHeight();
}

void VdnClient::retour_liste() {
    services_.pointer->setDefault();
    Frame200->clearSearch();
    req_clt = CustomerQuery::all().unordered();
    req_edition = CustomerQuery::all();
    pointList(CustomerQuery::all());
    showPanel(Panel::List);
    en_ajout = false;
    en_modif = false;
}

void VdnClient::ferme_fenetre() {
    closing_ = true;
    close();
}

void VdnClient::cancel() {
    services_.pointer->setDefault();
    pointList(CustomerQuery::all());
    // The list alone: run from the ball panel or the drilling sheet (a
    // deleted customer's refusal) the list must not lie over them.
    showPanel(Panel::List);
}

void VdnClient::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
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
        retour_liste();
        event->ignore();
    } else {
        event->accept();
    }
}

QString VdnClient::currentCode() const {
    return Frame100->code();
}

void VdnClient::search(const QString& typed) {
    req_clt = CustomerQuery::search(typed).unordered();
    req_edition = req_clt.byName();
    pointList(req_edition);
}

void VdnClient::sortDescending(CustomerColumn column) {
    // Always Z to A, within the current search. The printout and the export
    // list the customers in the order the list shows them.
    req_edition = req_clt.descendingBy(column);
    pointList(req_edition);
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
    const CustomerSummary summary = summarize(Frame100->shown());
    Frame300->showSummary(summary);
    // Whose sheet it is, shown as soon as the customer is (the sheet's
    // opening sets it again).
    Frame400->form().Label25->setText(summary.nameLine);
}

const QString BallListReading = QStringLiteral("Lecture de la liste des boules");

// After a failed load the grid holds nothing: rows left from the previous
// customer would let a delete, an opening or a bag edit act on a ball that is
// not the current customer's.
void VdnClient::clearBallList() {
    Frame300->showBalls({});
    txtmat_lg = 0;
}

void VdnClient::loadBallList() {
    txtmat_lg = 0;
    req_mat = BallListQuery{currentCode(), Frame300->filter()};
    if (!connection_) {
        Frame300->showBalls({});
        return; // the load has reported why
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
    Frame300->showBalls(*rows);
}

bool VdnClient::updateSheetEntries() {
    Result<bool> exists = sheets_.exists(currentCode());
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
    // The hidden list holds only this customer from now on.
    if (!pointList(CustomerQuery::one(code)))
        return;
    affiche_client(*customer);
    loadBallList();
    if (!updateSheetEntries())
        return;
    showPanel(Panel::Balls);
    Frame300->Frame8->hide();
}

void VdnClient::newCustomer() {
    Frame100->efface_client();
    Result<QString> next = customers_.nextCode(sheets_);
    if (!next) {
        report(next.error());
        return;
    }
    en_ajout = true;
    en_modif = false;
    Frame100->setCode(*next);
    Frame100->setCodeEditable(true);
    services_.pointer->setDefault();
    showPanel(Panel::Record);
    Frame100->focusFirstField();
}

void VdnClient::modifie_client() {
    // After a selection the list holds only the current customer.
    const std::optional<QString> code = Frame200->currentCode();
    if (!code)
        return;
    const std::optional<CustomerRecord> customer = fetchCustomer(*code);
    if (!customer)
        return;
    if (!pointList(CustomerQuery::one(*code)))
        return;
    affiche_client(*customer);
    showPanel(Panel::Record);
    en_ajout = false;
    en_modif = true;
    Frame100->setCodeEditable(false);
    Frame100->focusFirstField();
}

void VdnClient::deleteCustomer() {
    const std::optional<QString> code = Frame200->currentCode();
    if (!code)
        return;
    Frame100->setCode(*code);
    if (!services_.boxes->question(this, QStringLiteral("Etes-vous sûr de vouloir supprimer la "
                                                        "fiche : ") +
                                             *code + QStringLiteral(" et son matériel ? "))) {
        cancel();
        return;
    }
    const CustomerQuery before = Frame200->shownQuery();
    if (!pointList(CustomerQuery::one(*code)))
        return;
    const bool keep = services_.boxes->question(
        this, QStringLiteral("Voulez-vous conserver la fiche pour de la consultation du "
                             "matériel ? "));
    const Status done =
        keep ? customers_.markDeleted(*code) : customers_.removeWithBalls(*code, balls_);
    if (!done) {
        report(done.error());
        pointList(before);
        return;
    }
    cancel();
}

QString VdnClient::sheetName() const {
    return Frame100->txtint->text() + QLatin1Char(' ') + Frame100->Txtnom->text();
}

void VdnClient::createSheet() {
    // The panel refuses a deleted customer itself and asks for the cancel.
    if (Frame400->startCreate(currentCode(), sheetName(), Frame100->txtetat->text()))
        showSheetPanel();
}

void VdnClient::openSheet() {
    if (Frame400->startModify(currentCode(), sheetName(), Frame100->txtetat->text()))
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

void VdnClient::printList() {
    {
        // Read and released before the window goes.
        Result<QSqlQuery> rows = customers_.rows(req_edition);
        if (rows)
            printCustomerList(*rows, services_, this);
        else
            report(rows.error());
    }
    // Done, cancelled or failed: the window closes.
    ferme_fenetre();
}

void VdnClient::printBalls() {
    const QString code = currentCode();
    if (code.isEmpty())
        return;
    PrintOutcome outcome = PrintOutcome::Done;
    {
        Result<QSqlQuery> rows = balls_.printoutRows(code);
        if (!rows) {
            report(rows.error());
            return;
        }
        outcome = printBallList(*rows, Frame300->lbl[0]->text(), services_, this);
    }
    // A cancelled printout changes nothing on screen.
    if (outcome != PrintOutcome::Cancelled)
        ballActions_->showPrintedList();
}

void VdnClient::exportList() {
    Result<QSqlQuery> rows = customers_.rows(req_edition);
    if (!rows) {
        report(rows.error());
        return;
    }
    exportCustomerList(*rows, services_, this);
}

} // namespace vdn
