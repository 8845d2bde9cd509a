// Both spreadsheet exports opened in LibreOffice Calc (headless): every cell reads right,
// Chinese (GBK-only characters too) and the order numbers, which stay text.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "query/query_window.h"
#include "support/app_fixture.h"

using namespace tablora;

namespace {

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class OfficeTest : public test::AppTest {
  protected:
    // The export as Calc reads it: its cells as CSV (UTF-8), and its first sheet as Calc saves
    // it in .xlsx, for the cells' types.
    void convert(const std::string& xls, std::string& csv, std::string& sheet) {
        const std::string profile = "-env:UserInstallation=file://" + dir.path("lo-profile");
        const std::string tail = " --outdir '" + dir.path("") + "' '" + xls + "'";
        run("soffice " + profile +
            " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76'" + tail);
        run("soffice " + profile + " --headless --convert-to xlsx" + tail);
        const std::string stem = xls.substr(0, xls.size() - 4);
        csv = readText(stem + ".csv");
        sheet = run("unzip -p '" + stem + ".xlsx' xl/worksheets/sheet1.xml");
    }
    static std::string csvLine(const std::vector<std::string>& cells) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) line += (i ? "," : "") + cells[i];
        return line;
    }
};

}  // namespace

TEST_F(OfficeTest, BothExportsReadRightInLibreOffice) {
    exec("INSERT INTO 菜品 VALUES ('堃燊镕汤/38元','汤羹')");
    start();
    ASSERT_EQ(openTable("大厅1号", "4"), "开台成功！");
    addDish("热菜", "宫保鸡丁/28元");
    addDish("汤羹", "堃燊镕汤/38元");
    main().工具条1.clickItem(shell::MainWindow::kQuery);
    auto& q = *app->queryWindow();
    q.按钮_查询全部.click();
    q.超级列表框_流水.selectRow(0);

    desktop.saves.push_back(dir.path("order"));
    q.按钮_单台导出.click();
    ASSERT_EQ(lastMessage().text, "保存成功！");
    desktop.saves.push_back(dir.path("journal"));
    q.按钮_流水导出.click();
    ASSERT_EQ(lastMessage().text, "保存成功！");

    for (const auto& [file, list] : {std::pair{dir.path("order.xls"), &q.超级列表框_明细},
                                     std::pair{dir.path("journal.xls"), &q.超级列表框_流水}}) {
        std::string csv, sheet;
        convert(file, csv, sheet);
        ASSERT_FALSE(csv.empty()) << "LibreOffice did not read " << file;
        std::vector<std::string> titles;
        for (const auto& column : list->columns()) titles.push_back(column.title);
        EXPECT_NE(csv.find(csvLine(titles)), std::string::npos) << csv;
        for (int r = 0; r < list->rowCount(); ++r)
            EXPECT_NE(csv.find(csvLine(list->row(r))), std::string::npos)
                << file << " row " << r << "\n"
                << csv;
        // The 14-digit order number is a text cell, never a number shown as 2.0250E+13.
        EXPECT_EQ(sheet.find("<v>20250307140509</v>"), std::string::npos) << sheet;
    }
    EXPECT_NE(readText(dir.path("order.csv")).find("堃燊镕汤"), std::string::npos);
}
