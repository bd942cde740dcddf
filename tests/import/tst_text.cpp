// Reading a customer file: encodings, separators, quotes, header; the column
// guess; a mapping written to a file and read back.
#include "import/import_fields.h"
#include "import/import_text.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vdn;

Q_DECLARE_METATYPE(vdn::TextEncoding)

namespace {

// Rows as one text: cells joined by '|', rows by '/'.
QString flat(const TextTable& t) {
    QStringList rows;
    for (const QStringList& r : t.rows)
        rows << r.join(QLatin1Char('|'));
    return rows.join(QLatin1Char('/'));
}

QByteArray utf16le(const QString& text) {
    QByteArray out("\xFF\xFE", 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

} // namespace

class TestImportText : public QObject {
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
    void mixedEncodings_data();
    void mixedEncodings();
    void columnGuess_data();
    void columnGuess();
    void mappingFile();
    void workbookRows_data();
    void workbookRows();
};

void TestImportText::reading_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("forced");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("error"); // a part of the message

    const auto E = TextEncoding::Guess;
    QTest::newRow("Windows-1252, semicolons, CR LF")
        << QByteArray("Nom;Pr\xe9nom;Ville\r\nDupr\xe9;\xc9lodie;B\x9cuf\r\n") << E
        << TextEncoding::Windows1252 << ";" << true << QStringLiteral("Dupré|Élodie|Bœuf") << "";
    QTest::newRow("UTF-8 with BOM, commas, quotes doubled, break inside quotes")
        << QByteArray("\xEF\xBB\xBFNom,Adresse\n\"Dupr\xC3\xA9, fils\",\"1 \"\"rue\"\"\nB\"\n") << E
        << TextEncoding::Utf8 << "," << true << QStringLiteral("Dupré, fils|1 \"rue\"\nB") << "";
    QTest::newRow("UTF-8 without BOM, no header, blank and separator-only lines left, last open")
        << QByteArray("DUPONT;0612\n\n;\nMARTIN;0450") << E << TextEncoding::Utf8 << ";" << false
        << "DUPONT|0612/MARTIN|0450"
        << "";
    QTest::newRow("UTF-16 text of a spreadsheet: tabs")
        << utf16le(QStringLiteral("Nom\tT\u00e9l\r\nZo\u00e9\t06\r\n")) << E << TextEncoding::Utf16
        << "\t" << true << QStringLiteral("Zoé|06") << "";
    QTest::newRow("CR alone ends lines; a short row is padded")
        << QByteArray("Nom;CP;Ville\rA;01000\rB;2;C") << E << TextEncoding::Utf8 << ";" << true
        << "A|01000|/B|2|C"
        << "";
    QTest::newRow("Mac Roman guessed from its accents")
        << QByteArray("Nom;Ville\nDupr\x8E;\x83vian\n") << E << TextEncoding::MacRoman << ";"
        << true << QStringLiteral("Dupré|Évian") << "";
    QTest::newRow("Windows-1252 with a curly apostrophe stays Windows-1252")
        << QByteArray("Nom;Ville\nL\x92\xe9t\xe9;\xc9vian\n") << E << TextEncoding::Windows1252
        << ";" << true << QStringLiteral("L’été|Évian") << "";
    QTest::newRow("ISO-8859-15 chosen: the euro sign at A4")
        << QByteArray("Nom;Memo\nA;\xa4 5\n") << TextEncoding::Iso885915 << TextEncoding::Iso885915
        << ";" << true << QStringLiteral("A|€ 5") << "";
    QTest::newRow("byte undefined in Windows-1252")
        << QByteArray("Nom;Ville\nAB;C\x81\n") << E << TextEncoding::Windows1252 << "" << false
        << ""
        << "0x81 n'a pas de sens en Windows-1252 (ligne 2, octet 5)";
    QTest::newRow("NUL byte") << QByteArray("Nom\nA\0B\n", 7) << E << TextEncoding::Utf8 << ""
                              << false << ""
                              << "caractère nul (ligne 2, octet 2)";
    QTest::newRow("UTF-8 forced on Windows-1252 bytes")
        << QByteArray("Nom\nDupr\xe9\n") << TextEncoding::Utf8 << TextEncoding::Utf8 << "" << false
        << ""
        << "pas en UTF-8 (ligne 2, octet 5)";
    QTest::newRow("quote never closed")
        << QByteArray("Nom;Ville\nA;\"B\nC\n") << E << TextEncoding::Utf8 << ";" << false << ""
        << "ouvert à la ligne 2";
}

void TestImportText::reading() {
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, forced);
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, separator);
    QFETCH(bool, header);
    QFETCH(QString, rows);
    QFETCH(QString, error);
    TextOptions options;
    options.encoding = forced;
    const TextTable t = readTextTable(bytes, options);
    QCOMPARE(t.encoding, encoding);
    if (!error.isEmpty()) {
        QVERIFY2(t.error.contains(error), qPrintable(t.error));
        return;
    }
    QCOMPARE(t.error, QString());
    QCOMPARE(QString(t.separator), separator);
    QCOMPARE(t.header, header);
    QCOMPARE(flat(t), rows);
    // Every row has as many cells as there are columns.
    for (const QStringList& r : t.rows)
        QCOMPARE(r.size(), t.columns.size());

    // The user's choice of separator and header is followed.
    options.separator = QLatin1Char('|');
    options.header = !header;
    const TextTable overridden = readTextTable(bytes, options);
    QCOMPARE(overridden.header, !header);
    // Each line is one cell now: the first line is a row, or the header.
    const QString firstLine = header ? t.headerLine : t.rows.first().join(t.separator);
    QCOMPARE(header ? overridden.rows.first().first() : overridden.columns.first(), firstLine);
}

// A file whose lines were written in two encodings (rows pasted from a
// UTF-8 file into a Windows-1252 one) is read line by line, each in the
// encoding it is valid in, and says which lines are which; read in one
// encoding the user chose, the lines that look like the other are named.
void TestImportText::mixedEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("forced");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("lines"); // UTF-8 lines|other lines
    QTest::addColumn<QString>("notes"); // each row's note, joined by '/'
    QTest::addColumn<QString>("said");  // a part of the warning, or of the error

    const auto E = TextEncoding::Guess;
    const QByteArray mixed("Nom;Pr\xc3\xa9nom\r\nGU\xc3\x89RIN;Zo\xc3\xa9\r\nDupr\xe9;\xc9lodie\r\n"
                           "Martin;Paul\r\n");
    QTest::newRow("each line in its own encoding")
        << mixed << E << TextEncoding::PerLine
        << QStringLiteral("GUÉRIN|Zoé/Dupré|Élodie/Martin|Paul") << "1,2|3"
        << "lue en UTF-8/lue en Windows-1252/"
        << "mélange deux codages : UTF-8 (lignes 1, 2) et Windows-1252 (ligne 3)";
    QTest::newRow("Windows-1252 chosen: the UTF-8 lines named")
        << mixed << TextEncoding::Windows1252 << TextEncoding::Windows1252
        << QStringLiteral("GUÃ‰RIN|ZoÃ©/Dupré|Élodie/Martin|Paul") << "1,2|3"
        << "semble en UTF-8//"
        << "Les lignes 1, 2 semblent écrites en UTF-8";
    QTest::newRow("a quoted cell over a UTF-8 line and a Windows-1252 line")
        << QByteArray("Nom;Memo\n\"A\";\"caf\xc3\xa9\n\xe9t\xe9\"\nB;x\n") << E
        << TextEncoding::PerLine << QStringLiteral("A|café\nété/B|x") << "2|3"
        << "lue en UTF-8 et en Windows-1252/"
        << "UTF-8 (ligne 2) et Windows-1252 (ligne 3)";
    QTest::newRow("byte order mark of UTF-8, then a Windows-1252 line")
        << QByteArray("\xEF\xBB\xBFNom;Ville\nZo\xc3\xa9;Paris\nDupr\xe9;Nice\n") << E
        << TextEncoding::PerLine << QStringLiteral("Zoé|Paris/Dupré|Nice") << "2|3"
        << "lue en UTF-8/lue en Windows-1252"
        << "UTF-8 (ligne 2) et Windows-1252 (ligne 3)";
    QTest::newRow("Windows-1252 alone: nothing said")
        << QByteArray("Nom\nDupr\xe9\n") << E << TextEncoding::Windows1252
        << QStringLiteral("Dupré") << "|"
        << ""
        << "";
    QTest::newRow("UTF-8 alone: nothing said")
        << QByteArray("Nom\nDupr\xc3\xa9\n") << E << TextEncoding::Utf8 << QStringLiteral("Dupré")
        << "|"
        << ""
        << "";
    QTest::newRow("a byte undefined on a Windows-1252 line")
        << QByteArray("Nom\nZo\xc3\xa9\nA\x81\n") << E << TextEncoding::PerLine << ""
        << ""
        << ""
        << "0x81 n'a pas de sens en Windows-1252 (ligne 3, octet 2)";
}

void TestImportText::mixedEncodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, forced);
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, rows);
    QFETCH(QString, lines);
    QFETCH(QString, notes);
    QFETCH(QString, said);
    TextOptions options;
    options.encoding = forced;
    options.header = true;
    const TextTable t = readTextTable(bytes, options);
    QCOMPARE(t.encoding, encoding);
    if (rows.isEmpty()) {
        QVERIFY2(t.error.contains(said), qPrintable(t.error));
        return;
    }
    QCOMPARE(t.error, QString());
    QCOMPARE(t.columns.first(), QStringLiteral("Nom"));
    QCOMPARE(flat(t), rows);
    const auto joined = [](const QList<int>& l) {
        QStringList out;
        for (int n : l)
            out << QString::number(n);
        return out.join(QLatin1Char(','));
    };
    QCOMPARE(joined(t.utf8Lines) + QLatin1Char('|') + joined(t.otherLines), lines);
    QStringList rowNotes;
    for (qsizetype i = 0; i < t.rows.size(); ++i)
        rowNotes << encodingNote(t, i);
    QCOMPARE(rowNotes.join(QLatin1Char('/')), notes);
    if (said.isEmpty())
        QCOMPARE(t.warning, QString());
    else
        QVERIFY2(t.warning.contains(said), qPrintable(t.warning));
    // Read again in the encoding it was read in: the same table.
    options.encoding = t.encoding;
    const TextTable again = readTextTable(bytes, options);
    QCOMPARE(flat(again), rows);
    QCOMPARE(again.warning, t.warning);
}

void TestImportText::columnGuess_data() {
    QTest::addColumn<QString>("headers"); // separated by '|'
    QTest::addColumn<QString>("fields");  // fieldKey of each guess
    QTest::newRow("French") << "Nom|Prénom|Téléphone|Portable|CP|Ville|E-mail"
                            << "nom|prenom|telephone|portable|cp|ville|mail";
    QTest::newRow("capitals, accents left out, punctuation")
        << "NOM CLIENT|PRENOM|TÉL.|N° TVA|Code postal|Courriel|Civilité"
        << "nom|prenom|telephone|tva|cp|mail|sigle";
    QTest::newRow("English") << "Last name|First Name|Phone|Mobile|Zip code|City|Country|Email"
                             << "nom|prenom|telephone|portable|cp|ville|pays|mail";
    QTest::newRow("address lines, code, hand, tariff, weight, memo")
        << "N° client|Adresse|Adresse 2|Adresse 3|Main|Tarif|Poids boule|Observations|Fax"
        << "code|adresse1|adresse2|adresse3|main|tarif|poids|memo|fax";
    QTest::newRow("unknown and repeated columns left out")
        << "Nom|Date de naissance|NOM|Tel|Téléphone"
        << "nom|ignorer|ignorer|telephone|ignorer";
}

void TestImportText::columnGuess() {
    QFETCH(QString, headers);
    QFETCH(QString, fields);
    QStringList got;
    for (const ImportField f : guessMapping(headers.split(QLatin1Char('|')), true))
        got << fieldKey(f);
    QCOMPARE(got.join(QLatin1Char('|')), fields);
    // Without a header nothing is guessed.
    for (const ImportField f : guessMapping(headers.split(QLatin1Char('|')), false))
        QCOMPARE(f, ImportField::Ignored);
}

void TestImportText::mappingFile() {
    QTemporaryDir dir;
    const ImportMapping m{{ImportField::Name, ImportField::Ignored, ImportField::Mail},
                          DuplicateChoice::Complete,
                          true};
    const QString path = dir.filePath(QStringLiteral("c.ini"));
    QVERIFY(writeMappingFile(path, m));
    QString error;
    const std::optional<ImportMapping> back = readMappingFile(path, error);
    QVERIFY2(back, qPrintable(error));
    QCOMPARE(back->columns, m.columns);
    QCOMPARE(back->duplicates, m.duplicates);
    QCOMPARE(back->keepCodes, true);
    // A field the program does not know is refused, not dropped.
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    f.write("\n[colonnes]\n4=anniversaire\n");
    f.close();
    QVERIFY(!readMappingFile(path, error));
    QVERIFY2(error.contains(QStringLiteral("anniversaire")), qPrintable(error));
    // Kept by header line in the configuration folder.
    keepMapping(dir.path(), QStringLiteral("Nom;X;Mail"), m);
    // Only the columns: duplicates and codes are chosen for each import.
    const std::optional<ImportMapping> kept = keptMapping(dir.path(), QStringLiteral("Nom;X;Mail"));
    QVERIFY(kept && kept->columns == m.columns);
    QVERIFY(kept->duplicates == DuplicateChoice::Skip && !kept->keepCodes);
    QVERIFY(!keptMapping(dir.path(), QStringLiteral("Nom;Y;Mail")));
}

// A sheet as a shop's workbook holds it: a title above the header, totals
// and the header again below, or a first data line chosen by the user.
void TestImportText::workbookRows_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("firstDataLine"); // 0: guessed
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("skipped"); // line:reason,…
    const QByteArray book("Clients du magasin;;\n"
                          ";;\n"
                          "Nom;Pr\xc3\xa9nom;T\xc3\xa9l\n"
                          "Dupont;Jean;0612\n"
                          "TOTAL 1;;\n"
                          "Nom;Pr\xc3\xa9nom;T\xc3\xa9l\n"
                          "Martin;Zo\xc3\xa9;0450\n"
                          "Sous-total : 2;;\n"
                          "Total SA;;0451\n");
    QTest::newRow("title above the header, totals and the header again below")
        << book << 0 << "Nom|Prénom|Tél"
        << "Dupont|Jean|0612/Martin|Zoé|0450/Total SA||0451"
        << "1:au-dessus de l'en-tête,5:ligne de total,6:en-tête répété,8:ligne de total";
    QTest::newRow("the user's first data line: the header found above it kept")
        << book << 7 << "Nom|Prénom|Tél"
        << "Martin|Zoé|0450/Total SA||0451"
        << "1:au-dessus de l'en-tête,4:au-dessus des données,5:au-dessus des données,"
           "6:au-dessus des données,8:ligne de total";
    QTest::newRow("the user's first data line, no header above it")
        << book << 2 << "Colonne 1|Colonne 2|Colonne 3"
        << "Nom|Prénom|Tél/Dupont|Jean|0612/Nom|Prénom|Tél/Martin|Zoé|0450/Total SA||0451"
        << "1:au-dessus des données,5:ligne de total,8:ligne de total";
    QTest::newRow("no row names a field: no header, nothing above")
        << QByteArray("Dupont;0612\nTotal;1\n") << 0 << "Colonne 1|Colonne 2"
        << "Dupont|0612"
        << "2:ligne de total";
    QTest::newRow("one field named: the first row naming it")
        << QByteArray("Liste;\nClient;\nDupont;0612\n") << 0 << "Client|Colonne 2"
        << "Dupont|0612"
        << "1:au-dessus de l'en-tête";
}

void TestImportText::workbookRows() {
    QFETCH(QByteArray, csv);
    QFETCH(int, firstDataLine);
    QFETCH(QString, columns);
    QFETCH(QString, rows);
    QFETCH(QString, skipped);
    TextOptions options;
    if (firstDataLine > 0)
        options.firstDataLine = firstDataLine;
    const TextTable t = readTextTable(csv, options);
    QCOMPARE(t.error, QString());
    QCOMPARE(t.columns.join('|'), columns);
    QCOMPARE(flat(t), rows);
    QStringList left;
    for (const SkippedRow& s : t.skipped)
        left << QStringLiteral("%1:%2").arg(s.line).arg(s.reason);
    QCOMPARE(left.join(','), skipped);
    // Each data row keeps its file line.
    QCOMPARE(t.lines.size(), t.rows.size());
    QCOMPARE(t.firstDataLine, t.lines.value(0));
}

QTEST_GUILESS_MAIN(TestImportText)
#include "tst_text.moc"
