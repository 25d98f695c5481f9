#include "platform/regexp.h"

#include "platform/errors.h"
#include "platform/memory_advice.h"

#include <QStringEncoder>
#include <bit>
#include <cstdint>
#include <cstring>
#include <re2/re2.h>

namespace kelvane::platform {

namespace {

// Whole pages run through the DFA; give it room so it does not fall back to the slow engine.
constexpr int64_t kMatcherMemory = 64 << 20;

qsizetype utf8CharLength(char lead) {
    const auto b = static_cast<unsigned char>(lead);
    if (b < 0x80)
        return 1;
    if (b >= 0xF0)
        return 4;
    if (b >= 0xE0)
        return 3;
    return 2;
}

// UTF-16 units in eight UTF-8 bytes: every byte that is not a continuation starts one unit,
// and a four-byte lead starts two.
int utf16UnitsIn(std::uint64_t w) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t continuation = w & ~(w << 1) & kHigh;
    const std::uint64_t fourByteLead = w & (w << 1) & (w << 2) & (w << 3) & kHigh;
    return 8 - std::popcount(continuation) + std::popcount(fourByteLead);
}

// Walks a UTF-8 text forward, turning byte offsets into UTF-16 indexes incrementally so a
// Global run over a large page stays linear.
class Utf16Cursor {
public:
    explicit Utf16Cursor(QByteArrayView utf8) : utf8_(utf8) {}

    qsizetype indexOf(qsizetype byteOffset) {
        constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
        while (byteOffset - byte_ >= 8) {
            std::uint64_t w;
            std::memcpy(&w, utf8_.constData() + byte_, sizeof w);
            // Markup is mostly ASCII: eight bytes, eight units.
            unit_ += (w & kHigh) == 0 ? 8 : utf16UnitsIn(w);
            byte_ += 8;
        }
        while (byte_ < byteOffset) {
            const auto b = static_cast<unsigned char>(utf8_[byte_]);
            if ((b & 0xC0) != 0x80)
                unit_ += b >= 0xF0 ? 2 : 1;
            ++byte_;
        }
        return unit_;
    }

private:
    QByteArrayView utf8_;
    qsizetype byte_ = 0;
    qsizetype unit_ = 0;
};

// Largest conversion buffer kept for the next page; a larger one is given back at once.
constexpr qsizetype kKeptBufferBytes = 32 << 20;

// The text as UTF-8 in a buffer of this thread that is reused from page to page, so a run of
// matches does not pay the kernel for fresh memory each time.
class MatcherText {
public:
    explicit MatcherText(QStringView text) {
        QStringEncoder encoder(QStringConverter::Utf8);
        const qsizetype need = encoder.requiredSpace(text.size());
        QByteArray& buffer = scratch();
        if (buffer.size() < need) {
            buffer = QByteArray(need, Qt::Uninitialized);
            adviseLargeBuffer(buffer.data(), buffer.size());
        }
        char* end = encoder.appendToBuffer(buffer.data(), text);
        utf8_ = QByteArrayView(buffer.constData(), end - buffer.constData());
    }
    ~MatcherText() {
        if (scratch().size() > kKeptBufferBytes)
            scratch() = QByteArray();
    }
    MatcherText(const MatcherText&) = delete;
    MatcherText& operator=(const MatcherText&) = delete;

    QByteArrayView utf8() const { return utf8_; }

private:
    static QByteArray& scratch() {
        thread_local QByteArray buffer;
        return buffer;
    }

    QByteArrayView utf8_;
};

} // namespace

TRegExp::TRegExp() = default;
TRegExp::~TRegExp() = default;

void TRegExp::setPattern(const QString& pattern) {
    pattern_ = pattern;
    compiled_.reset();
}

void TRegExp::setIgnoreCase(bool on) {
    ignoreCase_ = on;
    compiled_.reset();
}

void TRegExp::setMultiline(bool on) {
    multiline_ = on;
    compiled_.reset();
}

const re2::RE2& TRegExp::compiled() {
    if (!compiled_) {
        RE2::Options options;
        options.set_encoding(RE2::Options::EncodingUTF8);
        options.set_case_sensitive(!ignoreCase_);
        options.set_log_errors(false);
        options.set_max_mem(kMatcherMemory);
        QByteArray source = pattern_.toUtf8();
        if (multiline_)
            source.prepend("(?m)");
        compiled_ =
            std::make_unique<RE2>(re2::StringPiece(source.constData(), source.size()), options);
    }
    if (!compiled_->ok()) {
        throw EMatcherError(
            QStringLiteral("Invalid pattern: %1").arg(QString::fromStdString(compiled_->error())));
    }
    return *compiled_;
}

template <typename ValueOf>
QList<RegExpMatch> TRegExp::executeUtf8(QByteArrayView utf8, ValueOf valueOf) {
    const RE2& re = compiled();
    const re2::StringPiece whole(utf8.data(), static_cast<size_t>(utf8.size()));
    Utf16Cursor cursor(utf8);
    QList<RegExpMatch> matches;

    size_t start = 0;
    while (start <= whole.size()) {
        re2::StringPiece found;
        if (!re.Match(whole, start, whole.size(), RE2::UNANCHORED, &found, 1))
            break;
        const auto begin = static_cast<qsizetype>(found.data() - whole.data());
        const auto end = begin + static_cast<qsizetype>(found.size());
        const qsizetype first = cursor.indexOf(begin);
        const qsizetype length = cursor.indexOf(end) - first;
        matches.append({valueOf(begin, end, first, length), first, length});
        if (!global_)
            break;
        if (found.empty()) {
            if (static_cast<size_t>(end) >= whole.size())
                break;
            start = static_cast<size_t>(end + utf8CharLength(utf8[end]));
        } else {
            start = static_cast<size_t>(end);
        }
    }
    return matches;
}

QList<RegExpMatch> TRegExp::Execute(QStringView text) {
    compiled(); // a bad pattern fails before the text is converted
    const MatcherText converted(text);
    return executeUtf8(converted.utf8(),
                       [&](qsizetype, qsizetype, qsizetype first, qsizetype length) {
                           return text.mid(first, length).toString();
                       });
}

QList<RegExpMatch> TRegExp::Execute(const PageText& page) {
    const QByteArrayView utf8 = page.utf8();
    return executeUtf8(utf8, [&](qsizetype begin, qsizetype end, qsizetype, qsizetype) {
        return QString::fromUtf8(utf8.sliced(begin, end - begin));
    });
}

bool TRegExp::Test(QStringView text) {
    const RE2& re = compiled();
    const MatcherText converted(text);
    const QByteArrayView utf8 = converted.utf8();
    return RE2::PartialMatch(re2::StringPiece(utf8.data(), static_cast<size_t>(utf8.size())), re);
}

} // namespace kelvane::platform
