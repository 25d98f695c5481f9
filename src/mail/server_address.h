#pragma once

#include <QString>

namespace kelvane::mail {

struct ServerAddress {
    QString host;
    quint16 port = 0;
};

// The server box: "host" or "host:port" ("[v6 address]:port" too). Without a usable port the
// whole text is the host, on defaultPort.
ServerAddress splitServerAddress(const QString& text, quint16 defaultPort);

} // namespace kelvane::mail
