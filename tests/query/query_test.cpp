#include <sys/mount.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <random>

#include "query/query_window.h"
#include "query/spreadsheet_export.h"
#include "support/app_fixture.h"
#include "util/gbk.h"

using namespace tablora;
using test::AppTest;

namespace {

// A journal of four orders over two days, one still open, one with 状态 2.
class QueryTest : public AppTest {
  protected:
    void SetUp() override {
        exec(
            "INSERT INTO 流水 VALUES "
            "('20250306120000','2025年3月6日12时','大厅1号',2,30,1,'经理','');"
            "INSERT INTO 流水 VALUES "
            "('20250307235900','2025年3月7日23时59分','大厅2号',4,56,0,'经理','');"
            "INSERT INTO 流水 VALUES ('20250307100000','2025-03-07 "
            "10:00','包间1号',6,100,2,'经理','A&B');"
            "INSERT INTO 流水 VALUES ('20250307110000','不是日期','包间2号',1,7,1,'经理','');"
            "INSERT INTO 明细 VALUES ('20250307235900','宫保鸡丁',28,2,56,'热菜');"
            "INSERT INTO 明细 VALUES ('20250306120000','酸辣汤',18,1,18,'汤羹');"
            "INSERT INTO 明细 VALUES ('20250306120000','米饭',2,6,12,'主食');");
        start();
        main().工具条1.clickItem(shell::MainWindow::kQuery);
    }
    query::QueryWindow& q() { return *app->queryWindow(); }
    void range(util::CalendarTime first, util::CalendarTime last) {
        q().日期框1.pick(first);
        q().日期框2.pick(last);
        q().按钮_查询时间.click();
    }
    std::vector<std::string> totals() {
        return {q().标签_人数合计.text(), q().标签_金额合计.text(), q().标签_已结合计.text(),
                q().标签_未结合计.text()};
    }
    std::string column(int c) {
        std::string out;
        for (int r = 0; r < q().超级列表框_流水.rowCount(); ++r)
            out += (r ? "," : "") + q().超级列表框_流水.cell(r, c);
        return out;
    }
    std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

}  // namespace

TEST_F(QueryTest, AllOrdersWithRowNumbersImagesAndTotalsFromTheList) {
    EXPECT_EQ(q().top(), 155);
    EXPECT_EQ(q().日期框1.date(), (util::CalendarTime{2025, 3, 7, 0, 0, 0}));
    EXPECT_EQ(q().超级列表框_流水.rowCount(), 0);
    q().按钮_查询全部.click();
    ASSERT_EQ(q().超级列表框_流水.rowCount(), 4);
    EXPECT_EQ(column(0), "1,2,3,4");
    EXPECT_EQ(column(6), "已结账,未结账,已结账,已结账");  // 状态 2 counts as settled
    EXPECT_EQ(q().超级列表框_流水.cellImage(1, 6), "unsettled");
    EXPECT_EQ(q().超级列表框_流水.cellImage(2, 6), "settled");
    EXPECT_EQ(q().超级列表框_流水.cell(2, 8), "A&B");
    EXPECT_EQ(totals(), (std::vector<std::string>{"13", "193", "137", "56"}));
    EXPECT_EQ(app->session().lastQueryKind, 0);

    // Selecting a row shows its lines and facts, by keyboard or mouse alike.
    q().超级列表框_流水.selectRow(0);
    ASSERT_EQ(q().超级列表框_明细.rowCount(), 2);
    EXPECT_EQ(q().超级列表框_明细.cell(1, 0), "2");
    EXPECT_EQ(q().超级列表框_明细.cell(1, 2), "米饭");
    EXPECT_EQ(q().超级列表框_明细.cell(1, 4), "6");
    EXPECT_EQ(q().标签_时间.text(), "2025年3月6日12时");
    EXPECT_EQ(q().标签_金额.text(), "30");

    // An empty journal: no rows, no message, totals 0.
    exec("DELETE FROM 流水");
    const size_t before = mark();
    q().按钮_查询全部.click();
    EXPECT_EQ(q().超级列表框_流水.rowCount(), 0);
    EXPECT_EQ(q().超级列表框_明细.rowCount(), 0);
    EXPECT_EQ(mark(), before);
    EXPECT_EQ(totals(), (std::vector<std::string>{"0", "0", "0", "0"}));
}

TEST_F(QueryTest, ByNumberFindsTheFirstExactMatchOnly) {
    q().按钮_查询单号.click();
    EXPECT_EQ(lastMessage().text, "请填写要查询的单号！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
    q().按钮_查询全部.click();
    q().编辑框_单号.type(" 20250306120000");
    q().按钮_查询单号.click();
    EXPECT_EQ(lastMessage().text, "没有查询到该单号，请检查是否输入有误！");
    EXPECT_EQ(q().超级列表框_流水.rowCount(), 0);
    EXPECT_EQ(totals(), (std::vector<std::string>{"0", "0", "0", "0"}));
    EXPECT_EQ(app->session().lastQueryKind, 0);

    exec("INSERT INTO 流水 VALUES ('20250306120000','2025年3月6日12时','大厅3号',9,9,0,'经理','')");
    q().编辑框_单号.type("20250306120000");
    q().按钮_查询单号.click();
    ASSERT_EQ(q().超级列表框_流水.rowCount(), 1);
    EXPECT_EQ(q().超级列表框_流水.cell(0, 3), "大厅1号");
    EXPECT_EQ(app->session().lastQueryKind, 1);
}

TEST_F(QueryTest, ByDateReadsEveryFormAndComparesWholeDays) {
    range({2025, 3, 7}, {2025, 3, 7});
    EXPECT_EQ(column(1), "20250307235900,20250307100000");  // 23:59 today; a numeric form
    EXPECT_EQ(app->session().lastQueryKind, 2);
    EXPECT_EQ(totals(), (std::vector<std::string>{"10", "156", "100", "56"}));
    range({2025, 3, 6}, {2025, 3, 7});
    EXPECT_EQ(column(1), "20250306120000,20250307235900,20250307100000");  // never the unreadable
    range({2025, 3, 8}, {2025, 3, 9});
    EXPECT_EQ(lastMessage().text, "该时间段没有记录！");
    EXPECT_EQ(q().超级列表框_流水.rowCount(), 0);
    range({2025, 3, 7}, {2025, 3, 6});  // first day after the last
    EXPECT_EQ(lastMessage().text, "该时间段没有记录！");
    EXPECT_EQ(app->session().lastQueryKind, 2);
}

TEST(DateText, ReadsTheStoredFormsAndRefusesWhatIsNoRealDate) {
    using util::CalendarTime;
    using util::readDateText;
    EXPECT_EQ(readDateText("2022年12月31日12时35分"), (CalendarTime{2022, 12, 31, 12, 35, 0}));
    EXPECT_EQ(readDateText("2022年12月31日"), (CalendarTime{2022, 12, 31, 0, 0, 0}));
    EXPECT_EQ(readDateText("2024年2月29日1时2分3秒"), (CalendarTime{2024, 2, 29, 1, 2, 3}));
    EXPECT_EQ(readDateText("2022-12-31 12:35:09"), (CalendarTime{2022, 12, 31, 12, 35, 9}));
    EXPECT_EQ(readDateText("2022/1/2"), (CalendarTime{2022, 1, 2, 0, 0, 0}));
    EXPECT_EQ(readDateText("2022.01.02 08:05"), (CalendarTime{2022, 1, 2, 8, 5, 0}));
    for (const char* bad :
         {"", "不是日期", "2023年2月29日", "2022年13月1日", "2022年1月1日25时",
          "2022年1月1日12时5秒", "2022-12", "2022-12-31 12:60", "20221231", "2022年1月1日x"})
        EXPECT_FALSE(readDateText(bad)) << bad;
}

TEST_F(QueryTest, DeletingAnOrderTakesItsLinesAndRepeatsTheLastQuery) {
    // Order window and cash desk are open on the order about to go.
    order().组合框_切换.choose(0);
    order().按钮_切换.click();
    EXPECT_EQ(order().标签_单号.text(), "20250307235900");
    checkout();
    main().工具条1.clickItem(shell::MainWindow::kQuery);

    q().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "请选择要删除的项目！");
    q().编辑框_单号.type("20250307235900");
    q().按钮_查询单号.click();
    q().超级列表框_流水.selectRow(0);
    desktop.answers.push_back(ui::Answer::Cancel);
    q().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "删除当前记录后，该记录下的菜品明细将同步删除。是否继续？");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Question);
    EXPECT_EQ(lastMessage().buttons, ui::Buttons::OkCancel);
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "4");

    desktop.answers.push_back(ui::Answer::Ok);
    q().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "没有查询到该单号，请检查是否输入有误！");
    EXPECT_EQ(sql("SELECT count(*) FROM 流水 WHERE 单号='20250307235900'"), "0");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细"), "2");
    EXPECT_EQ(q().超级列表框_明细.rowCount(), 0);
    // No window goes on offering it.
    EXPECT_EQ(order().标签_单号.text(), "");
    EXPECT_EQ(order().组合框_切换.itemCount(), 0);
    EXPECT_EQ(checkout().超级列表框_流水.rowCount(), 0);
}

TEST_F(QueryTest, ADeleteWhoseJournalPartFailsLeavesTheWholeOrder) {
    exec("CREATE TRIGGER keep BEFORE DELETE ON 流水 BEGIN SELECT RAISE(ABORT, 'kept'); END;");
    q().按钮_查询全部.click();
    q().超级列表框_流水.selectRow(0);
    desktop.answers.push_back(ui::Answer::Ok);
    q().按钮_删除.click();
    EXPECT_EQ(desktop.messages[desktop.messages.size() - 1].text, "删除失败，请检查！");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细 WHERE 单号='20250306120000'"), "2");
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "4");
    EXPECT_EQ(q().超级列表框_流水.rowCount(), 4);  // the repeated query
    // The cursor's view of the lines is what the file holds after the rollback.
    q().超级列表框_流水.selectRow(0);
    EXPECT_EQ(q().超级列表框_明细.rowCount(), 2);
}

TEST_F(QueryTest, PermissionsAtCreationAndAtEveryLogin) {
    addUser("收银", "1", "1100000000");
    switchUser("收银", "1");
    for (ui::Button* b : {&q().按钮_查询全部, &q().按钮_查询单号, &q().按钮_查询时间,
                          &q().按钮_删除, &q().按钮_流水导出, &q().按钮_单台导出})
        EXPECT_FALSE(b->enabled()) << b->name();
    addUser("查账", "2", "0011010000");
    switchUser("查账", "2");
    EXPECT_TRUE(q().按钮_查询全部.enabled());
    EXPECT_TRUE(q().按钮_删除.enabled());
    EXPECT_FALSE(q().按钮_流水导出.enabled());
    EXPECT_TRUE(q().按钮_单台导出.enabled());
    q().destroy();
    main().工具条1.clickItem(shell::MainWindow::kQuery);
    EXPECT_FALSE(q().按钮_流水导出.enabled());
    EXPECT_TRUE(q().按钮_查询时间.enabled());
}

TEST_F(QueryTest, TheLastQueryKindOutlivesTheWindow) {
    range({2025, 3, 6}, {2025, 3, 6});
    q().destroy();
    main().工具条1.clickItem(shell::MainWindow::kQuery);
    EXPECT_EQ(app->session().lastQueryKind, 2);
    // The reopened window deletes with the date query the boxes hold now: today.
    range({2025, 3, 6}, {2025, 3, 6});
    q().超级列表框_流水.selectRow(0);
    desktop.answers.push_back(ui::Answer::Ok);
    q().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "该时间段没有记录！");
}

TEST_F(QueryTest, SingleOrderExportIsTheExampleByteForByte) {
    exec(
        "DELETE FROM 流水; DELETE FROM 明细;"
        "INSERT INTO 流水 VALUES ('20250307140509','2025年3月7日14时5分9秒','A1',4,56,1,'经理','');"
        "INSERT INTO 明细 VALUES ('20250307140509','宫保鸡丁',28,2,56,'热菜');");
    q().按钮_单台导出.click();
    EXPECT_EQ(lastMessage().text, "当前列表无内容！");
    EXPECT_TRUE(desktop.saveDialogs.empty());
    q().按钮_查询全部.click();
    q().超级列表框_流水.selectRow(0);
    desktop.clock = {2025, 3, 7, 14, 5, 9};
    const std::string path = dir.path("order");
    desktop.saves.push_back(path);
    q().按钮_单台导出.click();
    ASSERT_EQ(desktop.saveDialogs.size(), 1u);
    EXPECT_EQ(desktop.saveDialogs[0].title, "保存文件");
    EXPECT_EQ(desktop.saveDialogs[0].proposedName, "Tablora_单台_2025年3月7日14时5分9秒.xls");
    EXPECT_EQ(desktop.saveDialogs[0].filter, "Excel文件(*.xls)");
    EXPECT_EQ(lastMessage().text, "保存成功！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
    // The character set declared (LibreOffice reads GBK right only so), the order number a
    // text cell in both spreadsheet programs.
    const char* lines[] = {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">",
                           "<table border=\"0\">",
                           "  <tr>",
                           "<th  colspan='7' style='font-family:宋体;font-size:30px;'>台号：A1",
                           "开台时间：2025年3月7日14时5分9秒",
                           "人数：4",
                           "金额：56</th>",
                           "  </tr>",
                           "</table>",
                           "<table border=\"1\">",
                           "  <tr>",
                           "    <th>序号</th>",
                           "    <th>系统单号</th>",
                           "    <th>菜品名称</th>",
                           "    <th>单价</th>",
                           "    <th>数量</th>",
                           "    <th>金额</th>",
                           "    <th>菜品分类</th>",
                           "  </tr>",
                           "  <tr>",
                           "    <td>1</td>",
                           "    <td style=\"mso-number-format:'\\@'\" sdnum=\"2052;0;@\">"
                           "20250307140509</td>",
                           "    <td>宫保鸡丁</td>",
                           "    <td>28</td>",
                           "    <td>2</td>",
                           "    <td>56</td>",
                           "    <td>热菜</td>",
                           "  </tr>",
                           "</table>"};
    std::string expected;
    for (const char* line : lines) expected += std::string(line) + "\r\n";
    EXPECT_EQ(readFile(path + ".xls"), util::toGbk(expected));
    EXPECT_EQ(readFile(path + ".xls").substr(0, 5), "<meta");  // no byte-order mark

    // A whole minute leaves the seconds out of the proposed name; the journal export.
    desktop.clock = {2025, 3, 7, 14, 5, 0};
    desktop.saves.push_back(std::nullopt);
    const size_t before = mark();
    q().按钮_流水导出.click();
    EXPECT_EQ(desktop.saveDialogs[1].proposedName, "Tablora_流水_2025年3月7日14时5分.xls");
    EXPECT_EQ(mark(), before);  // cancelled: nothing said
}

TEST_F(QueryTest, JournalExportEscapesTextsAndReportsWhatCouldNotBeWritten) {
    exec("UPDATE 流水 SET 备注='<VIP> 😀' WHERE 单号='20250306120000'");
    q().按钮_查询全部.click();
    const std::string path = dir.path("journal.XLS");
    desktop.saves.push_back(path);
    q().按钮_流水导出.click();
    const std::string text = readFile(path);
    EXPECT_NE(text.find(util::toGbk("<th  colspan='9' style='font-family:宋体;font-size:30px;'>"
                                    "Tablora_流水</th>\r\n")),
              std::string::npos);
    EXPECT_NE(text.find("    <td>&lt;VIP&gt; ?</td>\r\n"), std::string::npos);
    EXPECT_NE(text.find("    <td>A&amp;B</td>\r\n"), std::string::npos);
    EXPECT_NE(text.find(util::toGbk("    <th>结账备注</th>\r\n")), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 10), "</table>\r\n");

    desktop.saves.push_back(dir.path("no-such-folder/journal"));
    q().按钮_流水导出.click();
    EXPECT_EQ(lastMessage().text, "保存失败，请检查！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
}

TEST(Export, XlsIsAppendedOnlyWhereItOccursNowhere) {
    EXPECT_EQ(query::withXlsExtension("/tmp/report"), "/tmp/report.xls");
    for (const char* kept : {"/tmp/REPORT.XLS", "/tmp/a.xlsx", "/tmp/a.xls.txt", "/x.xls/b"})
        EXPECT_EQ(query::withXlsExtension(kept), kept);
}

TEST_F(QueryTest, AFileHeldByAnotherProgramIsNeitherEmptyNorHalfDeleted) {
    q().按钮_查询全部.click();
    q().超级列表框_流水.selectRow(0);
    {
        test::OutsideLock lock(db);
        ASSERT_TRUE(lock.held());
        desktop.answers.push_back(ui::Answer::Ok);
        q().按钮_删除.click();
        // The file is read while another program writes it: the repeated 全部 shows the
        // journal as it is.
        EXPECT_EQ(lastMessage().text, "删除失败，请检查！");
        EXPECT_EQ(q().超级列表框_流水.rowCount(), 4);  // as it was
        EXPECT_EQ(q().标签_金额合计.text(), "193");
    }
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "4");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细 WHERE 单号='20250306120000'"), "2");
}

TEST_F(QueryTest, AnOrderWhoseNumberCannotBeReadIsDeletedAloneWithItsOwnLines) {
    exec(
        "INSERT INTO 流水 VALUES ('','2025年3月8日','大厅3号',1,1,1,'经理','empty');"
        "INSERT INTO 流水 VALUES (NULL,'2025年3月8日','大厅4号',1,2,1,'经理','null');"
        "INSERT INTO 流水 VALUES (CAST(X'FFFE' AS TEXT),'2025年3月8日','大厅5号',1,3,1,'经理',"
        "'bad');"
        "INSERT INTO 明细 VALUES ('','a',1,1,1,'x');"
        "INSERT INTO 明细 VALUES (NULL,'b',1,1,1,'x');"
        "INSERT INTO 明细 VALUES (CAST(X'FFFE' AS TEXT),'c',1,1,1,'x');"
        "INSERT INTO 明细 VALUES (CAST(X'FFFE' AS TEXT),'d',1,1,1,'x');");
    q().按钮_查询全部.click();
    for (const char* remark : {"bad", "null"}) {
        int row = 0;
        while (q().超级列表框_流水.cell(row, 8) != remark) ++row;
        q().超级列表框_流水.selectRow(row);
        desktop.answers.push_back(ui::Answer::Ok);
        q().按钮_删除.click();
    }
    EXPECT_EQ(sql("SELECT group_concat(备注, ',') FROM 流水 WHERE 金额 < 4"), "empty");
    EXPECT_EQ(sql("SELECT group_concat(菜品, ',') FROM 明细 WHERE 分类='x'"), "a");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细"), "4");
}

TEST_F(QueryTest, AnExportThatFailsLeavesTheOldFileAndNothingElse) {
    // A small file system that fills up mid-save, where the test may mount one.
    const std::string small = dir.path("small");
    std::filesystem::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::string path = small + "/journal.xls";
    { std::ofstream(path) << "old"; }
    exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO 流水 SELECT 20250101000000 + i, '2025年1月1日', '大厅1号', 1, i, 1, '经理', "
        "'一段很长的结账备注' FROM n");
    q().按钮_查询全部.click();
    desktop.saves.push_back(path);
    q().按钮_流水导出.click();
    EXPECT_EQ(lastMessage().text, "保存失败，请检查！");
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(small),
                            std::filesystem::directory_iterator()),
              1);
    ::umount(small.c_str());
}

TEST_F(QueryTest, AnExportRefusesAFifoAndLeavesNulBytesOut) {
    exec("UPDATE 流水 SET 备注='a'||char(0)||'b' WHERE 单号='20250306120000'");
    q().按钮_查询全部.click();
    const std::string fifo = dir.path("pipe.xls");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    desktop.saves.push_back(fifo);
    q().按钮_流水导出.click();  // would wait for a reader for ever
    EXPECT_EQ(lastMessage().text, "保存失败，请检查！");

    const std::string path = dir.path("journal.xls");
    desktop.saves.push_back(path);
    q().按钮_流水导出.click();
    EXPECT_EQ(lastMessage().text, "保存成功！");
    const std::string text = readFile(path);
    EXPECT_NE(text.find("    <td>ab</td>\r\n"), std::string::npos);
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

// The day query asks the index for each day's (or month's) forms of text; whatever the form,
// it finds exactly the records a walk reading every opening time finds.
TEST_F(QueryTest, TheDayQueryFindsWhatAWalkOverEveryTimeFinds) {
    std::mt19937 random(7);
    const char* const forms[] = {"%d年%d月%d日%d时", "%d年%02d月%02d日", "%d-%d-%d %d:05",
                                 "%d/%02d/%d",       " %d.%d.%d",        "%d:%02d:%02d",
                                 "\t%d年%d月%d日",   "%d-%d-%dT%d",      "%d年%d月%d日x"};
    std::string sql;
    for (int i = 0; i < 3000; ++i) {
        char text[64];
        const int year = 2024 + static_cast<int>(random() % 3);
        const int month = 1 + static_cast<int>(random() % 12);
        const int day = 1 + static_cast<int>(random() % 31);
        std::snprintf(text, sizeof text, forms[random() % 9], year, month, day,
                      static_cast<int>(random() % 24));
        sql += "INSERT INTO 流水 VALUES ('" + std::to_string(30000000000000LL + i) + "','" + text +
               "','大厅1号',1,1,1,'经理','');";
    }
    exec(sql);
    auto found = [&](util::CalendarTime first, util::CalendarTime last, bool walking) {
        app->data().database.setLiteralWalks(walking);
        range(first, last);
        app->data().database.setLiteralWalks(false);
        return column(1);
    };
    const std::vector<std::pair<util::CalendarTime, util::CalendarTime>> spans = {
        {{2025, 3, 7, 0, 0, 0}, {2025, 3, 7, 0, 0, 0}},
        {{2025, 1, 1, 0, 0, 0}, {2025, 1, 9, 0, 0, 0}},
        {{2025, 2, 27, 0, 0, 0}, {2025, 3, 2, 0, 0, 0}},
        {{2024, 12, 31, 0, 0, 0}, {2025, 1, 1, 0, 0, 0}},
        {{2025, 5, 10, 0, 0, 0}, {2025, 9, 20, 0, 0, 0}},
        {{2024, 1, 1, 0, 0, 0}, {2026, 12, 31, 0, 0, 0}},
        {{2025, 10, 10, 0, 0, 0}, {2025, 10, 31, 0, 0, 0}}};
    for (const auto& [first, last] : spans) {
        const std::string asked = found(first, last, false);
        EXPECT_EQ(asked, found(first, last, true)) << first.month << "/" << first.day;
        EXPECT_FALSE(asked.empty());
    }
}

// A long journal list holds its records' rowids and reads their texts as rows are shown: the
// rows, totals and export are those of the records, and a row shown after its record went
// reads as a walk reads a record that is gone.
TEST_F(QueryTest, ALongListReadsEachRowWhenShownAndActsOnTheVeryRecord) {
    exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 400) "
        "INSERT INTO 流水 SELECT 20240101000000 + i, '2024-01-01 10:00:00', '厅' || i, i % 5, "
        "i, i % 2, '经理', CASE WHEN i = 300 THEN 'a<b' ELSE '' END FROM n;");
    q().按钮_查询全部.click();
    auto& list = q().超级列表框_流水;
    ASSERT_EQ(list.rowCount(), 404);
    EXPECT_EQ(totals(), (std::vector<std::string>{"813", "80393", "40137", "40256"}));
    EXPECT_EQ(list.row(303),
              (std::vector<std::string>{"304", "20240101000300", "2024-01-01 10:00:00", "厅300",
                                        "0", "300", "未结账", "经理", "a<b"}));
    EXPECT_EQ(list.cellImage(304, query::QueryWindow::结账状态), "settled");

    // Another program deletes a record not yet shown, and changes one already shown.
    exec(
        "DELETE FROM 流水 WHERE 单号 = '20240101000390'; "
        "UPDATE 流水 SET 台号 = '改' WHERE 单号 = '20240101000300'");
    EXPECT_EQ(list.row(393),
              (std::vector<std::string>{"394", "", "", "", "0", "0", "未结账", "", ""}));
    EXPECT_EQ(list.cell(303, query::QueryWindow::台号), "厅300");

    // The export holds every row as the list shows it.
    desktop.saves.push_back(dir.path("all.xls"));
    q().按钮_流水导出.click();
    const std::string exported = readFile(dir.path("all.xls"));
    EXPECT_NE(exported.find("<td>a&lt;b</td>"), std::string::npos);
    EXPECT_NE(exported.find(">20240101000399</td>"), std::string::npos);
    EXPECT_EQ(exported.find(">20240101000390</td>"), std::string::npos);

    // Deleting a row reaches its own record, which still holds the number shown.
    list.selectRow(350);
    desktop.answers.push_back(ui::Answer::Ok);
    q().按钮_删除.click();
    EXPECT_EQ(sql("SELECT count(*) FROM 流水 WHERE 单号 = '20240101000347'"), "0");
    EXPECT_EQ(sql("SELECT count(*) FROM 流水"), "402");
    EXPECT_EQ(list.rowCount(), 402);
}

TEST_F(QueryTest, EveryDeletedOrderLeavesATraceOrIsNotDeleted) {
    q().按钮_查询全部.click();
    int row = 0;
    while (q().超级列表框_流水.cell(row, 1) != "20250306120000") ++row;
    // The trace cannot be written: nothing is deleted.
    exec("CREATE TRIGGER 不许记 BEFORE INSERT ON 删除记录 BEGIN SELECT RAISE(ABORT, 'no'); END");
    q().超级列表框_流水.selectRow(row);
    desktop.answers.push_back(ui::Answer::Ok);
    q().按钮_删除.click();
    EXPECT_EQ(lastMessage().text, "删除失败，请检查！");
    EXPECT_EQ(lastMessage().icon, ui::Icon::Information);
    EXPECT_EQ(sql("SELECT count(*) FROM 流水 WHERE 单号='20250306120000'"), "1");
    EXPECT_EQ(sql("SELECT count(*) FROM 明细 WHERE 单号='20250306120000'"), "2");
    EXPECT_EQ(sql("SELECT count(*) FROM 删除记录"), "0");
    exec("DROP TRIGGER 不许记");
    // Written with the order, its lines as text, how it was paid, who and when; its payment
    // row goes with it, so an order opened later on the same number inherits none.
    exec("INSERT INTO 结账 VALUES ('20250306120000', '微信', 30, 0, '经理', '2025年3月6日')");
    q().按钮_查询全部.click();
    q().超级列表框_流水.selectRow(row);
    desktop.answers.push_back(ui::Answer::Ok);
    q().按钮_删除.click();
    EXPECT_EQ(sql("SELECT count(*) FROM 流水 WHERE 单号='20250306120000'"), "0");
    EXPECT_EQ(
        sql("SELECT 单号||'/'||台号||'/'||人数||'/'||金额||'/'||状态||'/'||明细||'/'||操作员||"
            "'/'||删除时间 FROM 删除记录"),
        "20250306120000/大厅1号/2/30/1/酸辣汤×1=18；米饭×6=12；付款方式：微信/经理/"
        "2025年3月7日14时5分9秒");
    EXPECT_EQ(sql("SELECT count(*) FROM 结账 WHERE 单号='20250306120000'"), "0");
}
