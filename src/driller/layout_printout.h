#pragma once

#include "data/drilling_store.h"
#include "driller/layout_geometry.h"
#include "driller/layout_scene.h"
#include "printing/print_job.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vdn {

// The title the job carries in the print queue.
inline QString layoutTitle(const QString& customer) {
    return QStringLiteral("VORDAN - Implantation de ") + customer;
}

// One block of the page's text column: a title and its lines.
struct LayoutSection {
    QString title;
    QStringList lines;
};

// What the layout page shows, made by layoutPage().
struct LayoutPage {
    QString shopName;
    QString customer;
    QDate date;
    layout::Scene scene;
    // Client, ball, hand, driller; the layout in both systems; what it means.
    QList<LayoutSection> sections;
    // The marking steps, numbered on the page in this order.
    QStringList steps;
};

// What the page is made from: the layout window's values, or a recorded
// drilling's.
struct LayoutSheet {
    QString shopName;
    QString customer;
    QString ball; // as the page names it: "Boule 002 – BRUNSWICK HY-ROAD n° 2B41187 – 15 lb"
    QString driller;
    layout::Hand hand = layout::Hand::Right;
    QDate today;
    layout::DualAngle layout;
    double pinToMb = layout::DefaultPinToMb;
    layout::Pap pap;
    layout::Core core = layout::Core::Symmetric;
    // The recorded drilling shown: its own date, driller and sections.
    std::optional<BallDrilling> recorded;
    // Else the rules' verdict on the drilling as it stands, when checked.
    std::optional<QString> verdict;
};

// The page's drawing, sections and marking steps, in French.
LayoutPage layoutPage(const LayoutSheet& sheet);

// The layout page: header, the drawing on the left, the sections on the
// right, the numbered marking steps under the drawing, on one landscape
// page. Every text keeps to its room: long lines are wrapped at a blank.
PrintOutcome printLayout(const LayoutPage& page, const Services& services, QWidget* owner);
// The same on any page writer (tests record the page).
PrintOutcome printLayout(const LayoutPage& page, PageWriter& out, const Services& services,
                         QWidget* owner);

} // namespace vdn
