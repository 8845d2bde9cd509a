#include "reports/xlsx_export.h"

#include <xlsxwriter.h>

#include <cstdlib>

namespace tablora::report {

bool writeWorkbook(const std::string& path, const std::vector<Sheet>& sheets) {
    lxw_workbook* book = workbook_new(path.c_str());
    if (!book) return false;
    bool ok = true;
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    for (const Sheet& sheet : sheets) {
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet.name.c_str());
        if (!ws) {
            ok = false;
            break;
        }
        for (size_t c = 0; c < sheet.titles.size(); ++c) {
            worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), sheet.titles[c].c_str(), bold);
            worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), 16,
                                 nullptr);
        }
        for (size_t r = 0; r < sheet.rows.size(); ++r)
            for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
                const std::string& cell = sheet.rows[r][c];
                const auto row = static_cast<lxw_row_t>(r + 1);
                const auto col = static_cast<lxw_col_t>(c);
                const bool number = c < sheet.numeric.size() && sheet.numeric[c];
                const lxw_error written =
                    number ? worksheet_write_number(ws, row, col,
                                                    std::strtod(cell.c_str(), nullptr), nullptr)
                           : worksheet_write_string(ws, row, col, cell.c_str(), nullptr);
                ok = ok && written == LXW_NO_ERROR;
            }
    }
    return workbook_close(book) == LXW_NO_ERROR && ok;
}

}  // namespace tablora::report
