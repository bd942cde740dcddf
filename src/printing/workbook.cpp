#include "printing/workbook.h"

#include <QtEndian>

#include <array>
#include <limits>

namespace vdn {

namespace {

// The zip container holds its parts uncompressed ("stored"): every reader
// takes them, and nothing beyond Qt is needed to write them.
constexpr quint32 LocalHeader = 0x04034b50;
constexpr quint32 CentralHeader = 0x02014b50;
constexpr quint32 EndOfCentral = 0x06054b50;
constexpr quint16 Version = 20;
// 1 January 1980, midnight: a fixed date, so that two exports of the same
// rows give the same bytes.
constexpr quint16 DosDate = (1 << 5) | 1;
constexpr quint16 DosTime = 0;
// A sheet larger than the container's 32-bit sizes would need the zip64
// extension, which this writer leaves out.
constexpr quint64 Limit = std::numeric_limits<quint32>::max();
constexpr qsizetype SheetBlock = 64 * 1024;

const char* const SheetPart = "xl/worksheets/sheet1.xml";

const std::array<quint32, 256>& crcTable() {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

// The CRC-32 of zip, continued from `crc` over `bytes`.
quint32 crc32(quint32 crc, const QByteArray& bytes) {
    const auto& table = crcTable();
    crc = ~crc;
    for (const char b : bytes)
        crc = table[(crc ^ quint8(b)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

QByteArray localHeader(const char* name, quint32 crc, quint32 size) {
    const QByteArray n(name);
    QByteArray h;
    put32(h, LocalHeader);
    put16(h, Version);
    put16(h, 0); // flags
    put16(h, 0); // stored
    put16(h, DosTime);
    put16(h, DosDate);
    put32(h, crc);
    put32(h, size); // compressed
    put32(h, size);
    put16(h, quint16(n.size()));
    put16(h, 0); // extra field
    return h + n;
}

bool isHex(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

// Text as a cell's XML content. Characters XML cannot hold (control
// characters, carriage returns, which a reader would turn into line feeds)
// are written as the workbook format's "_xHHHH_"; an underscore that would
// read as the start of such an escape is itself escaped.
void appendCellText(QStringView text, QByteArray& out) {
    QString x;
    x.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u == '&') {
            x += QLatin1String("&amp;");
        } else if (u == '<') {
            x += QLatin1String("&lt;");
        } else if (u == '>') {
            x += QLatin1String("&gt;");
        } else if ((u < 0x20 && u != '\t' && u != '\n') || u == 0xFFFE || u == 0xFFFF ||
                   (c.isSurrogate() &&
                    !(c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) &&
                    !(c.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))) {
            x += QStringLiteral("_x%1_").arg(uint(u), 4, 16, QLatin1Char('0')).toUpper();
        } else if (u == '_' && i + 6 < text.size() && text[i + 1] == QLatin1Char('x') &&
                   isHex(text[i + 2]) && isHex(text[i + 3]) && isHex(text[i + 4]) &&
                   isHex(text[i + 5]) && text[i + 6] == QLatin1Char('_')) {
            x += QLatin1String("_x005F_");
        } else {
            x += c;
        }
    }
    out += x.toUtf8();
}

// "A", "B", … "Z", "AA", … for a column counted from 0.
QByteArray columnName(int column) {
    QByteArray name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(char('A' + (n - 1) % 26));
    return name;
}

QByteArray xmlHeader() {
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
}

const QByteArray MainNs =
    QByteArrayLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QByteArray RelNs =
    QByteArrayLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

} // namespace

WorkbookWriter::WorkbookWriter(const QString& path, const QString& sheetName, int columns)
    : file_(path), sheetName_(sheetName), columns_(columns) {}

bool WorkbookWriter::write(const QByteArray& bytes) {
    if (file_.write(bytes) == bytes.size())
        return true;
    error_ = file_.errorString();
    return false;
}

void WorkbookWriter::central(const char* name, quint32 crc, quint64 size, qint64 at) {
    const QByteArray n(name);
    put32(central_, CentralHeader);
    put16(central_, Version); // made by
    put16(central_, Version); // needed
    put16(central_, 0);
    put16(central_, 0);
    put16(central_, DosTime);
    put16(central_, DosDate);
    put32(central_, crc);
    put32(central_, quint32(size));
    put32(central_, quint32(size));
    put16(central_, quint16(n.size()));
    put16(central_, 0); // extra field
    put16(central_, 0); // comment
    put16(central_, 0); // disk
    put16(central_, 0); // internal attributes
    put32(central_, 0); // external attributes
    put32(central_, quint32(at));
    central_ += n;
    ++entries_;
}

bool WorkbookWriter::entry(const char* name, const QByteArray& content) {
    const qint64 at = file_.pos();
    const quint32 crc = crc32(0, content);
    if (!write(localHeader(name, crc, quint32(content.size()))) || !write(content))
        return false;
    central(name, crc, quint64(content.size()), at);
    return true;
}

bool WorkbookWriter::open() {
    if (!file_.open(QIODevice::WriteOnly)) {
        error_ = file_.errorString();
        return false;
    }
    const QByteArray types =
        xmlHeader() +
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
        "</Types>";
    const QByteArray rels =
        xmlHeader() +
        "<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        RelNs + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    QByteArray name;
    appendCellText(sheetName_, name);
    const QByteArray workbook = xmlHeader() + "<workbook xmlns=\"" + MainNs + "\" xmlns:r=\"" +
                                RelNs + "\"><sheets><sheet name=\"" + name +
                                "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    const QByteArray workbookRels =
        xmlHeader() +
        "<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        RelNs +
        "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"" +
        RelNs + "/styles\" Target=\"styles.xml\"/></Relationships>";
    // Style 1 is the number format "@", text: the sheet's columns carry it.
    const QByteArray styles =
        xmlHeader() + "<styleSheet xmlns=\"" + MainNs +
        "\"><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
        "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" "
        "fillId=\"0\" borderId=\"0\" xfId=\"0\"/><xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>";
    if (!entry("[Content_Types].xml", types) || !entry("_rels/.rels", rels) ||
        !entry("xl/workbook.xml", workbook) || !entry("xl/_rels/workbook.xml.rels", workbookRels) ||
        !entry("xl/styles.xml", styles))
        return false;
    // The sheet's header is written now and completed once its size and
    // check sum are known.
    sheetHeaderAt_ = file_.pos();
    if (!write(localHeader(SheetPart, 0, 0)))
        return false;
    QByteArray start = xmlHeader() + "<worksheet xmlns=\"" + MainNs + "\">";
    if (columns_ > 0)
        start += "<cols><col min=\"1\" max=\"" + QByteArray::number(columns_) +
                 "\" width=\"16\" style=\"1\" customWidth=\"1\"/></cols>";
    start += "<sheetData>";
    return sheetBytes(start);
}

bool WorkbookWriter::sheetBytes(const QByteArray& bytes) {
    pending_ += bytes;
    if (pending_.size() < SheetBlock)
        return true;
    sheetCrc_ = crc32(sheetCrc_, pending_);
    sheetSize_ += quint64(pending_.size());
    const bool ok = write(pending_);
    pending_.clear();
    if (ok && sheetSize_ > Limit) {
        error_ = QStringLiteral("le classeur dépasse 4 Go");
        return false;
    }
    return ok;
}

bool WorkbookWriter::endRow() {
    if (!inRow_)
        return true;
    inRow_ = false;
    return sheetBytes(QByteArrayLiteral("</row>"));
}

bool WorkbookWriter::row() {
    if (!endRow())
        return false;
    inRow_ = true;
    ++rows_;
    columnsInRow_ = 0;
    return sheetBytes("<row r=\"" + QByteArray::number(rows_) + "\">");
}

bool WorkbookWriter::cell(QStringView text) {
    const int column = columnsInRow_++;
    // An empty value is an empty cell.
    if (text.isEmpty())
        return true;
    QByteArray c = "<c r=\"" + columnName(column) + QByteArray::number(rows_) +
                   "\" s=\"1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">";
    appendCellText(text, c);
    c += "</t></is></c>";
    return sheetBytes(c);
}

bool WorkbookWriter::commit() {
    if (!endRow() || !sheetBytes(QByteArrayLiteral("</sheetData></worksheet>")))
        return false;
    sheetCrc_ = crc32(sheetCrc_, pending_);
    sheetSize_ += quint64(pending_.size());
    if (!write(pending_))
        return false;
    pending_.clear();
    if (sheetSize_ > Limit) {
        error_ = QStringLiteral("le classeur dépasse 4 Go");
        return false;
    }
    const qint64 end = file_.pos();
    if (!file_.seek(sheetHeaderAt_) ||
        !write(localHeader(SheetPart, sheetCrc_, quint32(sheetSize_))) || !file_.seek(end))
        return false;
    central(SheetPart, sheetCrc_, sheetSize_, sheetHeaderAt_);
    QByteArray tail;
    put32(tail, EndOfCentral);
    put16(tail, 0);
    put16(tail, 0);
    put16(tail, quint16(entries_));
    put16(tail, quint16(entries_));
    put32(tail, quint32(central_.size()));
    put32(tail, quint32(end));
    put16(tail, 0);
    if (quint64(end) + quint64(central_.size()) > Limit) {
        error_ = QStringLiteral("le classeur dépasse 4 Go");
        return false;
    }
    if (!write(central_) || !write(tail))
        return false;
    if (!file_.commit()) {
        error_ = file_.errorString();
        return false;
    }
    return true;
}

void WorkbookWriter::cancel() {
    file_.cancelWriting();
}

QString WorkbookWriter::errorString() const {
    return error_;
}

} // namespace vdn
