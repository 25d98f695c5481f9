#pragma once

#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <QStringView>

namespace kelvane::store {

// Where one line lies in a text, without its line break.
struct LineRange {
    qsizetype start = 0;
    qsizetype length = 0;
};

// Lines end at CR, at LF or at the pair CR LF; a break after the last line starts no
// further line, and an empty text has none. The byte form serves ANSI files, whose
// multi-byte characters never hold a CR or LF byte.
QList<LineRange> lineRanges(QStringView text);
QList<LineRange> lineRanges(QByteArrayView bytes);
QStringList splitLines(QStringView text);

// The text before its first NUL character: the site list ends there.
QStringView untilNul(QStringView text);

// Every line break (CR, LF or CR LF) as CR LF.
QString withCrLf(QStringView text);

} // namespace kelvane::store
