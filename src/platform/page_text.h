#pragma once

#include <QByteArray>
#include <QString>
#include <utility>

namespace kelvane::platform {

// A page's text held as UTF-8, the form the matcher reads: a fetched page is decoded straight
// into it, so a probe never holds the page as bytes, as UTF-16 and as UTF-8 at once.
class PageText {
public:
    PageText() = default;
    explicit PageText(const QString& text) : utf8_(text.toUtf8()) {}
    PageText& operator=(const QString& text) {
        utf8_ = text.toUtf8();
        return *this;
    }
    static PageText fromUtf8(QByteArray utf8) {
        PageText page;
        page.utf8_ = std::move(utf8);
        return page;
    }

    const QByteArray& utf8() const { return utf8_; }
    QString toString() const { return QString::fromUtf8(utf8_); }
    bool isEmpty() const { return utf8_.isEmpty(); }
    void clear() { utf8_ = QByteArray(); }
    bool contains(const QString& text) const { return utf8_.contains(text.toUtf8()); }

private:
    QByteArray utf8_;
};

} // namespace kelvane::platform
