#pragma once

#include "platform/services.h"

#include <QWidget>

namespace vdn {

// The customer window "Gestion des Clients".
class VdnClient : public QWidget {
    Q_OBJECT
public:
    explicit VdnClient(const Services& services, QWidget* parent = nullptr);

    // Runs the window's load: opens its connection and shows the list.
    void load();

private:
    Services services_;
};

} // namespace vdn
