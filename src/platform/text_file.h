#pragma once

#include "platform/locked_file.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text files as the product keeps them: read with byte-order-mark detection, written in the
// ANSI code page with CR LF. Every file-system call of the engines goes through here.
namespace kelvane::platform {

// The encoding a file's first bytes select, tested in this order: FF FE, FE FF, EF BB BF,
// otherwise the ANSI code page.
enum class TextEncoding { Ansi, Utf16LE, Utf16BE, Utf8 };

TextEncoding detectEncoding(QByteArrayView bytes);
// Bytes of one code unit: 2 for UTF-16, 1 otherwise.
qsizetype codeUnitBytes(TextEncoding encoding);
// Length of the byte-order mark of an encoding (0 for ANSI).
qsizetype markLength(TextEncoding encoding);
// The bytes as text: the mark skipped, then decoded; bad bytes become U+FFFD.
QString decodeText(QByteArrayView bytes);
// Text in an encoding, with its byte-order mark when withMark is set (ANSI has none).
QByteArray encodeText(QStringView text, TextEncoding encoding, bool withMark);

// The whole file. Throws EFileError when it cannot be opened or read.
QByteArray readFileBytes(const QString& path);

// Replaces the file's content through a temporary file renamed over it, under the file's
// lock, so a crash leaves either the old file or the new one whole and no concurrent append
// is lost. Throws EFileError.
void writeFileAtomically(const QString& path, QByteArrayView bytes);

// Creates an empty file where none exists; an existing file is left untouched.
// Throws EFileError when it cannot be created.
void createEmptyFileIfMissing(const QString& path);

// Appends one line and CR LF to an existing file under its lock, in the encoding the file's
// mark selects (ANSI without one). A last line left without a line break is ended first, so
// the two lines do not run together. A failed write leaves the file as it was and throws
// EFileError.
void appendLine(const QString& path, QStringView line);
// The bytes appendLine adds to a file of `size` bytes that starts with `head` (its first
// kAppendHeadBytes bytes, or all of a shorter file) and ends with `tail` (its last two).
inline constexpr qsizetype kAppendHeadBytes = 8;
QByteArray appendedBytes(QByteArrayView head, qint64 size, QByteArrayView tail, QStringView line);

bool isDirectory(const QString& path);
bool isFile(const QString& path);
// Creates one directory. False when that fails, also when it already exists.
bool createDirectory(const QString& path);

} // namespace kelvane::platform
