#include "customers/vdn_client.h"

namespace vdn {

VdnClient::VdnClient(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("VDN_client"));
    setWindowTitle(QStringLiteral("Gestion des Clients"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(18900 / 15, 10700 / 15);
}

void VdnClient::load() {}

} // namespace vdn
