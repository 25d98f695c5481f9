#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace kelvane::net {

// What one GET request carries; empty userAgent or cookie leaves that header out.
struct GetRequest {
    QString target;
    QString host;
    QString accept;
    QString acceptEncoding;
    QString userAgent;
    // Names are checked where they are configured; values are sanitised as every value is.
    QList<QPair<QString, QString>> extraHeaders;
    QString cookie;
    // Through an HTTP proxy with a login; empty leaves the header out.
    QString proxyAuthorization;
    QString protocolVersion = QStringLiteral("1.1");
};

// Header lines longer than this many characters are folded.
constexpr qsizetype kMaxRequestLineLength = 1024;

// The request line, the header lines in their fixed order and the blank line, each ended by
// CR LF, as US-ASCII bytes. No input can add a line: control characters, spaces and non-ASCII
// in the target are percent-encoded (non-ASCII as UTF-8), and in header values control
// characters become spaces and non-ASCII becomes "?".
QByteArray buildGetRequest(const GetRequest& request);

// The target as request-line bytes: printable ASCII as is, every other byte of its UTF-8
// form percent-encoded.
QByteArray encodeRequestTarget(const QString& target);

// A header line folded at a space, tab or comma into pieces of at most 1024 characters where
// it can be; every piece after the first begins with a space.
QStringList foldHeaderLine(const QString& line, qsizetype limit = kMaxRequestLineLength);

// Accept-Encoding with "identity": appended after ", " to other text, unless already there.
QString withIdentity(const QString& acceptEncoding);

} // namespace kelvane::net
