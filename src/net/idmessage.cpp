#include "net/idmessage.h"

namespace kelvane::net {

void TIdMessage::setBodyText(QStringView text) {
    Body.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        Body.append(text.mid(start, i - start).toString());
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        Body.append(text.mid(start).toString());
}

} // namespace kelvane::net
