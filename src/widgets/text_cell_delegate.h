#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace vdn {

// Draws a grid's plain text cells as the style's item delegate does, each
// text shaped once and kept. The style lays a cell's text out three times a
// paint (for its size, its elision and its drawing); in a grid repainted at
// every keystroke of the search, that was most of the keystroke's time.
// Whatever the shortcut could not draw exactly as the style does (a text
// wider than its cell or on several lines, an icon, a check box, the focus
// frame, a cell being edited, a text given a font, colour or alignment of its
// own) is handed to the style.
class TextCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // How many texts are kept shaped.
    qsizetype textsKept() const { return shaped_.size(); }

private:
    // The texts of the last screens, shaped in the font they were shaped in.
    mutable QHash<QString, QStaticText> shaped_;
    mutable QFont font_;
};

} // namespace vdn
