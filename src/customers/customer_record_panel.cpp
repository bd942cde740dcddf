#include "customers/customer_record_panel.h"

#include "platform/message_boxes.h"
#include "platform/twips.h"
#include "platform/whole_characters.h"
#include "widgets/focus_left.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTimer>

namespace vdn {

namespace {

using F = CustomerField;

// What a row of the layout table makes.
enum class Kind {
    Frame,   // a frame (QGroupBox), titled by its caption when there is one
    Caption, // a label; it names the last box made before it
    Box,     // a text box; `number` is the most characters typed (0: no limit)
    Option,  // an option button of its frame's group (id in `number`)
    Memo,    // the observations box
    Hidden,  // a text box loaded from the row and never shown
    Button,
};

using Placed = LayoutRow<Kind>;

// In creation order, which is also the order Tab visits the controls.
const Placed Layout[] = {
    // Identity and telephones.
    {"Txtcod", Kind::Box, nullptr, 1200, 135, 1350, 330, nullptr, 6},
    {nullptr, Kind::Caption, nullptr, 135, 135, 975, 330, "N° client", 0},
    {"txtint", Kind::Box, nullptr, 3420, 135, 1050, 330, nullptr, 5},
    {nullptr, Kind::Caption, nullptr, 2880, 135, 450, 330, "Sigle", 0},
    {"Txtnom", Kind::Box, nullptr, 5310, 135, 4950, 330, nullptr, 30},
    {nullptr, Kind::Caption, nullptr, 4800, 135, 420, 330, "Nom", 0},
    {"txttel", Kind::Box, nullptr, 1200, 555, 2250, 330, nullptr, 15},
    {nullptr, Kind::Caption, nullptr, 135, 555, 975, 330, "Téléphone ", 0},
    {"txtgsm", Kind::Box, nullptr, 4680, 555, 2250, 330, nullptr, 15},
    {nullptr, Kind::Caption, nullptr, 3780, 555, 810, 330, "Portable ", 0},
    {"txtfax", Kind::Box, nullptr, 7665, 555, 2250, 330, nullptr, 15},
    {nullptr, Kind::Caption, nullptr, 7260, 555, 315, 330, "Fax", 0},
    {"txtmail", Kind::Box, nullptr, 1200, 975, 6900, 330, nullptr, 50},
    {nullptr, Kind::Caption, nullptr, 135, 975, 975, 330, "Mail", 0},
    // Address and tariff.
    {"addressGroup", Kind::Frame, nullptr, 135, 1395, 13905, 3015, "Adresse du Client", 0},
    {"txtad1", Kind::Box, "addressGroup", 180, 435, 13545, 330, nullptr, 50},
    {"txtad2", Kind::Box, "addressGroup", 180, 855, 13545, 330, nullptr, 50},
    {"txtad3", Kind::Box, "addressGroup", 180, 1275, 13545, 330, nullptr, 50},
    {"txtcp", Kind::Box, "addressGroup", 180, 1695, 1050, 330, nullptr, 5},
    {"txtvil", Kind::Box, "addressGroup", 1320, 1695, 12405, 330, nullptr, 50},
    {"txtpays", Kind::Box, "addressGroup", 1320, 2115, 12405, 330, nullptr, 50},
    {nullptr, Kind::Caption, "addressGroup", 180, 2115, 1050, 330, "Pays", 0},
    {"Option1_0", Kind::Option, "addressGroup", 180, 2535, 7305, 300, "Particulier (TTC)", 0},
    {"Option1_1", Kind::Option, "addressGroup", 7575, 2535, 6150, 300, "Entreprise (HT)", 1},
    {"txtnic", Kind::Box, "addressGroup", 7575, 2925, 6150, 330, nullptr, 20},
    {"Label4", Kind::Caption, "addressGroup", 180, 2925, 7305, 330, "N° TVA Intracommunautaire", 0},
    // Hand, wrist support, weight.
    {"handGroup", Kind::Frame, nullptr, 14130, 1395, 4635, 1095, nullptr, 0},
    {"Option2_0", Kind::Option, "handGroup", 180, 225, 4275, 300, "Droitier", 0},
    {"Option2_1", Kind::Option, "handGroup", 180, 615, 4275, 300, "Gaucher", 1},
    {"wristGroup", Kind::Frame, nullptr, 14130, 2580, 4635, 1095, nullptr, 0},
    {"Option3_0", Kind::Option, "wristGroup", 180, 225, 4275, 300, "Sans poignet", 0},
    {"Option3_1", Kind::Option, "wristGroup", 180, 615, 4275, 300, "Avec poignet", 1},
    {"txtlbs", Kind::Box, nullptr, 15255, 3765, 1050, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 14130, 3765, 1035, 330, "Poids Boule", 0},
    {nullptr, Kind::Caption, nullptr, 16395, 3765, 345, 330, "LBS", 0},
    // Observations.
    {"memoGroup", Kind::Frame, nullptr, 135, 4500, 18630, 4845, "Observations sur ce client", 0},
    {"txtmemo", Kind::Memo, "memoGroup", 180, 435, 18270, 4230, nullptr, 0},
    // Codes loaded from the row, not shown.
    {"txtdg", Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
    {"txtpoig", Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
    {"txttar", Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
    {"txtetat", Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
    // Validation.
    {"validationGroup", Kind::Frame, nullptr, 135, 9435, 18630, 1125,
     "Validation des modifications ", 0},
    {"cmdvalide", Kind::Button, "validationGroup", 14760, 435, 1800, 510, "Valider", 0},
    {"cmdannule", Kind::Button, "validationGroup", 16650, 435, 1800, 510, "Annuler", 0},
};

// The height the VAT number line takes in the address frame when shown.
constexpr int VatLineHeight = 420;

const Placed& row(const char* name) {
    for (const Placed& p : Layout)
        if (p.name && qstrcmp(p.name, name) == 0)
            return p;
    Q_UNREACHABLE();
}

QRect rectOf(const Placed& p, int growth = 0) {
    return twipsRect(p.left, p.top, p.width, p.height + growth);
}

// The text boxes of the record, the field each carries and whether entering
// the box selects its text so that typing replaces it.
struct BoxRule {
    CustomerField field;
    QLineEdit* CustomerRecordPanel::*member;
    const char* name;
    bool selectOnEntry;
};

} // namespace

using P = CustomerRecordPanel;
struct CustomerRecordTables {
    static const BoxRule boxes[19];
};
const BoxRule CustomerRecordTables::boxes[19] = {
    {F::Cod, &P::Txtcod, "Txtcod", false},    {F::Int, &P::txtint, "txtint", true},
    {F::Nom, &P::Txtnom, "Txtnom", true},     {F::Ad1, &P::txtad1, "txtad1", true},
    {F::Ad2, &P::txtad2, "txtad2", true},     {F::Ad3, &P::txtad3, "txtad3", true},
    {F::Cp, &P::txtcp, "txtcp", true},        {F::Vil, &P::txtvil, "txtvil", true},
    {F::Pays, &P::txtpays, "txtpays", false}, {F::Tel, &P::txttel, "txttel", true},
    {F::Gsm, &P::txtgsm, "txtgsm", true},     {F::Fax, &P::txtfax, "txtfax", true},
    {F::Mail, &P::txtmail, "txtmail", true},  {F::Nic, &P::txtnic, "txtnic", true},
    {F::Lbs, &P::txtlbs, "txtlbs", true},     {F::Tar, &P::txttar, "txttar", false},
    {F::Dg, &P::txtdg, "txtdg", false},       {F::Poig, &P::txtpoig, "txtpoig", false},
    {F::Etat, &P::txtetat, "txtetat", false},
};

namespace {

const auto& Boxes = CustomerRecordTables::boxes;

// The most characters the user may type in a box (0: no limit).
int limitOf(const BoxRule& rule) {
    return row(rule.name).number;
}

// Fields copied as they are from the row into their box when a customer is
// shown (the code, hand and wrist support have their own steps).
const CustomerField Shown[] = {F::Int, F::Nom, F::Ad1, F::Ad2,  F::Ad3, F::Cp,  F::Vil, F::Pays,
                               F::Tel, F::Gsm, F::Fax, F::Mail, F::Nic, F::Lbs, F::Tar, F::Etat};

// Written as typed.
const CustomerField AsTyped[] = {F::Int,  F::Ad1, F::Ad2, F::Ad3, F::Cp,   F::Vil,
                                 F::Pays, F::Tel, F::Gsm, F::Fax, F::Mail, F::Lbs};

// A number as the weight box accepts it: digits with an optional sign and
// one decimal separator, blanks around.
bool isNumber(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)\\s*$"));
    return re.match(text).hasMatch();
}

} // namespace

CustomerRecordPanel::CustomerRecordPanel(const Services& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    setObjectName(QStringLiteral("Frame100"));
    setAutoFillBackground(true);
    build();
    for (const BoxRule& rule : Boxes) {
        QLineEdit* edit = this->*rule.member;
        if (limitOf(rule) > 0)
            edit->setMaxLength(limitOf(rule));
        keepWholeCharacters(edit);
        if (rule.selectOnEntry)
            edit->installEventFilter(this);
    }
    Txtcod->installEventFilter(this);

    connect(Option1, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            tariffChoice(id);
    });
    connect(cmdvalide, &QPushButton::clicked, this, &CustomerRecordPanel::validateClicked);
    connect(cmdannule, &QPushButton::clicked, this, &CustomerRecordPanel::cancelRequested);
    connect(Txtcod, &QLineEdit::textChanged, this, [this](const QString& code) {
        if (!filling_)
            emit codeChanged(code);
    });
    efface_client();
}

void CustomerRecordPanel::build() {
    QMap<QString, QButtonGroup*> groups;
    QWidget* lastBox = nullptr;
    for (const Placed& p : Layout) {
        QWidget* in = p.in ? findChild<QWidget*>(QLatin1String(p.in)) : this;
        const QString text = QString::fromUtf8(p.caption ? p.caption : "");
        QWidget* made = nullptr;
        switch (p.kind) {
        case Kind::Frame:
            made = new QGroupBox(text, in);
            break;
        case Kind::Caption: {
            auto* l = new QLabel(text, in);
            l->setBuddy(lastBox);
            made = l;
            break;
        }
        case Kind::Box:
        case Kind::Hidden:
            made = lastBox = new QLineEdit(in);
            if (p.kind == Kind::Hidden)
                made->hide();
            break;
        case Kind::Option: {
            auto* b = new QRadioButton(text, in);
            QButtonGroup*& group = groups[QLatin1String(p.in)];
            if (!group)
                group = new QButtonGroup(this);
            group->addButton(b, p.number);
            made = b;
            break;
        }
        case Kind::Memo: {
            auto* t = new QPlainTextEdit(in);
            // Tab moves on to the next box.
            t->setTabChangesFocus(true);
            made = t;
            break;
        }
        case Kind::Button:
            made = new QPushButton(text, in);
            break;
        }
        if (p.name)
            made->setObjectName(QLatin1String(p.name));
        made->setGeometry(rectOf(p));
    }

    for (const BoxRule& rule : Boxes)
        this->*rule.member = findChild<QLineEdit*>(QLatin1String(rule.name));
    auto named = [this]<class W>(W*& member, const char* name) {
        member = findChild<W*>(QLatin1String(name));
    };
    named(addressGroup, "addressGroup");
    named(memoGroup, "memoGroup");
    named(validationGroup, "validationGroup");
    named(Label4, "Label4");
    named(txtmemo, "txtmemo");
    named(Option1_0, "Option1_0");
    named(Option1_1, "Option1_1");
    named(Option2_0, "Option2_0");
    named(Option2_1, "Option2_1");
    named(Option3_0, "Option3_0");
    named(Option3_1, "Option3_1");
    named(cmdvalide, "cmdvalide");
    named(cmdannule, "cmdannule");
    Option1 = groups.value(QStringLiteral("addressGroup"));
    Option2 = groups.value(QStringLiteral("handGroup"));
    Option3 = groups.value(QStringLiteral("wristGroup"));
    // Cancelling takes no focus, so that leaving a box does not check an
    // entry that is being abandoned.
    cmdannule->setFocusPolicy(Qt::TabFocus);
}

void CustomerRecordPanel::showVatNumber(bool shown) {
    Label4->setVisible(shown);
    txtnic->setVisible(shown);
    const int room = shown ? VatLineHeight : 0;
    addressGroup->setGeometry(rectOf(row("addressGroup"), room));
    const Placed& memo = row("memoGroup");
    memoGroup->setGeometry(rectOf(memo, -room).translated(0, px(room)));
    txtmemo->setGeometry(rectOf(row("txtmemo"), -room));
}

QLineEdit* CustomerRecordPanel::box(CustomerField field) const {
    for (const BoxRule& rule : Boxes)
        if (rule.field == field)
            return this->*rule.member;
    return nullptr;
}

void CustomerRecordPanel::efface_client() {
    const QScopedValueRollback<bool> filling(filling_, true);
    loaded_ = CustomerRecord();
    for (const BoxRule& rule : Boxes) {
        QLineEdit* edit = this->*rule.member;
        if (rule.field != F::Cod)
            edit->clear();
        // A longer stored value may have widened the box; typing keeps to
        // the limit again.
        if (limitOf(rule) > 0 && edit->maxLength() != limitOf(rule))
            edit->setMaxLength(limitOf(rule));
    }
    txtmemo->clear();
    txtdg->setText(QStringLiteral("D"));
    txtpoig->setText(QStringLiteral("S"));
    txtlbs->setText(QStringLiteral("0"));
    Option1_0->setChecked(true);
    Option2_0->setChecked(true);
    Option3_0->setChecked(true);
    txttar->setText(QStringLiteral("T"));
    showVatNumber(false);
}

void CustomerRecordPanel::display(const CustomerRecord& customer) {
    const QScopedValueRollback<bool> filling(filling_, true);
    efface_client();
    loaded_ = customer;
    // A box shows the whole stored value, even one longer than what may be
    // typed, so that saving the customer again loses nothing.
    auto put = [](QLineEdit* edit, const QString& value) {
        if (edit->maxLength() < value.size())
            edit->setMaxLength(int(value.size()));
        edit->setText(value);
    };
    put(Txtcod, customer.text(F::Cod));
    for (CustomerField f : Shown)
        if (customer[f])
            put(box(f), *customer[f]);
    if (customer[F::Memo])
        txtmemo->setPlainText(*customer[F::Memo]);

    if (txttar->text() == QLatin1String("H")) {
        Option1_1->setChecked(true);
        showVatNumber(true);
    } else if (txttar->text() == QLatin1String("T")) {
        Option1_0->setChecked(true);
        showVatNumber(false);
    }
    if (customer[F::Dg]) {
        txtdg->setText(*customer[F::Dg]);
        if (txtdg->text() == QLatin1String("D"))
            Option2_0->setChecked(true);
        else if (txtdg->text() == QLatin1String("G"))
            Option2_1->setChecked(true);
    }
    if (customer[F::Poig]) {
        txtpoig->setText(*customer[F::Poig]);
        if (txtpoig->text() == QLatin1String("S"))
            Option3_0->setChecked(true);
        else if (txtpoig->text() == QLatin1String("A"))
            Option3_1->setChecked(true);
    }
}

CustomerRecord CustomerRecordPanel::shown() const {
    CustomerRecord r;
    for (const BoxRule& rule : Boxes)
        r.set(rule.field, (this->*rule.member)->text());
    r.set(F::Memo, txtmemo->toPlainText());
    return r;
}

CustomerRecord CustomerRecordPanel::ecrit_client() {
    if (Option1_0->isChecked())
        txtnic->clear();
    CustomerRecord r;
    r.revision = loaded_.revision;
    r.set(F::Cod, formatCustomerCode(Txtcod->text()));
    r.set(F::Nom, Txtnom->text().toUpper());
    for (CustomerField f : AsTyped)
        r.set(f, box(f)->text());
    r.set(F::Memo, txtmemo->toPlainText());
    r.set(F::Nic, txtnic->text());
    r.set(F::Tar, Option1_1->isChecked() ? QStringLiteral("H") : QStringLiteral("T"));
    r.set(F::Dg, Option2_1->isChecked() ? QStringLiteral("G") : QStringLiteral("D"));
    r.set(F::Poig, Option3_1->isChecked() ? QStringLiteral("A") : QStringLiteral("S"));
    r.set(F::Etat, txtetat->text());
    return r;
}

bool CustomerRecordPanel::hasChanges() const {
    const CustomerRecord now = shown();
    for (int i = 0; i < CustomerFieldCount; ++i)
        if (now.text(CustomerField(i)) != baseline_.text(CustomerField(i)))
            return true;
    return false;
}

QString CustomerRecordPanel::code() const {
    return Txtcod->text();
}

void CustomerRecordPanel::setCode(const QString& code) {
    if (Txtcod->maxLength() < code.size())
        Txtcod->setMaxLength(int(code.size()));
    Txtcod->setText(code);
}

void CustomerRecordPanel::setCodeEditable(bool editable) {
    Txtcod->setReadOnly(!editable);
}

QString CustomerRecordPanel::name() const {
    return Txtnom->text();
}

void CustomerRecordPanel::focusFirstField() {
    txtint->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::focusCode() {
    Txtcod->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::focusName() {
    Txtnom->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::tariffChoice(int index) {
    const bool business = index == 1;
    txttar->setText(business ? QStringLiteral("H") : QStringLiteral("T"));
    showVatNumber(business);
}

void CustomerRecordPanel::weightCheck() {
    if (isNumber(txtlbs->text()))
        return;
    services_.boxes->message(window(), QStringLiteral("poids non conforme"));
    txtlbs->setText(QStringLiteral("0"));
}

bool CustomerRecordPanel::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn && edit != Txtcod) {
        edit->selectAll();
        // A click places the cursor after the focus arrives: select again
        // once the click is done.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    } else if (event->type() == QEvent::FocusOut) {
        const bool left = focusLeftForGood(*edit, *static_cast<QFocusEvent*>(event));
        if (left && edit == Txtcod)
            emit codeLeft();
        else if (left && edit == txtlbs)
            weightCheck();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vdn
