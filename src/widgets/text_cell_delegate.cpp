#include "widgets/text_cell_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace vdn {

namespace {

// Past this many texts kept, the next one starts the store afresh: a grid
// shows a few hundred at a time.
constexpr qsizetype KeptTexts = 4000;

// Styles whose item views draw a cell with the common style's code, the one
// the shortcut reproduces.
bool drawsCommonCells(const QStyle* style) {
    const QString name = style->name();
    return name.compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("windows"), Qt::CaseInsensitive) == 0;
}

// A text the style would lay out on one line as it is.
bool singleLine(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == u'\t' || u == 0x2028 || u == 0x2029 || c.isSurrogate())
            return false;
        if (c.direction() == QChar::DirR || c.direction() == QChar::DirAL)
            return false;
    }
    return true;
}

// A cell with nothing but its text, in the view's own font, colours and
// alignment, neither current with the focus nor being edited.
bool plainCell(const QStyleOptionViewItem& opt, const QModelIndex& index) {
    constexpr auto extras =
        QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    if (opt.features & extras)
        return false;
    if (opt.state & (QStyle::State_HasFocus | QStyle::State_Editing))
        return false;
    if (opt.direction != Qt::LeftToRight ||
        opt.displayAlignment != (Qt::AlignLeft | Qt::AlignVCenter))
        return false;
    for (const int role : {Qt::FontRole, Qt::ForegroundRole, Qt::BackgroundRole})
        if (index.data(role).isValid())
            return false;
    return !opt.text.isEmpty() && singleLine(opt.text);
}

} // namespace

void TextCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    if (!drawsCommonCells(style) || !plainCell(opt, index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    if (opt.font != font_) {
        shaped_.clear();
        font_ = opt.font;
    }
    auto it = shaped_.find(opt.text);
    if (it == shaped_.end()) {
        if (shaped_.size() >= KeptTexts)
            shaped_.clear();
        QStaticText text(opt.text);
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), opt.font);
        it = shaped_.insert(opt.text, text);
    }
    // The text's place as the common style gives it: the cell less the focus
    // frame's margin on each side, one line centred in its height.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
    if (it->size().width() > textRect.width()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    painter->save();
    painter->setClipRect(opt.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    QPalette::ColorGroup group =
        (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    painter->setPen(opt.palette.color(
        group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);
    const int lineHeight = QFontMetrics(opt.font).height();
    const QRect line = QStyle::alignedRect(Qt::LeftToRight, opt.displayAlignment,
                                           QSize(textRect.width(), lineHeight), textRect);
    painter->drawStaticText(line.topLeft(), *it);
    painter->restore();
}

} // namespace vdn
