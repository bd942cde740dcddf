#pragma once

#include "data/data_error.h"
#include "data/demo_data.h"

#include <optional>

namespace vdn {

struct CreateOptions {
    QString folder;
    QString shopName = QStringLiteral("MON PRO SHOP");
    QString licence = QStringLiteral("0001");
    std::optional<DemoOptions> demo; // sample customers, balls and sheets
};

// Makes FOLDER/vordan.mdb: schema, the shop identity row, the starter
// reference values and, when asked, the demo data. Never replaces an existing
// file; a failed creation removes the partial file.
Status createDatabase(const CreateOptions& options);

} // namespace vdn
