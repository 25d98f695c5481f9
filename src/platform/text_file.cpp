#include "platform/text_file.h"

#include "platform/errors.h"
#include "platform/locked_file.h"
#include "platform/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace kelvane::platform {

namespace {

[[noreturn]] void fail(const QString& what, const QString& path, const QString& reason) {
    throw EFileError(
        QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), reason));
}

QStringConverter::Encoding unicodeEncoding(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QStringConverter::Utf16LE;
    case TextEncoding::Utf16BE:
        return QStringConverter::Utf16BE;
    default:
        return QStringConverter::Utf8;
    }
}

QByteArray lineBreak(TextEncoding encoding) {
    return encodeText(u"\r\n", encoding, false);
}

} // namespace

TextEncoding detectEncoding(QByteArrayView bytes) {
    if (bytes.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BE;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8;
    return TextEncoding::Ansi;
}

qsizetype codeUnitBytes(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 1;
}

qsizetype markLength(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Ansi:
        return 0;
    case TextEncoding::Utf8:
        return 3;
    default:
        return 2;
    }
}

QString decodeText(QByteArrayView bytes) {
    const TextEncoding encoding = detectEncoding(bytes);
    const QByteArrayView body = bytes.sliced(markLength(encoding));
    if (encoding == TextEncoding::Ansi)
        return fromAnsi(body);
    // Stateless, so a truncated last character becomes U+FFFD instead of vanishing.
    QStringDecoder decoder(unicodeEncoding(encoding), QStringConverter::Flag::Stateless);
    return decoder.decode(body);
}

QByteArray encodeText(QStringView text, TextEncoding encoding, bool withMark) {
    if (encoding == TextEncoding::Ansi)
        return toAnsi(text);
    const auto flags =
        withMark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default;
    QStringEncoder encoder(unicodeEncoding(encoding), flags);
    return encoder.encode(text);
}

QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot open file"), path, file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("Cannot read file"), path, file.errorString());
    return bytes;
}

void writeFileAtomically(const QString& path, QByteArrayView bytes) {
    const bool existed = QFileInfo::exists(path);
    LockedFile file(path, LockedFile::Open::ToReplace);
    try {
        file.replace([bytes](const LockedFile::Writer& write) { write(bytes); });
    } catch (const EFileError&) {
        // The lock needed a file; a save that failed leaves none where there was none.
        if (!existed)
            QFile::remove(path);
        throw;
    }
}

void createEmptyFileIfMissing(const QString& path) {
    if (QFileInfo::exists(path))
        return;
    QFile file(path);
    // NewOnly: a file that appeared meanwhile is not truncated.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path))
        fail(QStringLiteral("Cannot create file"), path, file.errorString());
}

QByteArray appendedBytes(QByteArrayView head, qint64 size, QByteArrayView tail, QStringView line) {
    const TextEncoding encoding = detectEncoding(head);
    const qint64 unit = codeUnitBytes(encoding);
    QByteArray bytes;
    const qint64 body = size - markLength(encoding);
    if (body > 0) {
        // A file cut inside a UTF-16 code unit: the stray byte is completed with a zero byte,
        // so the new record starts on a code-unit boundary and decodes as written.
        const qint64 stray = body % unit;
        QByteArray last =
            tail.last(qMin<qsizetype>(tail.size(), stray > 0 ? stray : unit)).toByteArray();
        if (stray > 0) {
            bytes.append(static_cast<qsizetype>(unit - stray), '\0');
            last.append(static_cast<qsizetype>(unit - stray), '\0');
        }
        const QString lastChar = decodeText(head.first(markLength(encoding)).toByteArray() + last);
        // A file that reads as no text at all (a second byte-order mark) has no line to end.
        const bool readsEmpty =
            size <= head.size() && decodeText(head.toByteArray() + bytes).isEmpty();
        if (lastChar != u"\n" && lastChar != u"\r" && !readsEmpty)
            bytes += lineBreak(encoding);
    }
    bytes += encodeText(line, encoding, false);
    bytes += lineBreak(encoding);
    return bytes;
}

void appendLine(const QString& path, QStringView line) {
    LockedFile file(path, LockedFile::Open::ToAppend);
    const qint64 size = file.size();
    const QByteArray head = file.readAt(0, kAppendHeadBytes);
    const QByteArray tail = file.readAt(qMax<qint64>(0, size - 2), 2);
    file.append(appendedBytes(head, size, tail, line));
}

bool isDirectory(const QString& path) {
    return QFileInfo(path).isDir();
}

bool isFile(const QString& path) {
    return QFileInfo(path).isFile();
}

bool createDirectory(const QString& path) {
    return QDir().mkdir(path);
}

} // namespace kelvane::platform
