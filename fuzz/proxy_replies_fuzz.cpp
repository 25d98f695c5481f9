// Proxy answers from a stranger: a reply never claims more bytes than it was given, a complete
// reply stays complete and the same when more bytes follow it, and nothing crashes.
#include "fuzz_check.h"
#include "net/proxy_replies.h"

namespace {

using kelvane::net::ReplyStep;

template <typename Parse> void check(Parse parse, const QByteArray& bytes) {
    const ReplyStep whole = parse(QByteArrayView(bytes));
    FUZZ_CHECK(whole.length >= 0 && whole.length <= bytes.size());
    if (whole.status != ReplyStep::Complete)
        return;
    FUZZ_CHECK(whole.length > 0);
    // The client reads a byte at a time: the reply must end where the parser said, whatever
    // follows it.
    const ReplyStep exact = parse(QByteArrayView(bytes).first(whole.length));
    FUZZ_CHECK(exact.status == ReplyStep::Complete);
    FUZZ_CHECK(exact.length == whole.length && exact.code == whole.code);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane::net;
    const QByteArray bytes = kelvane::fuzz::bytesOf(data, size);
    check(socksMethodReply, bytes);
    check(socksLoginReply, bytes);
    check(socksConnectReply, bytes);
    check([](QByteArrayView b) { return connectReply(b); }, bytes);
    return 0;
}
