#include "gui_support/gui_helpers.h"
#include "platform/errors.h"
#include "platform/text_file.h"
#include "store/history.h"
#include "store/history_chart_data.h"
#include "store/history_csv.h"
#include "store/history_grid.h"
#include "store/history_window.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <memory>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;
using test::control;

// A record line whose Baidu count is the number, so each record can be told apart.
QString record(int number) {
    return u"%1/35,980/12,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,123456,未选,"
           u"2010/1/26 13:05:09"_s.arg(number);
}

QStringList records(int from, int to) {
    QStringList lines;
    for (int i = from; i <= to; ++i)
        lines << record(i);
    return lines;
}

class HistoryWindowTest : public test::StoreWindowTest {
protected:
    void open() {
        jilu = std::make_unique<TfrmJilu>();
        jilu->show();
        QApplication::processEvents();
        urlList = control<QListWidget>(jilu.get(), "urlList");
    }
    // Row k's cells 1 to 12.
    QStringList row(int k) const {
        QStringList cells;
        for (int column = 1; column < kHistoryGridColumns; ++column)
            cells << jilu->grid().cell(column, k);
        return cells;
    }
    bool rowIsEmpty(int k) const { return row(k).join(QString()).isEmpty(); }
    int filledRows() const {
        int rows = 0;
        for (int k = 1; k < kHistoryGridRows; ++k)
            rows += rowIsEmpty(k) ? 0 : 1;
        return rows;
    }

    std::unique_ptr<TfrmJilu> jilu;
    QListWidget* urlList = nullptr;
};

TEST_F(HistoryWindowTest, ControlsStandWhereAndAsTheyShould) {
    writeSiteList(u"ab.example\r\ncd.example\r\n"_s);
    writeHistory(u"ab.example"_s, records(1, 40));
    open();
    EXPECT_EQ(jilu->windowTitle(), u" 查询记录"_s);
    EXPECT_EQ(jilu->size(), QSize(742, 719));
    EXPECT_EQ(jilu->minimumSize(), jilu->maximumSize());
    EXPECT_EQ(urlList->geometry(), QRect(8, 8, 161, 465));
    EXPECT_EQ(urlList->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(urlList->isSortingEnabled());
    ASSERT_EQ(urlList->count(), 2);
    EXPECT_EQ(urlList->visualItemRect(urlList->item(0)).height(), 15);

    auto* grid = control<QTableView>(jilu.get(), "sgLishi");
    EXPECT_EQ(grid->geometry(), QRect(175, 8, 561, 467));
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->verticalHeader()->width(), 30);
    EXPECT_EQ(grid->horizontalHeader()->height(), 20);
    EXPECT_EQ(grid->rowHeight(0), 20);
    EXPECT_EQ(grid->rowHeight(999), 20);
    EXPECT_EQ(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const int widths[] = {30, 85, 85, 85, 85, 85, 85, 85, 65, 70, 65, 65, 150};
    const char16_t* titles[] = {u"序号",      u"百度/反链", u"谷歌/反链", u"雅虎/反链",
                                u"搜狗/反链", u"搜搜/反链", u"有道/反链", u"必应/反链",
                                u"PageRank",  u"SogouRank", u"AlexaRank", u"ChinaRank",
                                u"查询时间"};
    for (int column = 0; column < 13; ++column) {
        EXPECT_EQ(jilu->grid().cell(column, 0), QString::fromUtf16(titles[column])) << column;
        if (column > 0) {
            EXPECT_EQ(grid->columnWidth(column - 1), widths[column]) << column;
            EXPECT_EQ(grid->model()->headerData(column - 1, Qt::Horizontal).toString(),
                      QString::fromUtf16(titles[column]));
        }
    }
    EXPECT_EQ(grid->model()->rowCount(), 1000);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Vertical).toString(), u"1"_s);
    EXPECT_EQ(grid->model()->headerData(999, Qt::Vertical).toString(), u"1000"_s);
    // The scroll bars reach all 12 record columns and all 1000 rows.
    EXPECT_GT(grid->horizontalScrollBar()->maximum(), 0);
    grid->scrollTo(grid->model()->index(999, 11));
    EXPECT_EQ(grid->rowAt(grid->viewport()->height() - 1), 999);

    EXPECT_EQ(control<QPushButton>(jilu.get(), "btnExport")->text(), u"导出 CSV"_s);
    EXPECT_FALSE(control<QPushButton>(jilu.get(), "btnExport")->isEnabled());
    auto* metrics = control<QComboBox>(jilu.get(), "cbChart");
    EXPECT_EQ(metrics->count(), 6);
    EXPECT_EQ(metrics->itemText(0), u"收录"_s);
    clickEntry(urlList, u"ab.example"_s);
    grid->scrollToTop();
    grid->horizontalScrollBar()->setValue(0);
    test::saveScreenshot(jilu.get(), u"history"_s);
    metrics->setCurrentIndex(4);
    test::saveScreenshot(jilu.get(), u"history-alexa"_s);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

TEST_F(HistoryWindowTest, ThreeRecordsNewestFirstAndOnlyNumbersBelow) {
    writeSiteList(u"ab.example"_s);
    writeHistory(u"ab.example"_s, records(1, 3));
    open();
    clickEntry(urlList, u"ab.example"_s);
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(row(k), record(4 - k).split(u',')) << "row " << k;
    for (int k = 4; k <= 1000; ++k) {
        ASSERT_TRUE(rowIsEmpty(k)) << "row " << k;
        ASSERT_EQ(jilu->grid().cell(0, k), QString::number(k));
    }
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(HistoryWindowTest, FifteenHundredRecordsShowTheNewestThousandAndTrimTheFile) {
    writeSiteList(u"ab.example"_s);
    writeHistory(u"ab.example"_s, records(1, 1500));
    open();
    clickEntry(urlList, u"ab.example"_s);
    EXPECT_EQ(filledRows(), 1000);
    EXPECT_EQ(jilu->grid().cell(1, 1), u"1500/35"_s);
    EXPECT_EQ(jilu->grid().cell(1, 1000), u"501/35"_s);
    EXPECT_EQ(readBytes(historyPath(u"ab.example"_s)),
              platform::toAnsi(records(501, 1500).join(u"\r\n"_s) + u"\r\n"_s));
    // A file of 1000 lines is only read.
    const QDateTime written = QFileInfo(historyPath(u"ab.example"_s)).lastModified();
    clickEntry(urlList, u"ab.example"_s);
    EXPECT_EQ(QFileInfo(historyPath(u"ab.example"_s)).lastModified(), written);
    EXPECT_EQ(filledRows(), 1000);
}

TEST_F(HistoryWindowTest, ASecondSiteShowsNoneOfTheFirst) {
    writeSiteList(u"big.example\r\nsmall.example"_s);
    writeHistory(u"big.example"_s, records(1, 1000));
    writeHistory(u"small.example"_s, {u"7/7,8/8"_s});
    open();
    clickEntry(urlList, u"big.example"_s);
    ASSERT_EQ(filledRows(), 1000);
    clickEntry(urlList, u"small.example"_s);
    EXPECT_EQ(filledRows(), 1);
    EXPECT_EQ(row(1).mid(0, 3), (QStringList{u"7/7"_s, u"8/8"_s, u""_s}));
    EXPECT_EQ(jilu->chart().data(), HistoryChart({{u"7/7"_s, u"8/8"_s}}));
}

TEST_F(HistoryWindowTest, AClickThatLeavesNoSelectionEmptiesTheGrid) {
    writeSiteList(u"ab.example"_s);
    writeHistory(u"ab.example"_s, records(1, 3));
    open();
    clickEntry(urlList, u"ab.example"_s);
    ASSERT_EQ(filledRows(), 3);
    // Ctrl and a click take the selection away.
    clickEntry(urlList, u"ab.example"_s, Qt::ControlModifier);
    EXPECT_TRUE(urlList->selectedItems().isEmpty());
    EXPECT_EQ(filledRows(), 0);
    EXPECT_EQ(jilu->grid().cell(0, 3), u"3"_s);

    // After an activation nothing is selected; a click below the entries shows nothing.
    clickEntry(urlList, u"ab.example"_s);
    ASSERT_EQ(filledRows(), 3);
    jilu->FormActivate();
    clickEntry(urlList, QString());
    EXPECT_TRUE(urlList->selectedItems().isEmpty());
    EXPECT_EQ(filledRows(), 0);
    EXPECT_FALSE(control<QPushButton>(jilu.get(), "btnExport")->isEnabled());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(HistoryWindowTest, AnEmptyAlexaFieldShiftsChinaRankAndTimeLeft) {
    writeSiteList(u"ab.example"_s);
    writeHistory(u"ab.example"_s,
                 {u"1/2,3/4,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,,未选,"
                  u"2010/1/26 13:05:09"_s});
    open();
    clickEntry(urlList, u"ab.example"_s);
    EXPECT_EQ(jilu->grid().cell(10, 1), u"未选"_s);               // under AlexaRank
    EXPECT_EQ(jilu->grid().cell(11, 1), u"2010/1/26 13:05:09"_s); // under ChinaRank
    EXPECT_EQ(jilu->grid().cell(12, 1), QString());               // 查询时间 empty
}

TEST_F(HistoryWindowTest, ActivationReloadsTheListAndLosesTheSelection) {
    writeSiteList(u"ab.example"_s);
    writeHistory(u"ab.example"_s, records(1, 3));
    open();
    clickEntry(urlList, u"ab.example"_s);
    writeSiteList(u"ab.example\r\nnew.example\r\n"_s);

    // Another window of the program becomes active, then the history window again.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 2000));
    jilu->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(jilu.get(), 2000));
    ASSERT_EQ(urlList->count(), 2);
    EXPECT_EQ(urlList->item(1)->text(), u"new.example"_s);
    EXPECT_TRUE(urlList->selectedItems().isEmpty());
    // The grid keeps what it showed.
    EXPECT_EQ(filledRows(), 3);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(HistoryWindowTest, ASiteWithoutHistoryShowsAnEmptyGridSilently) {
    writeSiteList(u"ab.example\r\nnever.example"_s);
    writeHistory(u"ab.example"_s, records(1, 3));
    open();
    clickEntry(urlList, u"ab.example"_s);
    clickEntry(urlList, u"never.example"_s);
    EXPECT_EQ(filledRows(), 0);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_TRUE(jilu->chart().data().stamps.isEmpty());
}

TEST_F(HistoryWindowTest, AMissingListAtCreationIsSilentAndAtActivationReportedOnce) {
    jilu = std::make_unique<TfrmJilu>();
    urlList = control<QListWidget>(jilu.get(), "urlList");
    EXPECT_EQ(urlList->count(), 0);
    EXPECT_TRUE(reports.isEmpty());
    writeSiteList(u"ab.example"_s);
    jilu->FormActivate();
    ASSERT_EQ(urlList->count(), 1);
    QFile::remove(listPath());
    // Closing the report activates the window again: a lasting failure is reported once.
    jilu->FormActivate();
    jilu->FormActivate();
    EXPECT_EQ(urlList->count(), 0);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(u"Kelvane|"_s));
}

TEST_F(HistoryWindowTest, ChartAndExportHoldTheShownRecords) {
    writeSiteList(u"ab.example"_s);
    const QStringList lines = {u"100/10,未选/未选,3"_s, u"200/x,\"a,b\",中文"_s,
                               u"300/30,1/1,4,20,100,200,2010/1/28"_s};
    writeHistory(u"ab.example"_s, lines);
    open();
    clickEntry(urlList, u"ab.example"_s);
    const QList<QStringList> expected = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(expected.size(), 3);
    EXPECT_EQ(jilu->chart().data(), HistoryChart(expected));
    EXPECT_EQ(jilu->chart().data().metrics[0].lines[0].values,
              (QList<std::optional<double>>{100, 200, 300}));
    auto* metrics = control<QComboBox>(jilu.get(), "cbChart");
    metrics->setCurrentIndex(1);
    EXPECT_EQ(jilu->chart().metric(), 1);

    QString suggested;
    jilu->setSaveFileChooser([&](QWidget*, const QString& name) {
        suggested = name;
        return path(u"out.csv"_s);
    });
    auto* exportButton = control<QPushButton>(jilu.get(), "btnExport");
    ASSERT_TRUE(exportButton->isEnabled());
    exportButton->click();
    EXPECT_TRUE(suggested.endsWith(u"ab.example.csv"_s));
    EXPECT_EQ(readBytes(path(u"out.csv"_s)), HistoryCsv(expected));
    // Neither the chart nor the export touched the grid or the history file.
    EXPECT_EQ(jilu->grid().cell(1, 1), u"300/30"_s);
    EXPECT_EQ(readBytes(historyPath(u"ab.example"_s)),
              platform::toAnsi(lines.join(u"\r\n"_s) + u"\r\n"_s));

    // An answer that cannot be written goes to the error report; cancelling writes nothing.
    jilu->setSaveFileChooser([&](QWidget*, const QString&) { return path(u"no/such/x.csv"_s); });
    exportButton->click();
    EXPECT_EQ(reports.size(), 1);
    jilu->setSaveFileChooser([&](QWidget*, const QString&) { return QString(); });
    exportButton->click();
    EXPECT_EQ(reports.size(), 1);
}

} // namespace
} // namespace kelvane::store
