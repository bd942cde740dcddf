#include "customer_click.h"

#include "balls/ball_panel.h"
#include "customers/customer_list_model.h"
#include "customers/vdn_client.h"

#include <QCoreApplication>
#include <QTableView>
#include <QTest>

namespace bench {

namespace {
void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}
} // namespace

bool clickCustomerRow(vdn::VdnClient& client, QTableView& grid, const vdn::BallPanel& balls,
                      const QString& code, bool fetchPages) {
    auto* model = qobject_cast<vdn::CustomerListModel*>(grid.model());
    if (!model)
        return false;
    const auto rowOf = [&] {
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->code(r) == code)
                return r;
        return -1;
    };
    int row = rowOf();
    while (row < 0 && fetchPages && model->canFetchMore({})) {
        model->fetchMore({});
        row = rowOf();
    }
    if (row < 0)
        return false;
    grid.scrollTo(model->index(row, 0));
    settle();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(model->index(row, int(vdn::CustomerColumn::Name))).center());
    settle();
    return client.currentCode() == code && !balls.isHidden();
}

} // namespace bench
