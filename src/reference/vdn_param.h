#pragma once

#include "platform/services.h"

#include <QWidget>

namespace vdn {

// The reference value maintenance window "Gestion des paramètres".
class VdnParam : public QWidget {
    Q_OBJECT
public:
    explicit VdnParam(const Services& services, QWidget* parent = nullptr);

    // Runs the window's load: opens its own connection.
    void load();

private:
    Services services_;
};

} // namespace vdn
