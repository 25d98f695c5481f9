#pragma once

#include "fuzz_check.h"

#include <QtGlobal>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace kelvane::fuzz {

// A listening socket on 127.0.0.1 at a free port, for the targets that play a peer on the wire.
struct LoopbackListener {
    int fd = -1;
    quint16 port = 0;

    explicit LoopbackListener(int backlog) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        FUZZ_CHECK(fd >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        FUZZ_CHECK(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        FUZZ_CHECK(::listen(fd, backlog) == 0);
        socklen_t length = sizeof address;
        FUZZ_CHECK(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        port = ntohs(address.sin_port);
    }
};

} // namespace kelvane::fuzz
