#pragma once

#include "gui_support/window_test.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace kelvane::test {

// A fresh folder that is both the current directory and the executable's folder, holding
// "zenvo/data", with the general error report recorded instead of shown.
class StoreWindowTest : public WindowTest {
protected:
    QString path(const QString& relative) const { return folder.filePath(relative); }
    QString listPath() const { return path(QStringLiteral("zenvo/website.txt")); }
    QString historyPath(const QString& domain) const {
        return path(QStringLiteral("zenvo/data/") + domain + QStringLiteral(".txt"));
    }

    static void writeBytes(const QString& file, const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
        ASSERT_EQ(out.write(bytes), bytes.size());
    }
    static QByteArray readBytes(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    }
    void writeSiteList(const QString& text) { writeBytes(listPath(), platform::toAnsi(text)); }
    // Lines written oldest first, each ended by CR LF, as the main window appends them.
    void writeHistory(const QString& domain, const QStringList& lines) {
        QString text;
        for (const QString& line : lines)
            text += line + QStringLiteral("\r\n");
        writeBytes(historyPath(domain), platform::toAnsi(text));
    }

    // A mouse click where the entry stands, or below the last entry for an empty name.
    static void clickEntry(QListWidget* list, const QString& entry,
                           Qt::KeyboardModifiers modifiers = {}) {
        QPoint at(list->viewport()->width() / 2, list->viewport()->height() - 3);
        if (!entry.isNull()) {
            const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
            ASSERT_FALSE(found.isEmpty()) << "no entry " << entry.toStdString();
            at = list->visualItemRect(found.front()).center();
        }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, at);
    }
};

} // namespace kelvane::test
