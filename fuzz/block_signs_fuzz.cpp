// The block-sign check over a stranger's answer: Location, final URL and body.
#include "fuzz_check.h"
#include "query/block_signs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    // Location, final URL and body, NUL-separated; the first byte picks the status.
    const QByteArray input = fuzz::bytesOf(data, size);
    if (input.isEmpty())
        return 0;
    const QList<QByteArray> parts = fuzz::splitInput(input.mid(1), '\0', 3);
    const int statuses[] = {200, 302, 403, 429, 404};
    query::AnswerFacts answer;
    answer.status = statuses[static_cast<unsigned char>(input[0]) % 5];
    answer.location = QString::fromUtf8(parts.value(0));
    answer.url = QString::fromUtf8(parts.value(1));
    answer.body = parts.value(2);
    for (const query::BlockSigns* signs :
         {&query::kBaiduBlockSigns, &query::kGoogleBlockSigns, &query::kSogouBlockSigns,
          &query::kSearchPageBlockSigns}) {
        const std::optional<QString> sign = query::FindBlockSign(*signs, answer);
        FUZZ_CHECK(!sign || !sign->isEmpty());
    }
    const QByteArray title = query::PageTitle(answer.body);
    FUZZ_CHECK(title.size() <= answer.body.size());
    return 0;
}
