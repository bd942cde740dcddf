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
// data. Never replaces an existing file or VORDAN's tables on a server. The
// file is made under a name of its own and takes the database's name only
// when complete and while that name is free, so a failure removes only
// what this call made (on a server, its one transaction leaves nothing).
Status createDatabase(const CreateOptions& options);

} // namespace vdn
