#include "platform/text_codec.h"
#include "store/history_grid.h"
#include "store_fixture.h"

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

class HistoryGridTest : public test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeDir(u"zenvo/data"_s);
        grid.chushihua();
    }
    HistoryGrid grid;
};

TEST_F(HistoryGridTest, TitlesAndRowNumbersAreTheHeaders) {
    EXPECT_EQ(grid.cell(0, 0), u"序号"_s);
    EXPECT_EQ(grid.cell(1, 0), u"百度/反链"_s);
    EXPECT_EQ(grid.cell(12, 0), u"查询时间"_s);
    EXPECT_EQ(grid.cell(0, 1), u"1"_s);
    EXPECT_EQ(grid.cell(0, 1000), u"1000"_s);
    EXPECT_EQ(grid.rowCount(), 1000);
    EXPECT_EQ(grid.columnCount(), 12);
    EXPECT_EQ(grid.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), u"百度/反链"_s);
    EXPECT_EQ(grid.headerData(999, Qt::Vertical, Qt::DisplayRole).toString(), u"1000"_s);
    EXPECT_FALSE(grid.flags(grid.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(grid.cell(13, 1), QString());
    EXPECT_EQ(grid.cell(1, 1001), QString());
}

TEST_F(HistoryGridTest, FieldsGoOnePerColumnUnlookedAtAndAThirteenthHasNoColumn) {
    QStringList thirteen;
    for (int i = 1; i <= 13; ++i)
        thirteen.append(u"f%1"_s.arg(i));
    grid.placeRecords({thirteen, {u" 未选 "_s, u"'a,b'"_s}});
    EXPECT_EQ(grid.cell(1, 1), u"f1"_s);
    EXPECT_EQ(grid.cell(12, 1), u"f12"_s);
    EXPECT_EQ(grid.data(grid.index(0, 11), Qt::DisplayRole).toString(), u"f12"_s);
    EXPECT_EQ(grid.cell(1, 2), u" 未选 "_s);
    EXPECT_EQ(grid.cell(2, 2), u"'a,b'"_s);
    EXPECT_EQ(grid.cell(3, 2), QString());
    EXPECT_EQ(grid.cell(0, 2), u"2"_s);
}

TEST_F(HistoryGridTest, BulkWritesSignalOnce) {
    QList<QStringList> records(1000, QStringList(12, u"x"_s));
    int changes = 0;
    QObject::connect(&grid, &QAbstractItemModel::dataChanged, &grid, [&] { ++changes; });
    grid.placeRecords(records);
    grid.clearStringGrid();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(grid.cell(12, 1000), QString());
    EXPECT_EQ(grid.cell(0, 1000), u"1000"_s);
}

TEST_F(HistoryGridTest, ClickClearsOnlyAGridThatHoldsARecordInItsFirstCell) {
    grid.setCell(5, 7, u"left over"_s);
    EXPECT_EQ(ShowSiteHistory(grid, std::nullopt), std::nullopt);
    // Row 1, column 1 is empty: the grid counts as empty and is not cleared.
    EXPECT_EQ(grid.cell(5, 7), u"left over"_s);
    grid.setCell(1, 1, u"1/2"_s);
    EXPECT_EQ(ShowSiteHistory(grid, std::nullopt), std::nullopt);
    EXPECT_EQ(grid.cell(5, 7), QString());
    EXPECT_EQ(grid.cell(1, 1), QString());
}

TEST_F(HistoryGridTest, FailuresEndTheClickSilently) {
    grid.setCell(1, 1, u"old"_s);
    // No history file, and a name that is no history file.
    EXPECT_EQ(ShowSiteHistory(grid, u"never.example"_s), std::nullopt);
    EXPECT_EQ(ShowSiteHistory(grid, u"../x"_s), std::nullopt);
    EXPECT_EQ(grid.cell(1, 1), QString());
    writeBytes(u"zenvo/data/ab.example.txt"_s, platform::toAnsi(u"1/2,中\r\n3/4\r\n"_s));
    const auto records = ShowSiteHistory(grid, u"ab.example"_s);
    ASSERT_TRUE(records.has_value());
    EXPECT_EQ(records->size(), 2);
    EXPECT_EQ(grid.cell(1, 1), u"3/4"_s);
    EXPECT_EQ(grid.cell(2, 2), u"中"_s);
}

} // namespace
} // namespace kelvane::store
