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
#include <QScopedValueRollback>
#include <QTimer>

namespace vdn {

namespace {

using F = CustomerField;

// What a row of the layout table makes.
enum class Kind {
    Frame,   // a frame (QGroupBox), titled by its caption when there is one
    Caption, // a label; it names the last box made before it
    Box,     // a field's text box (its limit is the field's)
    Option,  // an option button of its frame's group (id in `number`)
    Memo,    // the observations box
    Hidden,  // a field's text box loaded from the row and never shown
    Button,
};

using Placed = LayoutRow<Kind>;

// In creation order, which is also the order Tab visits the controls. A
// field's control is named by its row of CustomerFields.
const Placed Layout[] = {
    // Identity and telephones.
    {controlName(F::Cod), Kind::Box, nullptr, 1200, 135, 1350, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 135, 135, 975, 330, "N° client", 0},
    {controlName(F::Int), Kind::Box, nullptr, 3420, 135, 1050, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 2880, 135, 450, 330, "Sigle", 0},
    {controlName(F::Nom), Kind::Box, nullptr, 5310, 135, 4950, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 4800, 135, 420, 330, "Nom", 0},
    {controlName(F::Tel), Kind::Box, nullptr, 1200, 555, 2250, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 135, 555, 975, 330, "Téléphone ", 0},
    {controlName(F::Gsm), Kind::Box, nullptr, 4680, 555, 2250, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 3780, 555, 810, 330, "Portable ", 0},
    {controlName(F::Fax), Kind::Box, nullptr, 7665, 555, 2250, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 7260, 555, 315, 330, "Fax", 0},
    {controlName(F::Mail), Kind::Box, nullptr, 1200, 975, 6900, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 135, 975, 975, 330, "Mail", 0},
    // Address and tariff.
    {"addressGroup", Kind::Frame, nullptr, 135, 1395, 13905, 3015, "Adresse du Client", 0},
    {controlName(F::Ad1), Kind::Box, "addressGroup", 180, 435, 13545, 330, nullptr, 0},
    {controlName(F::Ad2), Kind::Box, "addressGroup", 180, 855, 13545, 330, nullptr, 0},
    {controlName(F::Ad3), Kind::Box, "addressGroup", 180, 1275, 13545, 330, nullptr, 0},
    {controlName(F::Cp), Kind::Box, "addressGroup", 180, 1695, 1050, 330, nullptr, 0},
    {controlName(F::Vil), Kind::Box, "addressGroup", 1320, 1695, 12405, 330, nullptr, 0},
    {controlName(F::Pays), Kind::Box, "addressGroup", 1320, 2115, 12405, 330, nullptr, 0},
    {nullptr, Kind::Caption, "addressGroup", 180, 2115, 1050, 330, "Pays", 0},
    {"Option1_0", Kind::Option, "addressGroup", 180, 2535, 7305, 300, "Particulier (TTC)", 0},
    {"Option1_1", Kind::Option, "addressGroup", 7575, 2535, 6150, 300, "Entreprise (HT)", 1},
    {controlName(F::Nic), Kind::Box, "addressGroup", 7575, 2925, 6150, 330, nullptr, 0},
    {"Label4", Kind::Caption, "addressGroup", 180, 2925, 7305, 330, "N° TVA Intracommunautaire", 0},
    // Hand, wrist support, weight.
    {"handGroup", Kind::Frame, nullptr, 14130, 1395, 4635, 1095, nullptr, 0},
    {"Option2_0", Kind::Option, "handGroup", 180, 225, 4275, 300, "Droitier", 0},
    {"Option2_1", Kind::Option, "handGroup", 180, 615, 4275, 300, "Gaucher", 1},
    {"wristGroup", Kind::Frame, nullptr, 14130, 2580, 4635, 1095, nullptr, 0},
    {"Option3_0", Kind::Option, "wristGroup", 180, 225, 4275, 300, "Sans poignet", 0},
    {"Option3_1", Kind::Option, "wristGroup", 180, 615, 4275, 300, "Avec poignet", 1},
    {controlName(F::Lbs), Kind::Box, nullptr, 15255, 3765, 1050, 330, nullptr, 0},
    {nullptr, Kind::Caption, nullptr, 14130, 3765, 1035, 330, "Poids Boule", 0},
    {nullptr, Kind::Caption, nullptr, 16395, 3765, 345, 330, "LBS", 0},
    // Observations.
    {"memoGroup", Kind::Frame, nullptr, 135, 4500, 18630, 4845, "Observations sur ce client", 0},
    {controlName(F::Memo), Kind::Memo, "memoGroup", 180, 435, 18270, 4230, nullptr, 0},
    // Codes loaded from the row, not shown.
    {controlName(F::Dg), Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
    {controlName(F::Poig), Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
    {controlName(F::Tar), Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
    {controlName(F::Etat), Kind::Hidden, nullptr, 0, 0, 0, 0, nullptr, 0},
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

// The fields that have a text box (every one but the observations).
bool hasBox(const CustomerFieldInfo& f) {
    return f.kind != FieldControl::Memo;
}

} // namespace

CustomerRecordPanel::CustomerRecordPanel(const Services& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    setObjectName(QStringLiteral("Frame100"));
    setAutoFillBackground(true);
    build();
    for (const CustomerFieldInfo& f : CustomerFields) {
        if (!hasBox(f))
            continue;
        QLineEdit* edit = box(f.field);
        if (f.limit > 0)
            edit->setMaxLength(f.limit);
        keepWholeCharacters(edit);
        // The code box has its own steps when it is left.
        if (f.selectsOnEntry || f.rule == FieldRule::Code)
            edit->installEventFilter(this);
    }

    connect(Option1, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            tariffChoice(id);
    });
    connect(cmdvalide, &QPushButton::clicked, this, &CustomerRecordPanel::validateClicked);
    connect(cmdannule, &QPushButton::clicked, this, &CustomerRecordPanel::cancelRequested);
    connect(box(F::Cod), &QLineEdit::textChanged, this, [this](const QString& code) {
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

    for (const CustomerFieldInfo& f : CustomerFields)
        if (hasBox(f))
            boxes_[std::size_t(f.field)] = findChild<QLineEdit*>(QLatin1String(f.control));
    auto named = [this]<class W>(W*& member, const char* name) {
        member = findChild<W*>(QLatin1String(name));
    };
    named(addressGroup, "addressGroup");
    named(memoGroup, "memoGroup");
    named(validationGroup, "validationGroup");
    named(Label4, "Label4");
    named(txtmemo, controlName(F::Memo));
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
    box(F::Nic)->setVisible(shown);
    const int room = shown ? VatLineHeight : 0;
    addressGroup->setGeometry(rectOf(row("addressGroup"), room));
    const Placed& memo = row("memoGroup");
    memoGroup->setGeometry(rectOf(memo, -room).translated(0, px(room)));
    txtmemo->setGeometry(rectOf(row("txtmemo"), -room));
}

QLineEdit* CustomerRecordPanel::box(CustomerField field) const {
    return boxes_[std::size_t(field)];
}

void CustomerRecordPanel::efface_client() {
    const QScopedValueRollback<bool> filling(filling_, true);
    loaded_ = CustomerRecord();
    for (const CustomerFieldInfo& f : CustomerFields) {
        if (!hasBox(f))
            continue;
        QLineEdit* edit = box(f.field);
        // A new customer's value; the code stays.
        if (f.newValue)
            edit->setText(newCustomerValue(f.field));
        else if (f.rule != FieldRule::Code)
            edit->clear();
        // A longer stored value may have widened the box; typing keeps to
        // the limit again.
        if (f.limit > 0 && edit->maxLength() != f.limit)
            edit->setMaxLength(f.limit);
    }
    txtmemo->clear();
    Option1_0->setChecked(true);
    Option2_0->setChecked(true);
    Option3_0->setChecked(true);
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
    put(box(F::Cod), customer.text(F::Cod));
    // Every other field as stored; a null one keeps its cleared value.
    for (const CustomerFieldInfo& f : CustomerFields)
        if (hasBox(f) && f.rule != FieldRule::Code && customer[f.field])
            put(box(f.field), *customer[f.field]);
    if (customer[F::Memo])
        txtmemo->setPlainText(*customer[F::Memo]);

    // The option of a letter the record knows; another letter is kept as it
    // is, with the options left as they were.
    const auto choose = [this](CustomerField f, QRadioButton* first, QRadioButton* second) {
        const QStringList choices = letters(f);
        if (box(f)->text() == choices.value(1))
            second->setChecked(true);
        else if (box(f)->text() == choices.value(0))
            first->setChecked(true);
    };
    if (box(F::Tar)->text() == letters(F::Tar).value(1)) {
        Option1_1->setChecked(true);
        showVatNumber(true);
    } else if (box(F::Tar)->text() == letters(F::Tar).value(0)) {
        Option1_0->setChecked(true);
        showVatNumber(false);
    }
    choose(F::Dg, Option2_0, Option2_1);
    choose(F::Poig, Option3_0, Option3_1);
}

CustomerRecord CustomerRecordPanel::shown() const {
    CustomerRecord r;
    for (const CustomerFieldInfo& f : CustomerFields)
        r.set(f.field, hasBox(f) ? box(f.field)->text() : txtmemo->toPlainText());
    return r;
}

CustomerRecord CustomerRecordPanel::ecrit_client() {
    if (Option1_0->isChecked())
        box(F::Nic)->clear();
    CustomerRecord r;
    r.revision = loaded_.revision;
    // A letter is its group's option: the first or the second letter.
    const auto chosen = [](CustomerField f, const QRadioButton* second) {
        return letters(f).value(second->isChecked() ? 1 : 0);
    };
    for (const CustomerFieldInfo& f : CustomerFields) {
        switch (f.rule) {
        case FieldRule::Code:
            r.set(f.field, formatCustomerCode(box(f.field)->text()));
            break;
        case FieldRule::Name:
            r.set(f.field, box(f.field)->text().toUpper());
            break;
        case FieldRule::Memo:
            r.set(f.field, txtmemo->toPlainText());
            break;
        case FieldRule::Letter:
            break;
        case FieldRule::Text:
        case FieldRule::Phone:
        case FieldRule::Weight:
            r.set(f.field, box(f.field)->text());
            break;
        }
    }
    r.set(F::Tar, chosen(F::Tar, Option1_1));
    r.set(F::Dg, chosen(F::Dg, Option2_1));
    r.set(F::Poig, chosen(F::Poig, Option3_1));
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
    return box(F::Cod)->text();
}

void CustomerRecordPanel::setCode(const QString& code) {
    QLineEdit* edit = box(F::Cod);
    if (edit->maxLength() < code.size())
        edit->setMaxLength(int(code.size()));
    edit->setText(code);
}

void CustomerRecordPanel::setCodeEditable(bool editable) {
    box(F::Cod)->setReadOnly(!editable);
}

QString CustomerRecordPanel::name() const {
    return box(F::Nom)->text();
}

void CustomerRecordPanel::focusFirstField() {
    box(F::Int)->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::focusCode() {
    box(F::Cod)->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::focusName() {
    box(F::Nom)->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::tariffChoice(int index) {
    const bool business = index == 1;
    box(F::Tar)->setText(letters(F::Tar).value(business ? 1 : 0));
    showVatNumber(business);
}

void CustomerRecordPanel::weightCheck() {
    if (isWeight(box(F::Lbs)->text()))
        return;
    services_.boxes->message(window(), QStringLiteral("poids non conforme"));
    box(F::Lbs)->setText(newCustomerValue(F::Lbs));
}

bool CustomerRecordPanel::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn && edit != box(F::Cod)) {
        edit->selectAll();
        // A click places the cursor after the focus arrives: select again
        // once the click is done.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    } else if (event->type() == QEvent::FocusOut) {
        const bool left = focusLeftForGood(*edit, *static_cast<QFocusEvent*>(event));
        if (left && edit == box(F::Cod))
            emit codeLeft();
        else if (left && edit == box(F::Lbs))
            weightCheck();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vdn
