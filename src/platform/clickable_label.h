#pragma once

#include <QLabel>

namespace vdn {

// A caption or picture that reacts to a click, like the old image controls
// and clickable captions.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace vdn
