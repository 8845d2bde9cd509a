#include "shell/report_rows.h"

#include "util/text.h"

namespace tablora::shell {

void appendOrderLineRow(ui::ReportList& list, data::SqliteTable& lines) {
    auto whole = [&lines](const char* field) {
        return util::numberText(static_cast<long long>(lines.readInt(field)));
    };
    list.addRow({"", lines.readText("单号"), lines.readText("菜品"), whole("单价"), whole("数量"),
                 whole("金额"), lines.readText("分类")});
}

}  // namespace tablora::shell
