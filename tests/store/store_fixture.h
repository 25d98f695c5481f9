#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane::test {

// Each test runs with a fresh temporary folder as its current directory; the previous
// current directory comes back afterwards.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(root_.path()));
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    QString root() const { return root_.path(); }

    static void makeDir(const QString& path) {
        ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
    }

    static void writeBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray readBytes(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return file.readAll();
    }

private:
    QTemporaryDir root_;
    QString previous_;
};

inline std::string show(const QByteArray& bytes) {
    return bytes.toPercentEncoding(" ,/").toStdString();
}

} // namespace kelvane::test
