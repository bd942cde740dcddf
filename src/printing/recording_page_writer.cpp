#include "printing/recording_page_writer.h"

namespace vdn {

RecordingPageWriter::Op RecordingPageWriter::make(Kind kind) const {
    Op op;
    op.kind = kind;
    op.page = page();
    return op;
}

void RecordingPageWriter::drawText(double x, double y, const QString& text) {
    Op op = make(Kind::Text);
    op.x = x;
    op.y = y;
    op.text = text;
    op.fontName = fontName();
    op.fontSize = fontSize();
    op.bold = bold();
    ops_.append(op);
    drawn_ = true;
}

void RecordingPageWriter::drawBox(double x1, double y1, double x2, double y2) {
    recordShape(Kind::Box, x1, y1, x2, y2);
}

void RecordingPageWriter::drawLine(double x1, double y1, double x2, double y2) {
    recordShape(Kind::Line, x1, y1, x2, y2);
}

void RecordingPageWriter::recordShape(Kind kind, double x1, double y1, double x2, double y2) {
    Op op = make(kind);
    op.x = x1;
    op.y = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.penWidth = penWidth();
    ops_.append(op);
    drawn_ = true;
}

void RecordingPageWriter::startNewPage() {
    if (failAtPage_ > 0 && page() + 1 == failAtPage_) {
        fail(DataError::other(errnum::PrintFailure, QStringLiteral("Plus de papier")));
        return;
    }
    Op op = make(Kind::NewPage);
    op.extent = pageExtent();
    op.scale = pageScale();
    ops_.append(op);
    drawn_ = true;
}

void RecordingPageWriter::finishDocument() {
    Op op = make(Kind::EndDocument);
    op.sent = drawn_;
    op.text = documentTitle();
    op.extent = pageExtent();
    op.scale = pageScale();
    ops_.append(op);
    drawn_ = false;
}

void RecordingPageWriter::dropDocument() {
    // Recorded as a document ended without being sent.
    Op op = make(Kind::EndDocument);
    op.text = documentTitle();
    ops_.append(op);
    drawn_ = false;
}

void RecordingPageWriter::applyOrientation(Orientation o) {
    Op op = make(Kind::Orientation);
    op.orientation = o;
    ops_.append(op);
}

QList<RecordingPageWriter::Op> RecordingPageWriter::ofKind(Kind kind) const {
    QList<Op> out;
    for (const Op& op : ops_)
        if (op.kind == kind)
            out.append(op);
    return out;
}

QStringList RecordingPageWriter::texts() const {
    QStringList out;
    for (const Op& op : ops_)
        if (op.kind == Kind::Text)
            out.append(op.text);
    return out;
}

int RecordingPageWriter::documentsSent() const {
    int n = 0;
    for (const Op& op : ops_)
        if (op.kind == Kind::EndDocument && op.sent)
            ++n;
    return n;
}

} // namespace vdn
