#include "customers/customer_list_panel.h"

#include "platform/whole_characters.h"

#include "customers/customer_list_model.h"
#include "widgets/text_cell_delegate.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace vdn {

namespace {

template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

// Column widths in pixels, by CustomerColumn.
constexpr int ColumnWidths[CustomerColumnCount] = {70, 230, 260, 60, 190, 130, 130, 90};

} // namespace

CustomerListPanel::CustomerListPanel(CustomerStore& store, QWidget* parent)
    : QWidget(parent), store_(store) {
    setObjectName(QStringLiteral("Frame200"));
    setAutoFillBackground(true);

    Label1 = named(new QLabel(QStringLiteral("Nom Client "), this), "Label1");
    selnom = named(new QLineEdit(this), "selnom");
    selnom->setMaxLength(30);
    selnom->setFixedWidth(320);
    Label1->setBuddy(selnom);

    gridGroup = named(new QGroupBox(QStringLiteral("LES CLIENTS"), this), "gridGroup");
    model_ = new CustomerListModel(store_, this);
    model_->setObjectName(QStringLiteral("Data1"));
    DBGrid1 = named(new QTableView(gridGroup), "DBGrid1");
    DBGrid1->setModel(model_);
    DBGrid1->setItemDelegate(new TextCellDelegate(DBGrid1));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setAlternatingRowColors(true);
    // The scroll bar stays, enabled or not, so that the grid keeps its width
    // whatever a search finds. Were it to come and go, each keystroke from
    // a screenful of rows to a few (or back) would resize the grid after its
    // first drawing and have every cell drawn again.
    DBGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // New rows are laid out at once, so that the grid draws them once: left
    // to itself, the view lays them out on a later turn of the event loop
    // and then draws every cell again. The headings first: their own layout
    // would ask the grid's again.
    connect(model_, &QAbstractItemModel::modelReset, DBGrid1, [this] {
        DBGrid1->horizontalHeader()->doItemsLayout();
        DBGrid1->verticalHeader()->doItemsLayout();
        DBGrid1->doItemsLayout();
    });
    DBGrid1->setSortingEnabled(false); // the heading click asks the database
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->horizontalHeader()->setSectionsClickable(true);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < CustomerColumnCount; ++c)
        DBGrid1->setColumnWidth(c, ColumnWidths[c]);
    auto* gridLayout = new QVBoxLayout(gridGroup);
    gridLayout->addWidget(DBGrid1);

    choiceGroup = named(new QGroupBox(QStringLiteral("Votre choix"), this), "choiceGroup");
    cmdajout = named(new QPushButton(QStringLiteral("Nouveau client"), choiceGroup), "cmdajout");
    cmdsupprime =
        named(new QPushButton(QStringLiteral("Supprimer le client"), choiceGroup), "cmdsupprime");
    cmdimp = named(new QPushButton(QStringLiteral("Imprimer la liste"), choiceGroup), "cmdimp");
    cmdexcel =
        named(new QPushButton(QStringLiteral("Exporter vers le tableur"), choiceGroup), "cmdexcel");
    auto* choiceLayout = new QHBoxLayout(choiceGroup);
    for (QPushButton* b : {cmdajout, cmdsupprime, cmdimp, cmdexcel}) {
        b->setMinimumHeight(34);
        choiceLayout->addWidget(b);
    }

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(Label1);
    searchRow->addWidget(selnom);
    searchRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(gridGroup, 1);
    layout->addWidget(choiceGroup);

    connect(selnom, &QLineEdit::textChanged, this, &CustomerListPanel::searchChanged);
    connect(cmdajout, &QPushButton::clicked, this, &CustomerListPanel::newCustomerClicked);
    connect(cmdsupprime, &QPushButton::clicked, this, &CustomerListPanel::deleteCustomerClicked);
    connect(cmdimp, &QPushButton::clicked, this, &CustomerListPanel::printClicked);
    connect(cmdexcel, &QPushButton::clicked, this, &CustomerListPanel::exportClicked);
    keepWholeCharacters(selnom);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section >= 0 && section < CustomerColumnCount)
            emit headingClicked(static_cast<CustomerColumn>(section));
    });
    connect(DBGrid1, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit rowClicked(model_->code(index.row()));
    });
    // Return or Enter in the grid or the search box opens the grid's current
    // row, as a click on it does.
    auto openCurrent = [this] {
        if (const std::optional<QString> code = currentCode())
            emit rowClicked(*code);
    };
    connect(selnom, &QLineEdit::returnPressed, this, openCurrent);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        new QShortcut(QKeySequence(key), DBGrid1, openCurrent, Qt::WidgetShortcut);
    // Ctrl+End goes to the last customer of the whole list, as in any grid,
    // without reading the rows in between; Ctrl+Home back to the first.
    auto* toEnd = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_End), DBGrid1, [this] {
        model_->showEnd();
        if (const int rows = model_->rowCount(); rows > 0) {
            DBGrid1->setCurrentIndex(model_->index(rows - 1, currentColumn()));
            DBGrid1->scrollToBottom();
        }
    });
    toEnd->setContext(Qt::WidgetShortcut);
    auto* toStart = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home), DBGrid1, [this] {
        if (model_->canFetchEarlier())
            (void)runQuery(model_->query());
        if (model_->rowCount() > 0) {
            DBGrid1->setCurrentIndex(model_->index(0, currentColumn()));
            DBGrid1->scrollToTop();
        }
    });
    toStart->setContext(Qt::WidgetShortcut);
    // Scrolled up to the first row read from the end: the page before it
    // comes in front, the rows on screen staying where they are.
    // Queued: the bar also moves while the model resets.
    connect(
        DBGrid1->verticalScrollBar(), &QScrollBar::valueChanged, this,
        [this] {
            QScrollBar* bar = DBGrid1->verticalScrollBar();
            if (bar->value() != bar->minimum() || !model_->canFetchEarlier())
                return;
            const int top = std::max(0, DBGrid1->rowAt(0));
            if (const int came = model_->fetchEarlier(); came > 0)
                DBGrid1->scrollTo(model_->index(top + came, 0), QAbstractItemView::PositionAtTop);
        },
        Qt::QueuedConnection);
}

int CustomerListPanel::currentColumn() const {
    const QModelIndex current = DBGrid1->currentIndex();
    return current.isValid() ? current.column() : 0;
}

Status CustomerListPanel::runQuery(const CustomerQuery& query) {
    if (Status s = model_->setQuery(query); !s)
        return s;
    // Like a data control, the list stands on its first row. Rows the model
    // kept were not reset: the grid goes back to the first row as a reset
    // and a new current row would take it there.
    if (model_->rowCount() > 0) {
        const QModelIndex first = model_->index(0, 0);
        const bool kept = DBGrid1->currentIndex() == first;
        DBGrid1->setCurrentIndex(first);
        if (kept && DBGrid1->isVisible() && DBGrid1->hasAutoScroll())
            DBGrid1->scrollTo(first);
    }
    return {};
}

Status CustomerListPanel::runQueryShowing(const CustomerQuery& query, const QString& code) {
    Result<int> row = model_->setQueryShowing(query, code);
    if (!row)
        return row.error();
    if (model_->rowCount() > 0) {
        const QModelIndex current = model_->index(std::max(0, *row), 0);
        DBGrid1->setCurrentIndex(current);
        DBGrid1->scrollTo(current);
    }
    return {};
}

const CustomerQuery& CustomerListPanel::shownQuery() const {
    return model_->query();
}

std::optional<QString> CustomerListPanel::currentCode() const {
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return model_->code(current.row());
}

void CustomerListPanel::clearSearch() {
    const QSignalBlocker quiet(selnom);
    selnom->clear();
}

void CustomerListPanel::release() {
    model_->clear();
}

} // namespace vdn
