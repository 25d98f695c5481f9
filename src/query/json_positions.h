#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Where things stand in a JSON text, so that a problem found after parsing can still name a
// line and a column.
namespace kelvane::query {

// The byte offset of every object key and array element of a JSON text that has parsed, by its
// path: "/rows/3" for an element, "/rows/3/patterns" for a key (the offset of the key itself).
QHash<QString, qsizetype> jsonPositions(const QByteArray& text);

struct TextPlace {
    int line = 1;
    int column = 1; // in characters, counted from 1
};

// The line and column of a byte offset in UTF-8 text.
TextPlace placeOfOffset(const QByteArray& text, qsizetype offset);

} // namespace kelvane::query
