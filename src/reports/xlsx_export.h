#pragma once

#include <string>
#include <vector>

namespace tablora::report {

// One sheet of a workbook: a title row, then rows of cells; the columns marked as numbers hold
// numbers, every other cell text (order numbers and dates stay text, as written).
struct Sheet {
    std::string name;
    std::vector<std::string> titles;
    std::vector<bool> numeric;
    std::vector<std::vector<std::string>> rows;
};

// Writes a real .xlsx workbook; false when it could not be written whole.
bool writeWorkbook(const std::string& path, const std::vector<Sheet>& sheets);

}  // namespace tablora::report
