#include "import/import_window.h"

#include "import/import_history_window.h"
#include "widgets/guide_page.h"

#include "data/error_report.h"
#include "data/globals.h"
#include "drilling/sheet_store.h"
#include "import/import_writer.h"
#include "platform/message_boxes.h"
#include "widgets/long_task.h"
#include "widgets/screen_fit.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <climits>
#include <utility>

namespace vdn {

namespace {

using CF = CustomerField;

// The preview's columns after "Ligne" and "État": the stored fields, in the
// order of their preview columns.
const QList<CF>& previewFields() {
    static const QList<CF> fields = [] {
        QList<CF> out;
        for (int column = 1; column <= CustomerFieldCount; ++column)
            for (const CustomerFieldInfo& f : CustomerFields)
                if (f.previewColumn == column)
                    out << f.field;
        return out;
    }();
    return fields;
}
// Rows of the preview: the first ones, then the rows flagged further on.
constexpr int FirstRowsShown = 100;
constexpr int FlaggedRowsShown = 1000;

const QList<std::pair<TextEncoding, QString>>& encodings() {
    static const QList<std::pair<TextEncoding, QString>> list{
        {TextEncoding::Guess, QStringLiteral("Automatique")},
        {TextEncoding::Utf8, encodingName(TextEncoding::Utf8)},
        {TextEncoding::Utf16, encodingName(TextEncoding::Utf16)},
        {TextEncoding::Windows1252, encodingName(TextEncoding::Windows1252)},
        {TextEncoding::Iso885915, encodingName(TextEncoding::Iso885915)},
        {TextEncoding::MacRoman, encodingName(TextEncoding::MacRoman)}};
    return list;
}

const QList<std::pair<QChar, QString>>& separators() {
    static const QList<std::pair<QChar, QString>> list{
        {QChar(), QStringLiteral("Automatique")},
        {QLatin1Char(';'), QStringLiteral("Point-virgule ( ; )")},
        {QLatin1Char(','), QStringLiteral("Virgule ( , )")},
        {QLatin1Char('\t'), QStringLiteral("Tabulation")}};
    return list;
}

const QList<std::pair<DuplicateChoice, QString>>& duplicateChoices() {
    static const QList<std::pair<DuplicateChoice, QString>> list{
        {DuplicateChoice::Skip, QStringLiteral("Ignorer")},
        {DuplicateChoice::Add, QStringLiteral("Ajouter quand même")},
        {DuplicateChoice::Complete, QStringLiteral("Compléter les champs vides")}};
    return list;
}

QComboBox* choiceBox(QWidget* parent, DuplicateChoice current) {
    auto* box = new QComboBox(parent);
    for (const auto& [choice, label] : duplicateChoices())
        box->addItem(label, int(choice));
    box->setCurrentIndex(box->findData(int(current)));
    return box;
}

// A column's field: the wheel turns it only once clicked, so that scrolling
// the grid changes no mapping. `shown` is the field it stands at.
class FieldBox : public QComboBox {
public:
    explicit FieldBox(QWidget* parent) : QComboBox(parent) { setFocusPolicy(Qt::StrongFocus); }
    int shown = 0;

protected:
    void wheelEvent(QWheelEvent* e) override {
        if (hasFocus())
            QComboBox::wheelEvent(e);
        else
            e->ignore();
    }
};

QString stateOf(const ImportCheck& check, const CheckedRow& row) {
    switch (row.outcome) {
    case RowOutcome::New:
        return QStringLiteral("Nouveau");
    case RowOutcome::Refused:
        return QStringLiteral("Refusé");
    case RowOutcome::DuplicateInFile:
        return QStringLiteral("Doublon (%1)").arg(row.duplicateOf);
    case RowOutcome::DuplicateExisting:
        // Named, so that the user sees who the row would be taken for.
        if (row.existing >= 0 && row.existing < check.existing.size())
            return QStringLiteral("%1 %2 : %3")
                .arg(row.possible ? QStringLiteral("Même nom et même ville que")
                                  : QStringLiteral("Déjà client"),
                     row.duplicateOf, check.existing.at(row.existing).text(CF::Nom));
        return QStringLiteral("Déjà client %1").arg(row.duplicateOf);
    }
    return {};
}

} // namespace

ImportWindow::ImportWindow(const Services& services, QString configFolder, ImportLockTaker takeLock,
                           QWidget* parent)
    : QWidget(parent), services_(services), configFolder_(std::move(configFolder)),
      takeLock_(std::move(takeLock)) {
    setObjectName(QStringLiteral("VDN_import"));
    setWindowTitle(QStringLiteral("Importer des clients"));
    setGuidePage(this, QStringLiteral("import.md"));
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    // Within the screen: the preview and the report have their own scroll bars.
    screen_fit::resize(this, QSize(1000, 680));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

ImportWindow::~ImportWindow() = default;

void ImportWindow::build() {
    auto* top = new QVBoxLayout(this);
    top->addLayout(buildFileRow());
    top->addLayout(buildReadingRow());
    top->addLayout(buildMappingRow(), 2);
    buildPreview(top);
    for (QPushButton* b : {cmdzeros, cmdessai, cmdimporter, cmdrapport})
        b->setEnabled(false);
    connectControls();
}

QLayout* ImportWindow::buildFileRow() {
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Fichier :"), this));
    txtfichier = new QLineEdit(this);
    txtfichier->setObjectName(QStringLiteral("txtfichier"));
    txtfichier->setReadOnly(true);
    fileRow->addWidget(txtfichier, 1);
    cmdparcourir = new QPushButton(QStringLiteral("Parcourir…"), this);
    cmdparcourir->setObjectName(QStringLiteral("cmdparcourir"));
    fileRow->addWidget(cmdparcourir);
    return fileRow;
}

QLayout* ImportWindow::buildReadingRow() {
    // Two lines: how the file is read, then where its data begin; each
    // keeps within the window's width whatever the reading says.
    auto* readRow = new QHBoxLayout;
    readRow->addWidget(new QLabel(QStringLiteral("Codage :"), this));
    cboCodage = new QComboBox(this);
    cboCodage->setObjectName(QStringLiteral("cboCodage"));
    for (const auto& [e, label] : encodings())
        cboCodage->addItem(label, int(e));
    readRow->addWidget(cboCodage);
    readRow->addWidget(new QLabel(QStringLiteral("Séparateur :"), this));
    cboSeparateur = new QComboBox(this);
    cboSeparateur->setObjectName(QStringLiteral("cboSeparateur"));
    for (const auto& [sep, label] : separators())
        cboSeparateur->addItem(label, sep.isNull() ? QString() : QString(sep));
    readRow->addWidget(cboSeparateur);
    readRow->addWidget(new QLabel(QStringLiteral("Feuille :"), this));
    cboFeuille = new QComboBox(this);
    cboFeuille->setObjectName(QStringLiteral("cboFeuille"));
    cboFeuille->setEnabled(false);
    readRow->addWidget(cboFeuille);
    lblLecture = new QLabel(this);
    lblLecture->setObjectName(QStringLiteral("lblLecture"));
    lblLecture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    readRow->addWidget(lblLecture, 1);

    auto* dataRow = new QHBoxLayout;
    dataRow->addWidget(new QLabel(QStringLiteral("Données à partir de la ligne :"), this));
    spnPremiereLigne = new QSpinBox(this);
    spnPremiereLigne->setObjectName(QStringLiteral("spnPremiereLigne"));
    spnPremiereLigne->setRange(1, 9999999);
    dataRow->addWidget(spnPremiereLigne);
    chkEntete = new QCheckBox(QStringLiteral("Noms des colonnes sur la ligne au-dessus"), this);
    chkEntete->setObjectName(QStringLiteral("chkEntete"));
    chkEntete->setTristate(false);
    dataRow->addWidget(chkEntete);
    dataRow->addStretch(1);

    auto* rows = new QVBoxLayout;
    rows->addLayout(readRow);
    rows->addLayout(dataRow);
    return rows;
}

QLayout* ImportWindow::buildMappingRow() {
    auto* middle = new QHBoxLayout;
    grdColonnes = new QTableWidget(0, 3, this);
    grdColonnes->setObjectName(QStringLiteral("grdColonnes"));
    grdColonnes->setHorizontalHeaderLabels({QStringLiteral("Colonne du fichier"),
                                            QStringLiteral("Exemple"),
                                            QStringLiteral("Champ de VORDAN")});
    grdColonnes->horizontalHeader()->setStretchLastSection(true);
    grdColonnes->verticalHeader()->hide();
    grdColonnes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    middle->addWidget(grdColonnes, 1);
    middle->addLayout(buildActionColumn());
    return middle;
}

QLayout* ImportWindow::buildActionColumn() {
    auto* options = new QVBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("Clients déjà dans VORDAN :"), this));
    cboDoublons = choiceBox(this, DuplicateChoice::Skip);
    cboDoublons->setObjectName(QStringLiteral("cboDoublons"));
    options->addWidget(cboDoublons);
    chkGarderCodes = new QCheckBox(QStringLiteral("Garder les codes du fichier"), this);
    chkGarderCodes->setObjectName(QStringLiteral("chkGarderCodes"));
    options->addWidget(chkGarderCodes);
    options->addStretch(1);
    const auto button = [this, options](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        options->addWidget(b);
        return b;
    };
    cmdzeros = button(QStringLiteral("Remettre les zéros perdus"), "cmdzeros");
    cmdzeros->setToolTip(QStringLiteral("Remet le 0 du début aux numéros de téléphone de neuf "
                                        "chiffres et aux codes postaux de quatre chiffres que le "
                                        "tableur a pris pour des nombres."));
    cmdessai = button(QStringLiteral("Essai"), "cmdessai");
    cmdimporter = button(QStringLiteral("Importer"), "cmdimporter");
    cmdrapport = button(QStringLiteral("Enregistrer le rapport…"), "cmdrapport");
    cmdhistorique = button(QStringLiteral("Historique…"), "cmdhistorique");
    cmdhistorique->setToolTip(QStringLiteral("Les importations déjà faites, et l'annulation "
                                             "de l'une d'elles."));
    cmdfermer = button(QStringLiteral("Fermer"), "cmdfermer");
    return options;
}

void ImportWindow::buildPreview(QVBoxLayout* top) {
    top->addWidget(new QLabel(QStringLiteral("Aperçu des clients tels qu'ils seront "
                                             "enregistrés :"),
                              this));
    lblCodage = new QLabel(this);
    lblCodage->setObjectName(QStringLiteral("lblCodage"));
    lblCodage->setWordWrap(true);
    lblCodage->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    lblCodage->hide();
    top->addWidget(lblCodage);
    grdApercu = new QTableWidget(0, 2 + int(previewFields().size()) + 1, this);
    grdApercu->setObjectName(QStringLiteral("grdApercu"));
    // The reason beside the state: a refused row says why without scrolling.
    QStringList titles{QStringLiteral("Ligne"), QStringLiteral("État"), QStringLiteral("Motif")};
    for (const CF f : previewFields())
        titles << QString::fromUtf8(infoOf(f).previewTitle);
    grdApercu->setHorizontalHeaderLabels(titles);
    grdApercu->verticalHeader()->hide();
    grdApercu->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdLignes = new QTableWidget(this);
    grdLignes->setObjectName(QStringLiteral("grdLignes"));
    grdLignes->verticalHeader()->hide();
    grdLignes->setEditTriggers(QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    grdLignes->setToolTip(QStringLiteral("Double-cliquez une case d'un client pour la corriger "
                                         "avant l'import (le fichier ne change pas)."));
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabApercu"));
    tabs->addTab(grdApercu, QStringLiteral("Clients"));
    tabs->addTab(grdLignes, QStringLiteral("Lignes du fichier"));
    top->addWidget(tabs, 3);
    txtrapport = new QPlainTextEdit(this);
    txtrapport->setObjectName(QStringLiteral("txtrapport"));
    txtrapport->setReadOnly(true);
    txtrapport->setMaximumHeight(110);
    top->addWidget(txtrapport);
}

void ImportWindow::connectControls() {
    connect(cmdparcourir, &QPushButton::clicked, this, &ImportWindow::browse);
    connect(cmdessai, &QPushButton::clicked, this, &ImportWindow::dryRun);
    connect(cmdimporter, &QPushButton::clicked, this, &ImportWindow::runImport);
    connect(cmdrapport, &QPushButton::clicked, this, &ImportWindow::chooseSaveReport);
    connect(cmdhistorique, &QPushButton::clicked, this, &ImportWindow::showHistory);
    connect(cmdfermer, &QPushButton::clicked, this, &QWidget::close);
    // The reading options read the file again; the duplicate and code
    // options only check its rows again. None reacts while the window
    // fills them itself.
    for (QComboBox* box : {cboCodage, cboSeparateur, cboFeuille})
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!filling_)
                reread();
        });
    connect(grdLignes, &QTableWidget::itemChanged, this, &ImportWindow::correctCell);
    connect(cmdzeros, &QPushButton::clicked, this, [this] {
        if (restoreLostZeros(table_, chosenMapping()) > 0)
            recheck();
    });
    connect(chkEntete, &QCheckBox::toggled, this, [this] {
        if (filling_)
            return;
        headerChosen_ = true;
        reread();
    });
    connect(spnPremiereLigne, &QSpinBox::valueChanged, this, [this] {
        if (filling_)
            return;
        firstLineChosen_ = true;
        reread();
    });
    connect(cboDoublons, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_)
            return;
        choices_.clear();
        recheck();
    });
    connect(chkGarderCodes, &QCheckBox::toggled, this, [this] {
        if (!filling_)
            recheck();
    });
}

bool ImportWindow::load() {
    Result<std::unique_ptr<Connection>> opened = Connection::open(databasePath());
    if (!opened) {
        services_.boxes->message(this, errorReportText(opened.error()));
        return false;
    }
    connection_ = std::move(*opened);
    existing_ = std::make_unique<ExistingCustomers>(connection_->db());
    return true;
}

void ImportWindow::browse() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Fichier de clients à importer"), QDir::homePath(),
        QStringLiteral("Fichiers de clients (*.csv *.txt *.ods *.xlsx *.xls *.fods);;"
                       "Tous les fichiers (*)"));
    if (!path.isEmpty())
        openFile(path);
}

std::function<bool(int, int)> ImportWindow::progressStep(QProgressDialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(500);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    return [&dialog](int done, int total) {
        dialog.setMaximum(std::max(total, 1));
        dialog.setValue(std::min(done, std::max(total, 1)));
        QCoreApplication::processEvents();
        return !dialog.wasCanceled();
    };
}

void ImportWindow::openFile(const QString& path) {
    // A close asked while the file is read waits for the reading's end.
    const LongTask task;
    txtfichier->setText(QDir::toNativeSeparators(path));
    forgetCustomersRead();
    QProgressDialog dialog(QStringLiteral("Lecture du fichier…"), QStringLiteral("Annuler"), 0, 0,
                           this);
    const auto step = progressStep(dialog);
    // A conversion has no measure of its progress: the bar just runs.
    source_ = loadImportSource(path, [&] { return step(0, 0); });
    dialog.close();
    filling_ = true;
    cboFeuille->clear();
    cboFeuille->addItems(source_.sheetNames());
    cboFeuille->setEnabled(source_.sheets.size() > 1);
    cboCodage->setEnabled(!source_.spreadsheet);
    cboSeparateur->setEnabled(!source_.spreadsheet);
    // What becomes of duplicates is chosen anew for each file.
    cboDoublons->setCurrentIndex(cboDoublons->findData(int(DuplicateChoice::Skip)));
    filling_ = false;
    choices_.clear();
    headerChosen_ = false;
    firstLineChosen_ = false;
    if (source_.cancelled) {
        source_ = ImportSource();
        table_ = TextTable();
        table_.error = QStringLiteral("Lecture annulée.");
    } else if (!source_.error.isEmpty()) {
        services_.boxes->message(this, source_.error);
    }
    reread();
}

void ImportWindow::reread() {
    TextOptions options;
    options.encoding = TextEncoding(cboCodage->currentData().toInt());
    const QString sep = cboSeparateur->currentData().toString();
    if (!sep.isEmpty())
        options.separator = sep.at(0);
    if (headerChosen_)
        options.header = chkEntete->isChecked();
    if (firstLineChosen_)
        options.firstDataLine = spnPremiereLigne->value();
    if (source_.error.isEmpty() && (source_.spreadsheet || !source_.bytes.isEmpty()))
        table_ = source_.table(std::max(0, cboFeuille->currentIndex()), options);
    else if (table_.error.isEmpty())
        table_.error = source_.error;
    filling_ = true;
    chkEntete->setChecked(table_.header);
    if (table_.firstDataLine > 0)
        spnPremiereLigne->setValue(table_.firstDataLine);
    filling_ = false;
    lblLecture->setText(table_.error.isEmpty() && !source_.spreadsheet
                            ? QStringLiteral("Lu en %1, séparateur %2")
                                  .arg(encodingName(table_.encoding),
                                       table_.separator == QLatin1Char('\t')
                                           ? QStringLiteral("tabulation")
                                           : QStringLiteral("« %1 »").arg(table_.separator))
                            : QString());

    std::optional<ImportMapping> kept = keptMapping(configFolder_, table_.headerLine);
    ImportMapping mapping;
    mapping.columns = kept && kept->columns.size() == table_.columns.size()
                          ? kept->columns
                          : guessMapping(table_.columns, table_.header);
    mapping.duplicates = DuplicateChoice(cboDoublons->currentData().toInt());
    mapping.keepCodes = chkGarderCodes->isChecked();
    showMapping(mapping);
}

void ImportWindow::showMapping(const ImportMapping& mapping) {
    filling_ = true;
    grdColonnes->setRowCount(int(table_.columns.size()));
    for (int i = 0; i < table_.columns.size(); ++i) {
        grdColonnes->setItem(i, 0, new QTableWidgetItem(table_.columns.at(i)));
        const QString example = table_.rows.isEmpty() ? QString() : table_.rows.first().value(i);
        grdColonnes->setItem(i, 1, new QTableWidgetItem(example));
        auto* box = new FieldBox(grdColonnes);
        box->setObjectName(QStringLiteral("cboChamp_%1").arg(i));
        const QList<ImportField>& choices = ImportField::choices();
        for (int f = 0; f < choices.size(); ++f)
            box->addItem(fieldLabel(choices.at(f)), f);
        box->setCurrentIndex(int(choices.indexOf(mapping.columns.value(i, ImportField::Ignored))));
        box->shown = box->currentIndex();
        connect(box, &QComboBox::currentIndexChanged, this, [this, box, i](int index) {
            if (filling_)
                return;
            // One column per field: a second one is refused, the box put back.
            if (const int other = columnOf(ImportField::choices().value(index), i); other >= 0) {
                const QSignalBlocker quiet(box);
                box->setCurrentIndex(box->shown);
                services_.boxes->message(
                    this, QStringLiteral("Le champ « %1 » est déjà donné par la colonne %2 "
                                         "(« %3 ») : choisissez d'abord « %4 » pour elle.")
                              .arg(fieldLabel(ImportField::choices().value(index)))
                              .arg(other + 1)
                              .arg(table_.columns.value(other), fieldLabel(ImportField::Ignored)));
                return;
            }
            box->shown = index;
            recheck();
        });
        grdColonnes->setCellWidget(i, 2, box);
    }
    grdColonnes->resizeColumnToContents(0);
    grdColonnes->resizeColumnToContents(1);
    cboDoublons->setCurrentIndex(cboDoublons->findData(int(mapping.duplicates)));
    chkGarderCodes->setChecked(mapping.keepCodes);
    filling_ = false;
    recheck();
}

int ImportWindow::columnOf(ImportField field, int except) const {
    if (field == ImportField::Ignored)
        return -1;
    for (int i = 0; i < grdColonnes->rowCount(); ++i) {
        const auto* box = qobject_cast<QComboBox*>(grdColonnes->cellWidget(i, 2));
        if (i != except && box && ImportField::choices().value(box->currentData().toInt()) == field)
            return i;
    }
    return -1;
}

ImportMapping ImportWindow::chosenMapping() const {
    ImportMapping m;
    for (int i = 0; i < grdColonnes->rowCount(); ++i) {
        const auto* box = qobject_cast<QComboBox*>(grdColonnes->cellWidget(i, 2));
        m.columns << (box ? ImportField::choices().value(box->currentData().toInt())
                          : ImportField::Ignored);
    }
    m.duplicates = DuplicateChoice(cboDoublons->currentData().toInt());
    m.keepCodes = chkGarderCodes->isChecked();
    return m;
}

void ImportWindow::recheck() {
    // A change made while a check runs (its progress lets events through)
    // checks again once it has ended.
    if (checking_) {
        recheckWanted_ = true;
        return;
    }
    check_ = ImportCheck();
    if (!table_.error.isEmpty() || !connection_) {
        cmdzeros->setEnabled(false);
        txtrapport->setPlainText(table_.error);
        showPreview();
        return;
    }
    // A long check shows its progress and can be stopped; a short one shows
    // nothing. It reads copies: the window's own table may change meanwhile.
    const LongTask task;
    checking_ = true;
    const TextTable table = table_;
    QProgressDialog dialog(QStringLiteral("Contrôle des lignes…"), QStringLiteral("Annuler"), 0,
                           int(std::min<qsizetype>(table.rows.size(), INT_MAX)), this);
    const auto step = progressStep(dialog);
    Result<ImportCheck> checked = checkAgainst(
        connection_->db(), table, chosenMapping(),
        [&](qsizetype done, qsizetype total) {
            return step(int(std::min<qsizetype>(done, INT_MAX)),
                        int(std::min<qsizetype>(total, INT_MAX)));
        },
        existing_.get());
    dialog.close();
    checking_ = false;
    if (std::exchange(recheckWanted_, false)) {
        recheck();
        return;
    }
    if (!checked) {
        services_.boxes->message(this, errorReportText(checked.error()));
        showPreview();
        return;
    }
    if (checked->cancelled) {
        cmdzeros->setEnabled(false);
        txtrapport->setPlainText(QStringLiteral("Contrôle annulé : rien ne peut être importé avant "
                                                "un contrôle complet. Changez une option pour le "
                                                "relancer."));
        showPreview();
        return;
    }
    check_ = std::move(*checked);
    for (CheckedRow& row : check_.rows)
        if (row.outcome == RowOutcome::DuplicateExisting && choices_.contains(row.line))
            row.choice = choices_.value(row.line);
    showCounts();
    showPreview();
}

void ImportWindow::showCounts() {
    const ImportCounts c = countOutcomes(check_);
    QString text = QStringLiteral("Contrôle du fichier : %1 clients à importer, %2 ignorés "
                                  "(doublons), %3 refusés")
                       .arg(c.imported)
                       .arg(c.ignored)
                       .arg(c.refused);
    if (c.skipped > 0)
        text += QStringLiteral(" ; %1 lignes écartées (voir « Lignes du fichier »)").arg(c.skipped);
    txtrapport->setPlainText(text);
    // Offered when there is a zero to put back (tried on a copy).
    TextTable tried = table_;
    cmdzeros->setEnabled(restoreLostZeros(tried, chosenMapping()) > 0);
}

void ImportWindow::showLines() {
    // The file's lines in their order, each with what became of it: the
    // header, a data row, or a row left out and why. The first data rows
    // and the refused ones are shown; a data row's cells can be corrected
    // here rather than in the file.
    struct Line {
        int line;
        QString what;
        QStringList cells;
        int row = -1; // the data row's place in the table
    };
    QList<Line> lines;
    if (table_.error.isEmpty()) {
        if (table_.header)
            lines << Line{table_.headerFileLine, QStringLiteral("Noms des colonnes"),
                          table_.columns};
        for (const SkippedRow& s : table_.skipped)
            lines << Line{s.line, QStringLiteral("Écartée : ") + s.reason, s.cells};
        int refused = 0;
        for (int i = 0; i < table_.rows.size(); ++i) {
            const bool isRefused = i < check_.rows.size() &&
                                   check_.rows.at(i).outcome == RowOutcome::Refused &&
                                   refused++ < FlaggedRowsShown;
            if (i < FirstRowsShown || isRefused)
                lines << Line{table_.lines.value(i),
                              isRefused ? QStringLiteral("Refusée : ") +
                                              check_.rows.at(i).problems.join(QStringLiteral(" ; "))
                                        : QStringLiteral("Client"),
                              table_.rows.at(i), i};
        }
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.line < b.line; });
    qsizetype width = 0;
    for (const Line& l : lines)
        width = std::max(width, l.cells.size());
    QStringList titles{QStringLiteral("Ligne"), QStringLiteral("Lecture")};
    for (qsizetype i = 0; i < width; ++i)
        titles << table_.columns.value(i, QStringLiteral("Colonne %1").arg(i + 1));
    const bool filling = std::exchange(filling_, true);
    grdLignes->clear();
    grdLignes->setColumnCount(int(titles.size()));
    grdLignes->setHorizontalHeaderLabels(titles);
    grdLignes->setRowCount(int(lines.size()));
    const auto item = [](const QString& text, bool editable) {
        auto* i = new QTableWidgetItem(text);
        if (!editable)
            i->setFlags(i->flags() & ~Qt::ItemIsEditable);
        return i;
    };
    for (int r = 0; r < lines.size(); ++r) {
        const Line& l = lines.at(r);
        grdLignes->setItem(r, 0, item(QString::number(l.line), false));
        grdLignes->item(r, 0)->setData(Qt::UserRole, l.row);
        grdLignes->setItem(r, 1, item(l.what, false));
        grdLignes->item(r, 1)->setToolTip(l.what);
        for (int c = 0; c < width; ++c)
            grdLignes->setItem(r, 2 + c, item(l.cells.value(c), l.row >= 0));
        if (l.row < 0)
            for (int c = 0; c < grdLignes->columnCount(); ++c)
                grdLignes->item(r, c)->setForeground(QColor(0x70, 0x70, 0x70));
        else if (l.what != QLatin1String("Client"))
            grdLignes->item(r, 1)->setForeground(QColor(0xB0, 0x00, 0x00));
    }
    grdLignes->resizeColumnsToContents();
    grdLignes->setColumnWidth(1, std::min(grdLignes->columnWidth(1), 260));
    filling_ = filling;
}

void ImportWindow::correctCell(QTableWidgetItem* cell) {
    const QTableWidgetItem* place = grdLignes->item(cell->row(), 0);
    const int row = place ? place->data(Qt::UserRole).toInt() : -1;
    const int column = cell->column() - 2;
    if (filling_ || row < 0 || row >= table_.rows.size() || column < 0 ||
        column >= table_.rows.at(row).size())
        return;
    table_.rows[row][column] = cell->text();
    // Checked again after the edit has ended: the grid is made anew.
    QMetaObject::invokeMethod(this, &ImportWindow::recheck, Qt::QueuedConnection);
}

void ImportWindow::showPreview() {
    showLines();
    lblCodage->setText(table_.error.isEmpty() ? table_.warning : QString());
    lblCodage->setVisible(!lblCodage->text().isEmpty());
    grdApercu->setRowCount(0);
    // Rows of the check are the table's rows, in order.
    const auto note = [this](int i) {
        return check_.rows.size() == table_.rows.size() ? encodingNote(table_, i) : QString();
    };
    QList<int> shown;
    for (int i = 0; i < check_.rows.size(); ++i)
        if (i < FirstRowsShown ||
            ((check_.rows.at(i).outcome != RowOutcome::New || !note(i).isEmpty()) &&
             shown.size() < FlaggedRowsShown))
            shown << i;
    grdApercu->setRowCount(int(shown.size()));
    for (int r = 0; r < shown.size(); ++r) {
        const CheckedRow& row = check_.rows.at(shown.at(r));
        int c = 0;
        grdApercu->setItem(r, c++, new QTableWidgetItem(QString::number(row.line)));
        grdApercu->setItem(r, c++, new QTableWidgetItem(stateOf(check_, row)));
        const int reasonColumn = c++;
        QStringList reasons = row.problems;
        if (const QString n = note(shown.at(r)); !n.isEmpty())
            reasons << n;
        auto* reason = new QTableWidgetItem(reasons.join(QStringLiteral(" ; ")));
        reason->setToolTip(reason->text());
        grdApercu->setItem(r, reasonColumn, reason);
        for (const CF f : previewFields()) {
            QString text = row.record.text(f);
            if (f == CF::Cod && text.isEmpty() && row.outcome == RowOutcome::New)
                text = QStringLiteral("(nouveau)");
            grdApercu->setItem(r, c++, new QTableWidgetItem(text));
        }
        if (row.outcome == RowOutcome::DuplicateExisting) {
            QComboBox* box = choiceBox(grdApercu, row.choice);
            box->setObjectName(QStringLiteral("cboChoix_%1").arg(row.line));
            const int line = row.line;
            const int index = shown.at(r);
            connect(box, &QComboBox::currentIndexChanged, this, [this, box, line, index] {
                const auto choice = DuplicateChoice(box->currentData().toInt());
                choices_.insert(line, choice);
                if (index < check_.rows.size())
                    check_.rows[index].choice = choice;
                showCounts();
            });
            grdApercu->setCellWidget(r, reasonColumn, box);
        }
    }
    grdApercu->resizeColumnsToContents();
    // A long reason is read whole in its tooltip: the row's fields stay in
    // sight.
    constexpr int ReasonColumn = 2;
    constexpr int WidestReason = 320;
    if (grdApercu->columnWidth(ReasonColumn) > WidestReason)
        grdApercu->setColumnWidth(ReasonColumn, WidestReason);
    const bool ready = !check_.rows.isEmpty();
    cmdessai->setEnabled(ready);
    cmdimporter->setEnabled(ready);
    cmdrapport->setEnabled(ready);
}

QString ImportWindow::reportShown() const {
    return txtrapport->toPlainText();
}

void ImportWindow::forgetCustomersRead() {
    if (existing_)
        existing_->clear();
}

void ImportWindow::dryRun() {
    // The customers read anew: another workstation may have added some.
    forgetCustomersRead();
    recheck();
    QString report = reportText(check_, true);
    if (!table_.warning.isEmpty())
        report = table_.warning + QLatin1Char('\n') + report;
    txtrapport->setPlainText(report);
}

void ImportWindow::runImport() {
    if (check_.rows.isEmpty() || !connection_)
        return;
    if (!table_.warning.isEmpty() &&
        !services_.boxes->question(this,
                                   table_.warning + QStringLiteral("\n\nImporter quand même ?")))
        return;
    // A close asked while the rows are written waits for the import's end.
    const LongTask task;
    const ImportMapping mapping = chosenMapping();
    // Held while writing: a restore meanwhile refuses, and none is under way.
    std::shared_ptr<void> lock = takeLock_ ? takeLock_() : std::make_shared<int>(0);
    if (!lock) {
        services_.boxes->message(this, restoreUnderWayText());
        return;
    }
    QProgressDialog dialog(QStringLiteral("Import des clients…"), QStringLiteral("Annuler"), 0,
                           int(check_.rows.size()), this);
    Result<WriteOutcome> written =
        writeImport(connection_->db(), SheetStore(connection_->db()), check_,
                    QFileInfo(txtfichier->text()).fileName(), progressStep(dialog));
    dialog.close();
    lock.reset();
    if (!written) {
        services_.boxes->message(this, errorReportText(written.error()));
        forgetCustomersRead();
        recheck();
        return;
    }
    if (written->cancelled) {
        services_.boxes->message(this, QStringLiteral("Import annulé : aucun client n'a été "
                                                      "importé."));
        recheck();
        return;
    }
    forgetCustomersRead();
    keepMapping(configFolder_, table_.headerLine, mapping);
    // The preview shows the codes given; importing the rows again needs a
    // new check.
    showPreview();
    txtrapport->setPlainText(reportText(check_, false));
    cmdimporter->setEnabled(false);
    services_.boxes->message(this, countsLine(written->counts));
    emit imported(firstWrittenCode(check_));
}

void ImportWindow::showHistory() {
    if (!connection_)
        return;
    ImportHistoryWindow history(services_, connection_->db(), this);
    if (!history.reload())
        return;
    connect(&history, &ImportHistoryWindow::customersRemoved, this, [this] {
        forgetCustomersRead();
        emit removed();
        // The rows checked against the customers removed are checked again.
        if (!check_.rows.isEmpty())
            recheck();
    });
    history.exec();
}

bool ImportWindow::saveReport(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = rejectedRowsCsv(check_, table_.columns);
    return f.write(bytes) == bytes.size() && f.flush();
}

void ImportWindow::chooseSaveReport() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Enregistrer les lignes non importées"),
        QDir::home().filePath(QStringLiteral("clients-non-importes.csv")),
        QStringLiteral("Fichiers CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (!saveReport(path))
        services_.boxes->message(this, QStringLiteral("Impossible d'écrire le fichier %1")
                                           .arg(QDir::toNativeSeparators(path)));
}

} // namespace vdn
