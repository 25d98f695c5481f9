#include "platform/text_file.h"

#include "platform/errors.h"
#include "platform/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace kelvane::textfile {

namespace {

std::function<void()>& beforeReplaceHook() {
    static std::function<void()> hook;
    return hook;
}

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
        return text::fromAnsi(body);
    // Stateless, so a truncated last character becomes U+FFFD instead of vanishing.
    QStringDecoder decoder(unicodeEncoding(encoding), QStringConverter::Flag::Stateless);
    return decoder.decode(body);
}

QByteArray encodeText(QStringView text, TextEncoding encoding, bool withMark) {
    if (encoding == TextEncoding::Ansi)
        return text::toAnsi(text);
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot create file"), path, file.errorString());
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush())
        fail(QStringLiteral("Cannot write file"), path, file.errorString());
    if (const auto& hook = beforeReplaceHook())
        hook();
    if (!file.commit())
        fail(QStringLiteral("Cannot replace file"), path, file.errorString());
}

void createEmptyFileIfMissing(const QString& path) {
    if (QFileInfo::exists(path))
        return;
    QFile file(path);
    // NewOnly: a file that appeared meanwhile is not truncated.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path))
        fail(QStringLiteral("Cannot create file"), path, file.errorString());
}

void appendLine(const QString& path, QStringView line) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        fail(QStringLiteral("Cannot open file"), path, file.errorString());
    const qint64 size = file.size();
    const QByteArray head = file.read(3);
    const TextEncoding encoding = detectEncoding(head);
    QByteArray bytes;
    if (size > markLength(encoding)) {
        const qint64 unit =
            encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 1;
        if (!file.seek(size - unit))
            fail(QStringLiteral("Cannot read file"), path, file.errorString());
        const QString last = decodeText(head.left(markLength(encoding)) + file.read(unit));
        if (last != u"\n" && last != u"\r")
            bytes += lineBreak(encoding);
    }
    bytes += encodeText(line, encoding, false);
    bytes += lineBreak(encoding);
    if (!file.seek(size) || file.write(bytes) != bytes.size() || !file.flush())
        fail(QStringLiteral("Cannot write file"), path, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("Cannot close file"), path, file.errorString());
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

void setBeforeReplaceHookForTesting(std::function<void()> hook) {
    beforeReplaceHook() = std::move(hook);
}

} // namespace kelvane::textfile
