#pragma once

#include "driller/layout_scene.h"

#include <QWidget>

#include <optional>

namespace vdn {

// The layout's drawing on screen. It keeps the last scene it was given:
// disabled, it shows that scene greyed (the values in the window cannot be
// drawn as they stand).
class LayoutPicture : public QWidget {
    Q_OBJECT
public:
    explicit LayoutPicture(QWidget* parent = nullptr);

    void setScene(layout::Scene scene);
    const std::optional<layout::Scene>& scene() const { return scene_; }

    QSize sizeHint() const override { return {520, 520}; }

    // Where the scene's label texts go in a picture of `size` written in
    // `font`: one rectangle per label, in the scene's order, none over
    // another.
    static QList<QRectF> labelBoxes(const layout::Scene& scene, QSizeF size, const QFont& font);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<layout::Scene> scene_;
};

} // namespace vdn
