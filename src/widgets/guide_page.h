#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>

namespace vdn {

// The page of the user guide that F1 opens from a window: a file of the
// guide's folder ("implantation.md"), kept as a property of the window so
// that the help key, which sits above every window, finds it without
// knowing the window.
inline constexpr char GuidePageProperty[] = "vordanGuidePage";

inline void setGuidePage(QWidget* window, const QString& page) {
    window->setProperty(GuidePageProperty, page);
}

// The page named by the widget or the nearest of its parents; empty for the
// guide's first page.
inline QString guidePageOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant page = w->property(GuidePageProperty);
        if (page.isValid())
            return page.toString();
    }
    return {};
}

} // namespace vdn
