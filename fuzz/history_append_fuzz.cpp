// A page value written to a history file that may already hold anything: any mark, a cut
// UTF-16 code unit, no final line break. The append adds exactly one line after the old bytes,
// that line reads back as the record (values bounded, one line whatever they hold), and every
// earlier line stays as it read before.
#include "fuzz_check.h"
#include "platform/clock.h"
#include "platform/locale_format.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "query/site_query_state.h"
#include "store/history.h"
#include "store/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    if (size < 1)
        return 0;
    fuzz::enterScratchDir(QStringLiteral("zenvo/data"));
    static const platform::ScopedClockOverride clock(
        [] { return QDateTime(QDate(2010, 1, 26), QTime(1, 2, 3)); });
    // The first byte is the length of the old file; the rest is the page value.
    const size_t oldSize = qMin<size_t>(data[0], size - 1);
    const QByteArray old = fuzz::bytesOf(data + 1, oldSize);
    const QString value = QString::fromUtf8(fuzz::bytesOf(data + 1 + oldSize, size - 1 - oldSize));

    const QString path = QStringLiteral("zenvo/data/fuzz.example.cn.txt");
    platform::writeFileAtomically(path, old);
    query::SiteQueryState view;
    view.txtUrl = QStringLiteral("fuzz.example.cn");
    view.setStringGDCell(1, 1, value);
    view.setLabelText(query::SiteLabel::lblAlexaRank, value);
    store::SaveToFile(view, QStringLiteral("3"));

    const QByteArray after = platform::readFileBytes(path);
    FUZZ_CHECK(after.startsWith(old));
    const platform::TextEncoding encoding = platform::detectEncoding(old);
    // A cut UTF-16 code unit is completed with a zero byte before the record is added.
    QByteArray completed = old;
    const qsizetype unit = platform::codeUnitBytes(encoding);
    const qsizetype stray = (old.size() - platform::markLength(encoding)) % unit;
    if (old.size() > platform::markLength(encoding) && stray > 0)
        completed.append(unit - stray, '\0');
    const QStringList before = store::splitLines(platform::decodeText(completed));
    const QStringList lines = store::splitLines(platform::decodeText(after));
    FUZZ_CHECK(lines.size() == before.size() + 1);
    // Earlier lines are untouched.
    for (qsizetype i = 0; i + 1 < before.size(); ++i)
        FUZZ_CHECK(lines[i] == before[i]);

    const QString record = lines.back();
    const QStringList fields = store::SplitHistoryFields(record);
    for (const QString& field : fields)
        FUZZ_CHECK(field.size() <= 2 * store::kHistoryValueLength + 1);
    const QString expected = store::HistoryRecordLine(
        view, QStringLiteral("3"), platform::defaultDateTimeText(platform::localNow()));
    // An ANSI file loses only what the code page cannot hold; a marked one nothing.
    FUZZ_CHECK(record == (encoding == platform::TextEncoding::Ansi
                              ? platform::fromAnsi(platform::toAnsi(expected))
                              : expected));
    const QList<QStringList> records = store::ReadHistory(QStringLiteral("fuzz.example.cn"));
    FUZZ_CHECK(!records.isEmpty() && records.first() == fields);
    return 0;
}
