#pragma once

#include "data/sqlite_table.h"
#include "ui/controls.h"

namespace tablora::shell {

// The row the cash desk and the journal show for the current order line: number, dish, and
// price, quantity and amount read as whole numbers, category; the row number left empty.
void appendOrderLineRow(ui::ReportList& list, data::SqliteTable& lines);

}  // namespace tablora::shell
