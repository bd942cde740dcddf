#include "printing/first_row.h"

#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/services.h"

namespace vdn {

void sayNothingToPrint(const QString& nothingToPrint, const Services& services, QWidget* owner) {
    services.pointer->setDefault();
    services.boxes->message(owner, nothingToPrint);
}

} // namespace vdn
