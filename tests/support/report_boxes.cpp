#include "support/report_boxes.h"

namespace vdn::test {

QString ReportBoxes::reportStart() {
    return QStringLiteral("L'erreur suivante s'est produite:");
}

void ReportBoxes::message(QWidget* parent, const QString& text) {
    if (text.startsWith(reportStart()))
        reports << text;
    else
        scripted_.message(parent, text);
}

bool ReportBoxes::question(QWidget* parent, const QString& text) {
    if (text.startsWith(reportStart())) {
        reports << text;
        return false;
    }
    return scripted_.question(parent, text);
}

} // namespace vdn::test
