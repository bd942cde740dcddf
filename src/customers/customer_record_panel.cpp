#include "customers/customer_record_panel.h"

#include "data/error_report.h"
#include "data/globals.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/whole_characters.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

namespace vdn {

namespace {

using F = CustomerField;

// The text boxes of the record, the field each carries, the most characters
// the user may type (0: no limit) and whether entering the box selects its
// text so that typing replaces it.
struct BoxRule {
    CustomerField field;
    QLineEdit* CustomerRecordPanel::*member;
    int maxLength;
    bool selectOnEntry;
};

} // namespace

using P = CustomerRecordPanel;
struct CustomerRecordTables {
    static const BoxRule boxes[19];
};
const BoxRule CustomerRecordTables::boxes[19] = {
    {F::Cod, &P::Txtcod, 6, false},    {F::Int, &P::txtint, 5, true},
    {F::Nom, &P::Txtnom, 30, true},    {F::Ad1, &P::txtad1, 50, true},
    {F::Ad2, &P::txtad2, 50, true},    {F::Ad3, &P::txtad3, 50, true},
    {F::Cp, &P::txtcp, 5, true},       {F::Vil, &P::txtvil, 50, true},
    {F::Pays, &P::txtpays, 50, false}, {F::Tel, &P::txttel, 15, true},
    {F::Gsm, &P::txtgsm, 15, true},    {F::Fax, &P::txtfax, 15, true},
    {F::Mail, &P::txtmail, 50, true},  {F::Nic, &P::txtnic, 20, true},
    {F::Lbs, &P::txtlbs, 0, true},     {F::Tar, &P::txttar, 0, false},
    {F::Dg, &P::txtdg, 0, false},      {F::Poig, &P::txtpoig, 0, false},
    {F::Etat, &P::txtetat, 0, false},
};

namespace {

const auto& Boxes = CustomerRecordTables::boxes;

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

QLabel* caption(const QString& text, QWidget* parent, QWidget* buddy) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

CustomerRecordPanel::CustomerRecordPanel(const Services& services, CustomerStore& store,
                                         QWidget* parent)
    : QWidget(parent), services_(services), store_(store) {
    setObjectName(QStringLiteral("Frame100"));
    setAutoFillBackground(true);
    build();
    for (const BoxRule& rule : Boxes) {
        QLineEdit* edit = this->*rule.member;
        if (rule.maxLength > 0)
            edit->setMaxLength(rule.maxLength);
        keepWholeCharacters(edit);
        if (rule.selectOnEntry)
            edit->installEventFilter(this);
    }
    Txtcod->installEventFilter(this);

    connect(Option1, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            tariffChoice(id);
    });
    connect(cmdvalide, &QPushButton::clicked, this, &CustomerRecordPanel::validate);
    connect(cmdannule, &QPushButton::clicked, this, &CustomerRecordPanel::cancelRequested);
    for (QLineEdit* edit : {Txtcod, txtint, Txtnom, txtetat})
        connect(edit, &QLineEdit::textChanged, this, &CustomerRecordPanel::currentChanged);
    efface_client();
}

void CustomerRecordPanel::build() {
    auto line = [this](QLineEdit* P::*member, const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        this->*member = e;
        return e;
    };
    auto radio = [](QRadioButton*& member, const char* name, const QString& text, QWidget* parent,
                    QButtonGroup* group, int id) {
        member = new QRadioButton(text, parent);
        member->setObjectName(QLatin1String(name));
        group->addButton(member, id);
    };

    // Identity and telephones.
    line(&P::Txtcod, "Txtcod")->setFixedWidth(90);
    codeLabel = caption(QStringLiteral("N° client"), this, Txtcod);
    line(&P::txtint, "txtint")->setFixedWidth(70);
    line(&P::Txtnom, "Txtnom");
    line(&P::txttel, "txttel");
    line(&P::txtgsm, "txtgsm");
    line(&P::txtfax, "txtfax");
    line(&P::txtmail, "txtmail");

    // Boxes about as wide as what they hold.
    Txtnom->setFixedWidth(330);
    for (QLineEdit* phone : {txttel, txtgsm, txtfax})
        phone->setFixedWidth(150);
    txtmail->setFixedWidth(460);
    auto row = [this](std::initializer_list<std::pair<QString, QLineEdit*>> boxes) {
        auto* r = new QHBoxLayout;
        bool first = true;
        for (const auto& [text, edit] : boxes) {
            if (!first) {
                r->addSpacing(16);
                r->addWidget(caption(text, this, edit));
            }
            r->addWidget(edit);
            first = false;
        }
        r->addStretch(1);
        return r;
    };
    auto* identity = new QGridLayout;
    identity->addWidget(codeLabel, 0, 0);
    identity->addLayout(row({{QString(), Txtcod},
                             {QStringLiteral("Sigle"), txtint},
                             {QStringLiteral("Nom"), Txtnom}}),
                        0, 1);
    identity->addWidget(caption(QStringLiteral("Téléphone "), this, txttel), 1, 0);
    identity->addLayout(row({{QString(), txttel},
                             {QStringLiteral("Portable "), txtgsm},
                             {QStringLiteral("Fax"), txtfax}}),
                        1, 1);
    identity->addWidget(caption(QStringLiteral("Mail"), this, txtmail), 2, 0);
    identity->addLayout(row({{QString(), txtmail}}), 2, 1);

    // Address and tariff.
    addressGroup = new QGroupBox(QStringLiteral("Adresse du Client"), this);
    addressGroup->setObjectName(QStringLiteral("addressGroup"));
    auto inGroup = [this](QLineEdit* P::*member, const char* name) {
        auto* e = new QLineEdit(addressGroup);
        e->setObjectName(QLatin1String(name));
        this->*member = e;
        return e;
    };
    inGroup(&P::txtad1, "txtad1");
    inGroup(&P::txtad2, "txtad2");
    inGroup(&P::txtad3, "txtad3");
    inGroup(&P::txtcp, "txtcp")->setFixedWidth(70);
    inGroup(&P::txtvil, "txtvil");
    inGroup(&P::txtpays, "txtpays");
    Option1 = new QButtonGroup(this);
    radio(Option1_0, "Option1_0", QStringLiteral("Particulier (TTC)"), addressGroup, Option1, 0);
    radio(Option1_1, "Option1_1", QStringLiteral("Entreprise (HT)"), addressGroup, Option1, 1);
    inGroup(&P::txtnic, "txtnic");
    Label4 = caption(QStringLiteral("N° TVA Intracommunautaire"), addressGroup, txtnic);
    Label4->setObjectName(QStringLiteral("Label4"));

    auto* address = new QGridLayout(addressGroup);
    address->addWidget(txtad1, 0, 0, 1, 4);
    address->addWidget(txtad2, 1, 0, 1, 4);
    address->addWidget(txtad3, 2, 0, 1, 4);
    address->addWidget(txtcp, 3, 0);
    address->addWidget(txtvil, 3, 1, 1, 3);
    address->addWidget(caption(QStringLiteral("Pays"), addressGroup, txtpays), 4, 0);
    address->addWidget(txtpays, 4, 1, 1, 3);
    address->addWidget(Option1_0, 5, 0, 1, 2);
    address->addWidget(Option1_1, 5, 2, 1, 2);
    address->addWidget(Label4, 6, 0, 1, 2);
    address->addWidget(txtnic, 6, 2, 1, 2);
    address->setColumnStretch(1, 1);
    address->setColumnStretch(3, 1);

    // Hand, wrist support, weight.
    auto* handBox = new QGroupBox(this);
    handBox->setObjectName(QStringLiteral("handGroup"));
    Option2 = new QButtonGroup(this);
    radio(Option2_0, "Option2_0", QStringLiteral("Droitier"), handBox, Option2, 0);
    radio(Option2_1, "Option2_1", QStringLiteral("Gaucher"), handBox, Option2, 1);
    auto* handLayout = new QVBoxLayout(handBox);
    handLayout->addWidget(Option2_0);
    handLayout->addWidget(Option2_1);

    auto* wristBox = new QGroupBox(this);
    wristBox->setObjectName(QStringLiteral("wristGroup"));
    Option3 = new QButtonGroup(this);
    radio(Option3_0, "Option3_0", QStringLiteral("Sans poignet"), wristBox, Option3, 0);
    radio(Option3_1, "Option3_1", QStringLiteral("Avec poignet"), wristBox, Option3, 1);
    auto* wristLayout = new QVBoxLayout(wristBox);
    wristLayout->addWidget(Option3_0);
    wristLayout->addWidget(Option3_1);

    line(&P::txtlbs, "txtlbs")->setFixedWidth(70);
    auto* weight = new QHBoxLayout;
    weight->addWidget(caption(QStringLiteral("Poids Boule"), this, txtlbs));
    weight->addWidget(txtlbs);
    weight->addWidget(new QLabel(QStringLiteral("LBS"), this));
    weight->addStretch(1);

    auto* player = new QVBoxLayout;
    player->addWidget(handBox);
    player->addWidget(wristBox);
    player->addLayout(weight);
    player->addStretch(1);

    // Observations.
    memoGroup = new QGroupBox(QStringLiteral("Observations sur ce client"), this);
    memoGroup->setObjectName(QStringLiteral("memoGroup"));
    txtmemo = new QPlainTextEdit(memoGroup);
    txtmemo->setObjectName(QStringLiteral("txtmemo"));
    txtmemo->setTabChangesFocus(true);
    auto* memoLayout = new QVBoxLayout(memoGroup);
    memoLayout->addWidget(txtmemo);

    // Codes loaded from the row, not shown.
    for (auto [member, name] : {std::pair{&P::txtdg, "txtdg"}, std::pair{&P::txtpoig, "txtpoig"},
                                std::pair{&P::txttar, "txttar"}, std::pair{&P::txtetat, "txtetat"}})
        line(member, name)->hide();

    validationGroup = new QGroupBox(QStringLiteral("Validation des modifications "), this);
    validationGroup->setObjectName(QStringLiteral("validationGroup"));
    cmdvalide = new QPushButton(QStringLiteral("Valider"), validationGroup);
    cmdvalide->setObjectName(QStringLiteral("cmdvalide"));
    cmdannule = new QPushButton(QStringLiteral("Annuler"), validationGroup);
    cmdannule->setObjectName(QStringLiteral("cmdannule"));
    // Cancelling takes no focus, so that leaving a box does not check an
    // entry that is being abandoned.
    cmdannule->setFocusPolicy(Qt::TabFocus);
    for (QPushButton* b : {cmdvalide, cmdannule})
        b->setMinimumSize(120, 34);
    auto* validation = new QHBoxLayout(validationGroup);
    validation->addStretch(1);
    validation->addWidget(cmdvalide);
    validation->addWidget(cmdannule);

    auto* middle = new QHBoxLayout;
    middle->addWidget(addressGroup, 3);
    middle->addLayout(player, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(identity);
    layout->addLayout(middle);
    layout->addWidget(memoGroup, 1);
    layout->addWidget(validationGroup);
}

QLineEdit* CustomerRecordPanel::box(CustomerField field) const {
    for (const BoxRule& rule : Boxes)
        if (rule.field == field)
            return this->*rule.member;
    return nullptr;
}

void CustomerRecordPanel::efface_client() {
    for (const BoxRule& rule : Boxes) {
        QLineEdit* edit = this->*rule.member;
        if (rule.field != F::Cod)
            edit->clear();
        // A longer stored value may have widened the box; typing keeps to
        // the limit again.
        if (rule.maxLength > 0 && edit->maxLength() != rule.maxLength)
            edit->setMaxLength(rule.maxLength);
    }
    txtmemo->clear();
    txtdg->setText(QStringLiteral("D"));
    txtpoig->setText(QStringLiteral("S"));
    txtlbs->setText(QStringLiteral("0"));
    Option1_0->setChecked(true);
    Option2_0->setChecked(true);
    Option3_0->setChecked(true);
    txttar->setText(QStringLiteral("T"));
    Label4->hide();
    txtnic->hide();
}

void CustomerRecordPanel::display(const CustomerRecord& customer) {
    efface_client();
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
        Label4->show();
        txtnic->show();
    } else if (txttar->text() == QLatin1String("T")) {
        Option1_0->setChecked(true);
        Label4->hide();
        txtnic->hide();
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

CurrentCustomer CustomerRecordPanel::current() const {
    return {Txtcod->text(), txtint->text() + QLatin1Char(' ') + Txtnom->text(), txtetat->text()};
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

void CustomerRecordPanel::focusFirstField() {
    txtint->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::tariffChoice(int index) {
    const bool business = index == 1;
    txttar->setText(business ? QStringLiteral("H") : QStringLiteral("T"));
    Label4->setVisible(business);
    txtnic->setVisible(business);
}

void CustomerRecordPanel::refuse(const QString& message, QWidget* focus) {
    services_.pointer->setDefault();
    services_.boxes->message(window(), message);
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

void CustomerRecordPanel::codeCheck() {
    if (!en_ajout && !en_modif)
        return;
    Txtcod->setText(formatCustomerCode(Txtcod->text()));
    // Only a new customer can run into an existing code.
    if (!en_ajout || Txtcod->text().trimmed().isEmpty())
        return;
    Result<std::optional<CustomerRecord>> existing = store_.byCode(Txtcod->text());
    if (!existing) {
        erreur_donnees(existing.error(), services_, window());
        return;
    }
    if (existing->has_value())
        refuse(QStringLiteral("Ce code existe déjà"), Txtcod);
}

void CustomerRecordPanel::weightCheck() {
    if (isNumber(txtlbs->text()))
        return;
    services_.boxes->message(window(), QStringLiteral("poids non conforme"));
    txtlbs->setText(QStringLiteral("0"));
}

void CustomerRecordPanel::validate() {
    BusyPointer busy(*services_.pointer);
    if (current().deleted()) {
        refuse(QStringLiteral("Cette fiche est supprimée et non modifiable"), nullptr);
        emit cancelRequested();
        return;
    }
    if (Txtcod->text().trimmed().isEmpty()) {
        refuse(QStringLiteral(" N° client obligatoire"), Txtcod);
        return;
    }
    // A new number must stay a number: the next customer's is counted from
    // the highest one.
    if (en_ajout && !isCustomerNumber(Txtcod->text())) {
        refuse(QStringLiteral(" N° client non numérique"), Txtcod);
        return;
    }
    if (Txtnom->text().trimmed().isEmpty()) {
        refuse(QStringLiteral(" Nom obligatoire"), Txtnom);
        return;
    }
    Txtcod->setText(formatCustomerCode(Txtcod->text()));
    Result<std::optional<CustomerRecord>> existing = store_.byCode(Txtcod->text());
    if (!existing) {
        erreur_donnees(existing.error(), services_, window(),
                       QStringLiteral("Enregistrement du client"));
        return;
    }
    if (existing->has_value() && en_ajout) {
        // The entry stays as typed: only the code needs changing.
        refuse(QStringLiteral("Ce code existe déjà"), Txtcod);
        return;
    }
    if (!existing->has_value() && en_modif) {
        refuse(QStringLiteral("Ce code n'existe pas"), nullptr);
        emit cancelRequested();
        return;
    }
    const CustomerRecord row = ecrit_client();
    const Status written = en_ajout ? store_.insert(row) : store_.update(row);
    if (!written) {
        erreur_donnees(written.error(), services_, window(),
                       QStringLiteral("Enregistrement du client"));
        return;
    }
    emit cancelRequested();
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
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Leaving the window (another program, a message box) or a panel
        // being hidden is no leaving of the box.
        const bool left =
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible();
        if (left && edit == Txtcod)
            codeCheck();
        else if (left && edit == txtlbs)
            weightCheck();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vdn
