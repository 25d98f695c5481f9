#include "platform/machine_name.h"

#include <QFile>
#include <unistd.h>
#include <utility>

namespace kelvane::platform {

namespace {

std::function<QByteArray()>& hostNameSource() {
    static std::function<QByteArray()> source;
    return source;
}

std::function<QString()>& computerNameSource() {
    static std::function<QString()> source;
    return source;
}

QByteArray systemHostName() {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return {};
    return QByteArray(buffer);
}

QString systemComputerName() {
    QFile file(QStringLiteral("/etc/hostname"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine(1024)).trimmed();
}

// The first `limit` bytes of UTF-8 text, without a character cut in two.
QByteArray wholeUtf8Prefix(const QByteArray& bytes, qsizetype limit) {
    if (bytes.size() <= limit)
        return bytes;
    qsizetype end = limit;
    // Step back over continuation bytes to the start of the character the cut falls in.
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return bytes.left(end);
}

} // namespace

QString localHostName() {
    const auto& source = hostNameSource();
    const QByteArray raw = source ? source() : systemHostName();
    return QString::fromUtf8(wholeUtf8Prefix(raw, kMaxHostNameBytes));
}

QString computerName() {
    const auto& source = computerNameSource();
    const QString name = source ? source() : systemComputerName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

ScopedMachineNames::ScopedMachineNames(std::function<QByteArray()> hostName,
                                       std::function<QString()> computer)
    : hostName_(hostNameSource(), std::move(hostName)),
      computer_(computerNameSource(), std::move(computer)) {}

} // namespace kelvane::platform
