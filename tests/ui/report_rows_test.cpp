// Rows known by a key and read when shown must read exactly as rows filled at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/controls.h"

using namespace tablora::ui;

namespace {

// Rows keyed 10, 20, ...; the reader gives each row "row-key" and its key, and counts its calls.
struct Keyed {
    explicit Keyed(int count, bool failing = false) : rows(2) {
        rows.setReader([this, failing](ReportRows& r, int first, int n) {
            runs.push_back(first);
            if (failing) return false;
            for (int row = first; row < first + n; ++row) {
                if (r.key(row) == 0 || r.key(row) % 70 == 0) continue;  // a record gone: empty
                const std::string k = std::to_string(r.key(row));
                r.fillRow(row, {std::to_string(row) + "-" + k, k});
            }
            return true;
        });
        for (int i = 1; i <= count; ++i) rows.addKeyedRow(i * 10);
    }
    ReportRows rows;
    std::vector<int> runs;
};

}  // namespace

TEST(KeyedRows, AreReadARunAtATimeWhenFirstAskedForAndKept) {
    Keyed k(300);
    EXPECT_EQ(k.rows.rowCount(), 300);
    EXPECT_TRUE(k.runs.empty());
    EXPECT_EQ(k.rows.cellView(130, 0), "130-1310");
    EXPECT_EQ(k.rows.cellView(255, 1), "2560");
    EXPECT_EQ(k.rows.cellView(6, 0), "");  // key 70: left by the reader, shown empty
    EXPECT_EQ(k.rows.cellView(299, 0), "299-3000");
    EXPECT_EQ(k.runs, (std::vector<int>{128, 0, 256}));
    EXPECT_EQ(k.rows.cellView(131, 0), "131-1320");
    EXPECT_EQ(k.runs.size(), 3u);

    // Cells set and rows removed keep keys and texts together.
    EXPECT_TRUE(k.rows.setCell(131, 1, "x"));
    EXPECT_TRUE(k.rows.removeRow(0));
    EXPECT_EQ(k.rows.key(0), 20);
    EXPECT_EQ(k.rows.cellView(130, 1), "x");
    EXPECT_EQ(k.rows.key(130), 1320);
    // A plain row after keyed ones has no key and needs no reading.
    const int plain = k.rows.addRow({"a", "b"});
    EXPECT_EQ(k.rows.key(plain), 0);
    EXPECT_EQ(k.rows.cellView(plain, 1), "b");
}

TEST(KeyedRows, AVisitLetsGoOfWhatItAloneReadAndKeepsWhatWasShown) {
    Keyed k(300);
    EXPECT_EQ(k.rows.cellView(5, 0), "5-60");  // shown: run 0 read
    std::string all;
    std::vector<std::string_view> cells;
    k.rows.forEachRow([&](int row) {
        k.rows.rowCells(row, cells);
        all += std::string(cells[0]) + "|" + std::string(cells[1]) + ";";
    });
    EXPECT_EQ(k.runs, (std::vector<int>{0, 128, 256}));
    std::string expected;
    for (int row = 0; row < 300; ++row) {
        const int key = (row + 1) * 10;
        expected += key % 70 == 0 ? "|;"
                                  : std::to_string(row) + "-" + std::to_string(key) + "|" +
                                        std::to_string(key) + ";";
    }
    EXPECT_EQ(all, expected);
    // Runs 1 and 2 were read for the visit only: asked for again, they are read again.
    EXPECT_TRUE(k.rows.isRead(5));
    EXPECT_FALSE(k.rows.isRead(200));
    EXPECT_EQ(k.rows.cellView(200, 0), "200-2010");
    EXPECT_EQ(k.runs, (std::vector<int>{0, 128, 256, 128}));
    // Rows added after a visit are stored as before.
    const int plain = k.rows.addRow({"c", "d"});
    EXPECT_EQ(k.rows.cellView(plain, 0), "c");
    EXPECT_EQ(k.rows.cellView(200, 0), "200-2010");
}

TEST(KeyedRows, ARunThatCouldNotBeReadShowsEmptyAndIsAskedForAgain) {
    Keyed k(10, true);
    EXPECT_EQ(k.rows.cellView(3, 0), "");
    EXPECT_EQ(k.rows.cellView(4, 0), "");
    EXPECT_EQ(k.runs.size(), 2u);
    EXPECT_FALSE(k.rows.isRead(3));
}
