#include "reference/vdn_param.h"

#include "data/connection.h"
#include "data/globals.h"
#include "platform/message_boxes.h"
#include "platform/twips.h"
#include "platform/whole_characters.h"
#include "reference/param_store.h"
#include "reference/param_values_model.h"
#include "session/error_box.h"
#include "widgets/focus_left.h"
#include "widgets/pictures.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace vdn {

namespace {

const QString ChooseTable = QStringLiteral("Veuillez choisir votre table de paramètres");

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Names a control and puts it at its place, in pixels.
template <class W> W* placed(W* widget, const char* name, QRect geometry) {
    widget->setGeometry(geometry);
    return named(widget, name);
}

QToolButton* pictureButton(QWidget* parent, const char* name, const QPixmap& picture,
                           const QString& tip, QRect geometry) {
    auto* b = named(new QToolButton(parent), name);
    b->setIcon(QIcon(picture));
    b->setIconSize(QSize(geometry.width() - 8, geometry.height() - 8));
    b->setGeometry(geometry);
    b->setToolTip(tip);
    // Clicking a button leaves the focus where it is, so that the numeric
    // entry is checked once, by the button itself, not also on leaving txt2.
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

VdnParam::VdnParam(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("VDN_param"));
    setWindowTitle(QStringLiteral("Gestion des paramètres"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(px(11235), px(8625));
    buildControls();
}

VdnParam::~VdnParam() = default;

void VdnParam::buildControls() {
    Combo1 = placed(new QComboBox(this), "Combo1", twipsRect(240, 240, 6615, 330));
    Combo3 = placed(new QComboBox(this), "Combo3", twipsRect(240, 600, 6615, 330));
    Combo2 = placed(new QComboBox(this), "Combo2", twipsRect(240, 960, 6615, 330));
    for (QComboBox* c : {Combo1, Combo3, Combo2})
        c->setMaxVisibleItems(12);
    connect(Combo1, &QComboBox::activated, this, &VdnParam::groupChosen);
    connect(Combo3, &QComboBox::activated, this, &VdnParam::tableChosen);

    Frame3 = placed(new QGroupBox(QStringLiteral("Nouvelles valeurs de ce paramètrage"), this),
                    "Frame3", twipsRect(240, 1560, 10815, 1215));
    Txt0 = placed(new QLineEdit(Frame3), "Txt0", twipsRect(240, 480, 7935, 405));
    txt1 = placed(new QLineEdit(Frame3), "txt1", twipsRect(240, 480, 4815, 405));
    Txt6 = placed(new QLineEdit(Frame3), "Txt6", twipsRect(3840, 600, 1935, 405));
    txt2 = placed(new QLineEdit(Frame3), "txt2", twipsRect(960, 600, 1935, 405));
    txt2->installEventFilter(this);
    // The entry limits come from the catalogue; txt2 has none.
    for (const BallCode& c : ballCodes())
        if (c.entryMaxLength > 0)
            entryBox(c.entryBox)->setMaxLength(c.entryMaxLength);
    for (QLineEdit* box : {Txt0, txt1, Txt6, txt2})
        keepWholeCharacters(box);
    cmdvalide3 =
        pictureButton(Frame3, "cmdvalide3", pictures::validate(28),
                      QStringLiteral("Enregistrer la valeur"), twipsRect(9360, 360, 495, 495));
    cmdannule3 =
        pictureButton(Frame3, "cmdannule3", pictures::cancel(28),
                      QStringLiteral("Abandonner la saisie"), twipsRect(10080, 360, 495, 495));
    connect(cmdvalide3, &QToolButton::clicked, this, &VdnParam::storeValue);
    connect(cmdannule3, &QToolButton::clicked, this, &VdnParam::closeEntry);

    // The grid's caption sits in a bar across its top, as on the old grid.
    const QRect grid = twipsRect(240, 2880, 8895, 4815);
    gridCaption = named(new QLabel(QStringLiteral("Les codifications des paramètres"), this),
                        "DBGrid1_caption");
    gridCaption->setGeometry(grid.left(), grid.top(), grid.width(), 22);
    gridCaption->setAlignment(Qt::AlignCenter);
    gridCaption->setAutoFillBackground(true);
    gridCaption->setFrameShape(QFrame::Box);
    QPalette captionPalette = gridCaption->palette();
    captionPalette.setColor(QPalette::Window, QColor(0, 0, 128));
    captionPalette.setColor(QPalette::WindowText, Qt::white);
    gridCaption->setPalette(captionPalette);

    model_ = new ParamValuesModel(this);
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    DBGrid1->setGeometry(grid.left(), grid.top() + 21, grid.width(), grid.height() - 21);
    DBGrid1->setModel(model_);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);
    DBGrid1->verticalHeader()->setFixedWidth(24);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    QPalette gridPalette = DBGrid1->palette();
    gridPalette.setColor(QPalette::Base, QColor(255, 255, 204));
    DBGrid1->setPalette(gridPalette);

    Frame31 = placed(new QGroupBox(QStringLiteral("Valeurs"), this), "Frame31",
                     twipsRect(9600, 3240, 1215, 2415));
    cmdajout3 = pictureButton(Frame31, "cmdajout3", pictures::add(28),
                              QStringLiteral("Ajouter une valeur"), twipsRect(360, 600, 495, 495));
    cmdsup3 = pictureButton(Frame31, "cmdsup3", pictures::remove(28),
                            QStringLiteral("Supprimer la valeur choisie"),
                            twipsRect(360, 1560, 495, 495));
    connect(cmdajout3, &QToolButton::clicked, this, &VdnParam::openEntry);
    connect(cmdsup3, &QToolButton::clicked, this, &VdnParam::deleteValue);

    Combo2->hide();
    Combo3->hide();
    Frame3->hide();
    Frame31->hide();
    showGrid(false);
}

QLineEdit* VdnParam::entryBox(EntryBox box) const {
    switch (box) {
    case EntryBox::Txt0:
        return Txt0;
    case EntryBox::Txt1:
        return txt1;
    case EntryBox::Txt6:
        return Txt6;
    case EntryBox::Txt2:
        break;
    }
    return txt2;
}

const BallCode* VdnParam::currentCode() const {
    if (txtpar_table.isEmpty())
        return nullptr;
    return ballCode(txtpar_table.toInt());
}

void VdnParam::showGrid(bool visible) {
    gridCaption->setVisible(visible);
    DBGrid1->setVisible(visible);
}

void VdnParam::load() {
    Result<std::unique_ptr<Connection>> c = Connection::open(databasePath());
    if (!c) {
        erreur_donnees(c.error(), services_, this);
        return;
    }
    connection_ = std::move(*c);
    store_ = std::make_unique<ParamStore>(connection_->db());
    Combo2->hide();
    Combo3->hide();
    Frame3->hide();
    Frame31->hide();
    showGrid(false);
    Combo1->clear();
    Combo1->addItems({ChooseTable, sheetGroupTitle(), ballGroupTitle()});
    Combo1->setCurrentIndex(0);
}

void VdnParam::groupChosen(int index) {
    if (index == 1) {
        // The drilling sheet tables are filled by registration only: the
        // hidden list is prepared and the group list stays usable.
        Combo2->clear();
        Combo2->addItems({ChooseTable, QStringLiteral(" "), QString()});
        Combo2->setCurrentIndex(0);
        return;
    }
    if (index != 2)
        return;
    Combo1->setEnabled(false);
    Combo3->clear();
    Combo3->addItem(ChooseTable);
    for (const BallCode& c : ballCodes())
        Combo3->addItem(c.title);
    Combo3->setCurrentIndex(0);
    Combo3->show();
}

void VdnParam::tableChosen(int index) {
    if (index < 1 || index > ballCodes().size())
        return;
    txtpar_table = QString::number(ballCodes().at(index - 1).code);
    Combo3->setEnabled(false);
    refreshOrReport();
    showGrid(true);
    Frame31->show();
}

void VdnParam::openEntry() {
    const BallCode* code = currentCode();
    if (!code)
        return;
    for (QLineEdit* box : {Txt0, txt1, txt2, Txt6})
        box->hide();
    Frame3->show();
    QLineEdit* box = entryBox(code->entryBox);
    if (code->numeric)
        box->setText(QStringLiteral("0"));
    else
        box->clear();
    box->show();
    box->setFocus(Qt::OtherFocusReason);
}

bool VdnParam::settleEntry() {
    const BallCode* code = currentCode();
    if (!code || Frame3->isHidden())
        return true;
    // What the entry opened with (0 for a number) is nothing typed.
    const QString typed = entryBox(code->entryBox)->text();
    if (typed.trimmed().isEmpty() || (code->numeric && typed == QLatin1String("0")))
        return true;
    // Closing the window drops a value not added: Enter keeps it so.
    switch (services_.boxes->questionWithCancel(
        this, QStringLiteral("Enregistrer la valeur saisie « %1 » ?").arg(typed), Answer::No)) {
    case Answer::No:
        return true;
    case Answer::Cancel:
        return false;
    case Answer::Yes:
        break;
    }
    storeValue();
    // A refused value leaves the entry open, to be mended.
    return Frame3->isHidden();
}

void VdnParam::closeEntry() {
    Frame3->hide();
}

bool VdnParam::checkNumericEntry() {
    const BallCode* code = currentCode();
    if (!code || !code->numeric)
        return true;
    const NumericEntry entry = applyNumericRule(*code->numeric, txt2->text());
    if (entry.outcome != NumericEntry::Outcome::NotNumeric)
        txt2->setText(entry.formatted);
    if (entry.outcome == NumericEntry::Outcome::Accepted)
        return true;
    services_.boxes->message(this, entry.message);
    txt2->setFocus(Qt::OtherFocusReason);
    txt2->selectAll(); // the focus may never have left: select all the same
    return false;
}

void VdnParam::storeValue() {
    const BallCode* code = currentCode();
    if (!code || !store_ || Frame3->isHidden())
        return;
    QString value;
    if (code->entryBox == EntryBox::Txt2) {
        // The rule runs here too: the user may click without leaving txt2.
        if (!checkNumericEntry())
            return;
        value = txt2->text();
    } else {
        value = entryBox(code->entryBox)->text();
        if (code->upperCase)
            value = value.toUpper();
    }
    Result<bool> added = store_->addIfNew(code->code, value);
    if (!added) {
        // The entry stays open with what was typed, so it can be tried again.
        erreur_donnees(added.error(), services_, this);
        return;
    }
    if (!*added)
        services_.boxes->message(this, QStringLiteral("Cette valeur existe déjà"));
    Frame3->hide();
    refreshOrReport(*added ? value : QString());
    cmdajout3->setFocus(Qt::OtherFocusReason);
}

void VdnParam::deleteValue() {
    const BallCode* code = currentCode();
    if (!code || !store_)
        return;
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid())
        return; // an empty list has nothing to delete
    const int row = current.row();
    const QString value = model_->index(row, ParamValuesModel::ValeursPossibles).data().toString();
    const bool yes = services_.boxes->question(
        this, QStringLiteral("Etes-vous sûr de vouloir supprimer la valeur : ") + value +
                  QStringLiteral(" ? "));
    if (yes) {
        if (Status s = store_->remove(code->code, value); !s) {
            erreur_donnees(s.error(), services_, this);
            return;
        }
    }
    refreshOrReport(yes ? QString() : value, row);
}

Status VdnParam::refreshList(const QString& select, int row) {
    const BallCode* code = currentCode();
    if (!code || !store_)
        return {};
    Result<QStringList> values = store_->values(code->code, code->maintenanceOrder);
    if (!values)
        return values.error();
    model_->setValues(*values);
    if (values->isEmpty())
        return {};
    if (!select.isNull() && values->contains(select))
        row = int(values->indexOf(select));
    row = std::clamp(row, 0, int(values->size()) - 1);
    const QModelIndex index = model_->index(row, ParamValuesModel::ValeursPossibles);
    DBGrid1->setCurrentIndex(index);
    DBGrid1->scrollTo(index);
    return {};
}

void VdnParam::refreshOrReport(const QString& select, int row) {
    if (Status s = refreshList(select, row); !s)
        erreur_donnees(s.error(), services_, this);
}

bool VdnParam::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txt2 && event->type() == QEvent::FocusIn) {
        // Typing replaces the whole value. A click places the cursor after
        // the focus arrives, so select again once it is done.
        txt2->selectAll();
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, txt2, &QLineEdit::selectAll);
    } else if (watched == txt2 && event->type() == QEvent::FocusOut) {
        // The rule runs once the focus has settled on its new widget, so
        // that putting it back in txt2 leaves txt2 fully focused.
        if (focusLeftForGood(*txt2, *static_cast<QFocusEvent*>(event)))
            QTimer::singleShot(0, this, [this] {
                // A box hidden with its panel, or a window being closed, is no
                // longer being entered.
                if (txt2->isVisible())
                    checkNumericEntry();
            });
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vdn
