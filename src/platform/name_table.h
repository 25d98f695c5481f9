#pragma once

#include <QString>
#include <QStringView>
#include <cstddef>
#include <optional>

// One table of the names an enumeration is written with in files and on the command line, read
// both ways.
namespace kelvane::platform {

template <typename Value> struct Named {
    Value value;
    const char16_t* name;
};

// The name of a value; empty when the table lacks it.
template <typename Value, std::size_t N>
QString nameIn(const Named<Value> (&table)[N], Value value) {
    for (const Named<Value>& row : table) {
        if (row.value == value)
            return QString::fromUtf16(row.name);
    }
    return {};
}

// The value of a name; none for a name the table lacks.
template <typename Value, std::size_t N>
std::optional<Value> valueIn(const Named<Value> (&table)[N], QStringView name,
                             Qt::CaseSensitivity sensitivity = Qt::CaseSensitive) {
    for (const Named<Value>& row : table) {
        if (name.compare(QStringView(row.name), sensitivity) == 0)
            return row.value;
    }
    return std::nullopt;
}

} // namespace kelvane::platform
