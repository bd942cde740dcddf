#pragma once

#include "printing/page_writer.h"

#include <QList>

namespace vdn {

// Records every operation with its position, font and page, for tests. Text
// widths and line heights come from the font's metrics, as on paper.
class RecordingPageWriter : public PageWriter {
public:
    enum class Kind { Text, Box, Line, NewPage, EndDocument, Orientation };

    struct Op {
        Kind kind = Kind::Text;
        int page = 0; // page number while drawn (Text, Box, Line, NewPage)
        double x = 0; // Text: top-left corner; Box, Line: first corner
        double y = 0;
        double x2 = 0; // Box, Line: second corner
        double y2 = 0;
        double penWidth = 0; // Box, Line: in twips
        QString text;
        QString fontName; // Text only
        double fontSize = 0;
        bool bold = false;
        PageWriter::Orientation orientation = PageWriter::Orientation::Portrait; // Orientation
        bool sent = false; // EndDocument: something had been drawn
        // NewPage, EndDocument: the page just ended, what its drawing covered
        // and the factor it would be printed at; EndDocument: text holds the
        // document's title.
        QRectF extent;
        double scale = 1;
    };

    const QList<Op>& ops() const { return ops_; }
    void clear() { ops_.clear(); }

    // The operations of one kind, in order.
    QList<Op> ofKind(Kind kind) const;
    // Texts of the document, in order.
    QStringList texts() const;
    // Documents ended with something drawn in them.
    int documentsSent() const;

    // Makes the printer fail when it is asked for this page (2 = the first new
    // page), as a printer running out of paper would.
    void failAtPage(int page) { failAtPage_ = page; }

    // The printable area of the paper the pages are laid out for, in twips;
    // empty (the default) for paper without limits.
    void setPrintableSize(const QSizeF& twips) { printable_ = twips; }

protected:
    void drawText(double x, double y, const QString& text) override;
    void drawBox(double x1, double y1, double x2, double y2) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void startNewPage() override;
    void finishDocument() override;
    void dropDocument() override;
    void applyOrientation(Orientation o) override;
    QSizeF printableSize() const override { return printable_; }

private:
    QSizeF printable_;
    Op make(Kind kind) const;
    // Records a box or a line from (x1, y1) to (x2, y2).
    void recordShape(Kind kind, double x1, double y1, double x2, double y2);
    QList<Op> ops_;
    bool drawn_ = false;
    int failAtPage_ = 0;
};

} // namespace vdn
