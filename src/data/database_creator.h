#pragma once

#include "data/data_error.h"
#include "data/demo_data.h"

#include <optional>

namespace vdn {

struct CreateOptions {
    QString folder; // or the address of an empty server database
    QString shopName = QStringLiteral("MON PRO SHOP");
    QString licence = QStringLiteral("0001");
    std::optional<DemoOptions> demo; // sample customers, balls and sheets
};

// Makes FOLDER/vordan.mdb, or fills an empty server database: schema, the
// shop identity row, the starter reference values and, when asked, the demo
// data. Never replaces an existing file or VORDAN's tables on a server; a
// failed creation removes the partial file (on a server, its one
// transaction leaves nothing behind).
Status createDatabase(const CreateOptions& options);

} // namespace vdn
