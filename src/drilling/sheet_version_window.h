#pragma once

#include "platform/services.h"

#include <QDialog>
#include <QSqlDatabase>

#include <memory>

namespace vdn {

class SheetForm;

// A customer's drilling sheet as one of its versions holds it, read-only,
// with the fields changed since the version before marked as the sheet
// panel marks them: the sheet a ball was drilled with, in a window of its
// own, so that the ball record stays open as it is.
class SheetVersionWindow : public QDialog {
    Q_OBJECT
public:
    SheetVersionWindow(const Services& services, QWidget* parent);
    ~SheetVersionWindow() override;

    // Reads the version and the one before it; false after reporting a
    // failure (the window is then not to be shown).
    bool load(QSqlDatabase db, const QString& code, const QString& customerName,
              const QString& number);

private:
    Services services_;
    std::unique_ptr<SheetForm> form_;
};

} // namespace vdn
