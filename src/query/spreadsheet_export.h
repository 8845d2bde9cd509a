#pragma once

#include <string>

#include "ui/controls.h"

namespace tablora::query {

// The text of an export file, in UTF-8 before it becomes GBK: an HTML table that spreadsheet
// programs open as a sheet, every line ended by CR LF. `&`, `<` and `>` in a text are written
// as entities, so the sheet shows what the list shows.
std::string spreadsheetText(const ui::ReportList& list, bool headerRow, const std::string& title);

// Writes the export file (GBK, no byte-order mark), replacing what the file held. True only
// when every byte was written and the file closed without error.
bool ExportListAsSpreadsheet(const std::string& path, const ui::ReportList& list, bool headerRow,
                             const std::string& title);

// The chosen path, with ".xls" appended unless it occurs anywhere in it (in any letter case).
std::string withXlsExtension(const std::string& path);

}  // namespace tablora::query
