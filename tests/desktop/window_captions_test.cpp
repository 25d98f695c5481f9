// What the window manager reads from each window, under a real X server: the caption exactly
// as the window sets it, and which functions the frame may offer.
#include "support/fixture_web.h"
#include "support/xvfb_server.h"

#include <QDeadlineTimer>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace kelvane::test {
namespace {

// The bytes of one property of a window, in the format given ("8x" or "32x"), or none when
// the window does not carry it.
std::optional<QList<quint32>> windowProperty(const QString& display, const QString& id,
                                             const char* property, const char* format) {
    QProcess xprop;
    const QString name = QString::fromLatin1(property);
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-display"), display, QStringLiteral("-id"), id,
                 QStringLiteral("-notype"), QStringLiteral("-f"), name, QString::fromLatin1(format),
                 QStringLiteral(" $0+\\n"), name});
    if (!xprop.waitForFinished(5000) || xprop.exitCode() != 0)
        return std::nullopt;
    const QByteArray line = xprop.readAllStandardOutput().trimmed();
    if (!line.startsWith(property + QByteArray(" ")))
        return std::nullopt;
    QList<quint32> values;
    for (const QByteArray& field : line.mid(name.size() + 1).split(',')) {
        bool ok = false;
        values << field.trimmed().toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
    }
    return values;
}

QString utf8Property(const QString& display, const QString& id, const char* property) {
    const auto bytes = windowProperty(display, id, property, "8x");
    if (!bytes)
        return QStringLiteral("<missing>");
    QByteArray text;
    for (const quint32 byte : *bytes)
        text += static_cast<char>(byte);
    return QString::fromUtf8(text);
}

class WindowsUnderX : public ::testing::Test {
protected:
    void TearDown() override {
        if (probe.state() != QProcess::NotRunning) {
            probe.closeWriteChannel();
            if (!probe.waitForFinished(10000)) {
                probe.kill();
                probe.waitForFinished(2000);
            }
        }
    }

    // Starts every window on the X server; returns object name to window id.
    QMap<QString, QString> showEveryWindow() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), xvfb.display());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(KELVANE_WINDOW_PROBE_PATH), {folder.path()});
        QMap<QString, QString> ids;
        const QDeadlineTimer deadline(30000);
        QByteArray out;
        while (!out.contains("ready\n") && !deadline.hasExpired() &&
               probe.state() != QProcess::NotRunning) {
            probe.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
            out += probe.readAllStandardOutput();
        }
        EXPECT_TRUE(out.contains("ready\n"))
            << out.toStdString() << probe.readAllStandardError().toStdString();
        for (const QByteArray& line : out.split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() == 2)
                ids[QString::fromLatin1(fields[0])] = QString::fromLatin1(fields[1]);
        }
        return ids;
    }

    FixtureWeb web;
    QTemporaryDir folder;
    XvfbServer xvfb;
    QProcess probe;
};

TEST_F(WindowsUnderX, EveryCaptionReachesTheWindowManagerAsTheWindowSetsIt) {
    KELVANE_START_XVFB(xvfb);
    const QMap<QString, QString> ids = showEveryWindow();
    const struct {
        const char* window;
        const char16_t* caption;
    } cases[] = {
        {"frmMain", u"Kelvane"},
        {"frmMail", u"邮件群发"},
        {"frmKeyWord", u" 关键词排名查询"},
        {"frmManiSite", u"管理站点"},
        {"frmJilu", u" 查询记录"},
        {"frmWhois", u"域名查询"},
        {"frmIP", u" IP地址查询"},
        {"frmAbout", u" 关于软件"},
        {"frmUpdate", u" Kelvane"},
    };
    for (const auto& c : cases) {
        const QString id = ids.value(QString::fromLatin1(c.window));
        ASSERT_FALSE(id.isEmpty()) << c.window;
        EXPECT_EQ(utf8Property(xvfb.display(), id, "_NET_WM_NAME").toStdString(),
                  QString::fromUtf16(c.caption).toStdString())
            << c.window;
    }
}

TEST_F(WindowsUnderX, MailWindowMayBeClosedButNotMinimisedOrMaximised) {
    KELVANE_START_XVFB(xvfb);
    const QString id = showEveryWindow().value(QStringLiteral("frmMail"));
    ASSERT_FALSE(id.isEmpty());
    // flags, functions, decorations, input mode, status
    const auto hints = windowProperty(xvfb.display(), id, "_MOTIF_WM_HINTS", "32x");
    ASSERT_TRUE(hints && hints->size() >= 2);
    constexpr quint32 kHintsFunctions = 1, kFuncAll = 1, kFuncMinimize = 8, kFuncMaximize = 16,
                      kFuncClose = 32;
    ASSERT_TRUE((*hints)[0] & kHintsFunctions);
    const quint32 functions = (*hints)[1];
    EXPECT_FALSE(functions & kFuncAll); // "all" would invert the bits below
    EXPECT_TRUE(functions & kFuncClose);
    EXPECT_FALSE(functions & (kFuncMinimize | kFuncMaximize));
}

} // namespace
} // namespace kelvane::test
