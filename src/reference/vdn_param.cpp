#include "reference/vdn_param.h"

namespace vdn {

VdnParam::VdnParam(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("VDN_param"));
    setWindowTitle(QStringLiteral("Gestion des paramètres"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(11235 / 15, 8625 / 15);
}

void VdnParam::load() {}

} // namespace vdn
