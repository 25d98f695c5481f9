#include "store/history_csv.h"
#include "store/history_grid.h"
#include "store_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

class HistoryCsvTest : public test::StoreTest {
protected:
    // The rows as Python's csv module reads them: a reader written by someone else.
    QList<QStringList> readWithPython(const QByteArray& csv) {
        writeBytes(u"export.csv"_s, csv);
        QProcess python;
        python.start(u"python3"_s,
                     {u"-c"_s,
                      u"import csv, json, sys\n"
                      u"with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                      u"    print(json.dumps(list(csv.reader(f))))\n"_s,
                      u"export.csv"_s});
        if (!python.waitForFinished(30000) || python.exitCode() != 0) {
            ADD_FAILURE() << "python3 failed: " << python.readAllStandardError().toStdString();
            return {};
        }
        QList<QStringList> rows;
        for (const QJsonValue& row :
             QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
            QStringList cells;
            for (const QJsonValue& cell : row.toArray())
                cells.append(cell.toString());
            rows.append(cells);
        }
        return rows;
    }
};

TEST_F(HistoryCsvTest, RoundTripsThroughACsvReader) {
    const QList<QStringList> records = {
        {u"1200/35"_s, u"980/12"_s, u"未选/未选"_s, u"3"_s, u"\"quoted, with comma\""_s,
         u"2010/1/26 13:05:09"_s},
        {u"it's 'single'"_s, u"a\"b"_s, u" leading and trailing "_s, u"中文，全角逗号"_s},
        {},
        {u"line\r\nbreak"_s, u"=1+2"_s},
        {u"a,\"b\"\r\nc"_s, u"x=1"_s},
    };
    // What a spreadsheet gets: formula starters neutralised, everything else as it was.
    QList<QStringList> shown = records;
    shown[3][1] = u"'=1+2"_s;
    const QByteArray csv = HistoryCsv(records);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));

    QStringList titles;
    for (const HistoryColumn& column : kHistoryColumns)
        titles.append(QString::fromUtf16(column.title));
    QList<QStringList> expected{titles};
    for (qsizetype k = 0; k < shown.size(); ++k) {
        QStringList row = QStringList{QString::number(k + 1)} + shown[k];
        while (row.size() < kHistoryGridColumns)
            row.append(QString());
        expected.append(row);
    }
    EXPECT_EQ(readWithPython(csv), expected);
}

TEST_F(HistoryCsvTest, CellsThatStartAFormulaStayText) {
    const struct {
        QString value;
        QString cell;
    } cases[] = {
        {u"=cmd|' /C calc'!A0"_s, u"'=cmd|' /C calc'!A0"_s},
        {u"+1"_s, u"'+1"_s},
        {u"-2+3"_s, u"'-2+3"_s},
        {u"@SUM(A1)"_s, u"'@SUM(A1)"_s},
        {u"\t=1"_s, u"'\t=1"_s},
        {u"\r=1"_s, u"'\r=1"_s},
        {u"=a,\"b\"\nc"_s, u"'=a,\"b\"\nc"_s},
        {u"1=1"_s, u"1=1"_s},
        {u" =1"_s, u" =1"_s},
        {u"12,345"_s, u"12,345"_s},
    };
    QStringList values;
    for (const auto& c : cases)
        values.append(c.value);
    const QList<QStringList> rows = readWithPython(HistoryCsv({values}));
    ASSERT_EQ(rows.size(), 2);
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i)
        EXPECT_EQ(rows[1].value(i + 1), cases[i].cell) << i;
}

TEST_F(HistoryCsvTest, RowsEndInCrLfAndOnlyWhatNeedsItIsQuoted) {
    const QByteArray csv = HistoryCsv({{u"1/2"_s, u"a,b"_s, u"say \"hi\""_s}});
    const QByteArray body = csv.sliced(3);
    const qsizetype firstBreak = body.indexOf("\r\n");
    EXPECT_EQ(body.sliced(firstBreak + 2),
              QByteArray("1,1/2,\"a,b\",\"say \"\"hi\"\"\",,,,,,,,,\r\n"));
    EXPECT_EQ(body.left(firstBreak), u"序号,百度/反链,谷歌/反链,雅虎/反链,搜狗/反链,搜搜/反链,有道/"
                                     u"反链,必应/反链,PageRank,SogouRank,AlexaRank,ChinaRank,"
                                     u"查询时间"_s.toUtf8());
}

TEST_F(HistoryCsvTest, FieldsBeyondTheGridKeepTheirOwnColumns) {
    QStringList thirteen;
    for (int i = 1; i <= 13; ++i)
        thirteen.append(QString::number(i));
    const QList<QStringList> rows = readWithPython(HistoryCsv({thirteen, {u"x"_s}}));
    ASSERT_EQ(rows.size(), 3);
    for (const QStringList& row : rows)
        EXPECT_EQ(row.size(), 14);
    EXPECT_EQ(rows[0].last(), QString());
    EXPECT_EQ(rows[1].last(), u"13"_s);
    EXPECT_EQ(rows[2][1], u"x"_s);
}

TEST_F(HistoryCsvTest, NoRecordsIsTheTitleRowAlone) {
    const QList<QStringList> rows = readWithPython(HistoryCsv({}));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].size(), kHistoryGridColumns);
}

} // namespace
} // namespace kelvane::store
