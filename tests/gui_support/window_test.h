#pragma once

#include "platform/paths.h"
#include "widgets/error_report.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane::test {

// A fresh folder that is both the current directory and the executable's folder, holding
// "zenvo/data" unless the test starts from an empty one, with the general error report recorded
// ("title|text") instead of shown.
class WindowTest : public ::testing::Test {
protected:
    enum class Start { WithDataFolder, Empty };
    explicit WindowTest(Start start = Start::WithDataFolder) : start_(start) {}

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(folder.path());
        if (start_ == Start::WithDataFolder)
            QDir(folder.path()).mkpath(QStringLiteral("zenvo/data"));
    }
    void TearDown() override { QDir::setCurrent(previousDir); }

    void writeSiteList(const QByteArray& bytes) {
        QDir(folder.path()).mkpath(QStringLiteral("zenvo/data"));
        QFile list(folder.filePath(QStringLiteral("zenvo/website.txt")));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(list.write(bytes), bytes.size());
    }

    QTemporaryDir folder;
    QString previousDir;
    platform::ScopedExecutableDir executableDir{folder.path()};
    QStringList reports;
    widgets::ScopedErrorReportSink reportSink{
        [this](const QString& title, const QString& text) { reports << title + u'|' + text; }};

private:
    Start start_;
};

} // namespace kelvane::test
