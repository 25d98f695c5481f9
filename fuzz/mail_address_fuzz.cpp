// Address lists as a user or a list file gives them: items are bounded by the separators,
// and a text without control characters yields none.
#include "fuzz_check.h"
#include "net/mail_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));
    const net::TIdEMailAddressList list = net::parseAddressList(text);
    FUZZ_CHECK(list.size() <= text.count(u',') + text.count(u';') + 1);
    const bool clean = !net::hasControlCharacter(text);
    for (const net::TIdEMailAddressItem& item : list) {
        if (clean)
            FUZZ_CHECK(!net::hasControlCharacter(item.Address) &&
                       !net::hasControlCharacter(item.Name));
    }
    const net::TIdEMailAddressItem one = net::TIdEMailAddressItem::fromText(text);
    FUZZ_CHECK(one.Address.size() <= text.size());
    if (clean)
        FUZZ_CHECK(!net::hasControlCharacter(one.Address));
    return 0;
}
