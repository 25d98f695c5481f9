#pragma once

#include "app/error_report.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane::test {

// A fresh folder that is both the current directory and the executable's folder, holding
// "zenvo/data", with the general error report recorded ("title|text") instead of shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(folder.path());
        QDir(folder.path()).mkpath(QStringLiteral("zenvo/data"));
    }
    void TearDown() override { QDir::setCurrent(previousDir); }

    void writeSiteList(const QByteArray& bytes) {
        QFile list(folder.filePath(QStringLiteral("zenvo/website.txt")));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(list.write(bytes), bytes.size());
    }

    QTemporaryDir folder;
    QString previousDir;
    ScopedExecutableDir executableDir{folder.path()};
    QStringList reports;
    app::ScopedErrorReportSink reportSink{
        [this](const QString& title, const QString& text) { reports << title + u'|' + text; }};
};

} // namespace kelvane::test
