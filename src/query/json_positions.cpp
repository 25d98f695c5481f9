#include "query/json_positions.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace kelvane::query {

namespace {

// A walk over text that QJsonDocument accepted; every step checks the end, so text that did not
// parse cannot make it loop.
class Scanner {
public:
    Scanner(const QByteArray& text, QHash<QString, qsizetype>& into) : text_(text), into_(into) {}

    void value(const QString& path) {
        skipBlanks();
        if (at() == '{')
            object(path);
        else if (at() == '[')
            array(path);
        else if (at() == '"')
            string();
        else
            while (pos_ < text_.size() && !QByteArrayView(",]} \t\r\n").contains(at()))
                ++pos_;
    }

private:
    char at() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    void skipBlanks() {
        while (pos_ < text_.size() && QByteArrayView(" \t\r\n").contains(at()))
            ++pos_;
    }

    QString string() {
        const qsizetype start = pos_;
        ++pos_;
        bool escaped = false;
        while (pos_ < text_.size() && at() != '"') {
            if (at() == '\\') {
                escaped = true;
                ++pos_;
            }
            ++pos_;
        }
        ++pos_;
        const QByteArray raw = text_.mid(start, pos_ - start);
        if (!escaped)
            return QString::fromUtf8(raw.mid(1, raw.size() - 2));
        return QJsonDocument::fromJson('[' + raw + ']').array().first().toString();
    }

    void object(const QString& path) {
        ++pos_;
        while (pos_ < text_.size()) {
            skipBlanks();
            if (at() == '}')
                break;
            if (at() != '"')
                return;
            const qsizetype keyAt = pos_;
            const QString member = path + u'/' + string();
            into_.insert(member, keyAt);
            skipBlanks();
            ++pos_; // the colon
            value(member);
            skipBlanks();
            if (at() != ',')
                break;
            ++pos_;
        }
        ++pos_;
    }

    void array(const QString& path) {
        ++pos_;
        for (int index = 0; pos_ < text_.size(); ++index) {
            skipBlanks();
            if (at() == ']')
                break;
            const QString element = path + u'/' + QString::number(index);
            into_.insert(element, pos_);
            value(element);
            skipBlanks();
            if (at() != ',')
                break;
            ++pos_;
        }
        ++pos_;
    }

    const QByteArray& text_;
    QHash<QString, qsizetype>& into_;
    qsizetype pos_ = 0;
};

} // namespace

QHash<QString, qsizetype> jsonPositions(const QByteArray& text) {
    QHash<QString, qsizetype> positions;
    Scanner(text, positions).value(QString());
    return positions;
}

TextPlace placeOfOffset(const QByteArray& text, qsizetype offset) {
    TextPlace place;
    const qsizetype end = std::min(offset, text.size());
    for (qsizetype i = 0; i < end; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            ++place.line;
            place.column = 1;
        } else if ((byte & 0xC0) != 0x80) {
            ++place.column; // continuation bytes belong to the character before
        }
    }
    return place;
}

} // namespace kelvane::query
