#include "app/main_window.h"
#include "app/windows.h"
#include "gui_support/gui_helpers.h"
#include "platform/errors.h"
#include "platform/text_file.h"
#include "store/history_window.h"
#include "store/site_manager_window.h"
#include "support/fixture_web.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <memory>
#include <unistd.h>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;
using test::control;

class SiteManagerWindowTest : public test::StoreWindowTest {
protected:
    void open() {
        maniSite = std::make_unique<TfrmManiSite>();
        maniSite->show();
        QApplication::processEvents();
        box = control<QPlainTextEdit>(maniSite.get(), "MoUrl");
    }
    // Enters the text into the box, each line break as the Enter key.
    void type(const QString& text) {
        box->clear();
        box->setFocus();
        const QStringList lines = text.split(u"\r\n"_s);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(box, Qt::Key_Return);
            box->insertPlainText(lines[i]);
        }
    }
    void save() { control<QPushButton>(maniSite.get(), "brnSave")->click(); }

    std::unique_ptr<TfrmManiSite> maniSite;
    QPlainTextEdit* box = nullptr;
};

TEST_F(SiteManagerWindowTest, ControlsStandWhereAndAsTheyShould) {
    writeBytes(listPath(), "a.example\nb.example\rc.example\r\n");
    open();
    EXPECT_EQ(maniSite->windowTitle(), u"管理站点"_s);
    EXPECT_EQ(maniSite->size(), QSize(179, 300));
    EXPECT_EQ(maniSite->minimumSize(), maniSite->maximumSize());
    EXPECT_EQ(box->geometry(), QRect(3, 0, 173, 265));
    EXPECT_EQ(box->toolTip(), u"按行输入网址"_s);
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const struct {
        const char* name;
        QRect place;
        const char16_t* caption;
    } buttons[] = {{"brnSave", {16, 271, 57, 25}, u"保  存"},
                   {"brnCanc", {104, 271, 57, 25}, u"取 消"}};
    for (const auto& b : buttons) {
        if (auto* button = control<QPushButton>(maniSite.get(), b.name)) {
            EXPECT_EQ(button->geometry(), b.place) << b.name;
            EXPECT_EQ(button->text(), QString::fromUtf16(b.caption)) << b.name;
        }
    }
    // Every line break of the file is CR LF in the box.
    EXPECT_EQ(maniSite->MoUrlText(), u"a.example\r\nb.example\r\nc.example\r\n"_s);
    test::saveScreenshot(maniSite.get(), u"site-manager"_s);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(SiteManagerWindowTest, WithoutASiteListTheBoxStaysEmpty) {
    open();
    EXPECT_EQ(maniSite->MoUrlText(), QString());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(SiteManagerWindowTest, SaveRemovesEmptyLinesAndWritesAnsiWithCrLf) {
    const struct {
        const char* name;
        QString typed;
        QByteArray file;
        QString box;
    } cases[] = {
        {"two empty lines between two domains", u"a.example\r\n\r\n\r\nb.example"_s,
         "a.example\r\nb.example", u"a.example\r\nb.example"_s},
        {"final line break kept", u"a.example\r\nb.example\r\n"_s, "a.example\r\nb.example\r\n",
         u"a.example\r\nb.example\r\n"_s},
        {"no final line break", u"a.example\r\nb.example"_s, "a.example\r\nb.example",
         u"a.example\r\nb.example"_s},
        {"empty box", u""_s, "", u""_s},
        {"trailing blank kept", u"a.example \r\n   \r\n"_s, "a.example \r\n   \r\n",
         u"a.example \r\n   \r\n"_s},
        {"Chinese in the code page", u"中文.example"_s, "\xD6\xD0\xCE\xC4.example",
         u"中文.example"_s},
    };
    writeSiteList(u"old.example\r\n"_s);
    open();
    for (const auto& c : cases) {
        maniSite->show();
        type(c.typed);
        ASSERT_EQ(maniSite->MoUrlText(), c.typed) << c.name;
        save();
        EXPECT_EQ(readBytes(listPath()), c.file) << c.name;
        EXPECT_EQ(maniSite->MoUrlText(), c.box) << c.name;
        EXPECT_FALSE(maniSite->isVisible()) << c.name;
    }
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

TEST_F(SiteManagerWindowTest, CancelKeepsTheEditsForTheNextShowingAndALaterSave) {
    writeSiteList(u"a.example\r\n"_s);
    open();
    type(u"a.example\r\nb.example"_s);
    control<QPushButton>(maniSite.get(), "brnCanc")->click();
    EXPECT_FALSE(maniSite->isVisible());
    EXPECT_EQ(readBytes(listPath()), "a.example\r\n");
    app::ShowWindow(maniSite.get());
    EXPECT_EQ(maniSite->MoUrlText(), u"a.example\r\nb.example"_s);
    save();
    EXPECT_EQ(readBytes(listPath()), "a.example\r\nb.example");
}

TEST_F(SiteManagerWindowTest, AListThatCannotBeWrittenIsReportedAndLeftAsItWas) {
    writeSiteList(u"a.example\r\n"_s);
    open();
    ASSERT_TRUE(QFile::setPermissions(listPath(), QFile::ReadOwner | QFile::ReadGroup));
    // The kernel lets root replace a read-only file; refuse the replacement as the desktop
    // refuses it to everyone.
    if (::geteuid() == 0)
        platform::setBeforeReplaceHookForTesting([] {
            throw platform::EFileError(u"Existing file zenvo/website.txt is not writable"_s);
        });
    type(u"a.example\r\n\r\nb.example\r\n"_s);
    save();
    platform::setBeforeReplaceHookForTesting({});
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(u"Kelvane|"_s));
    EXPECT_TRUE(maniSite->isVisible());
    EXPECT_EQ(maniSite->MoUrlText(), u"a.example\r\nb.example\r\n"_s);
    EXPECT_EQ(readBytes(listPath()), "a.example\r\n");
    EXPECT_EQ(QDir(path(u"zenvo"_s)).entryList(QDir::Files), QStringList{u"website.txt"_s});
}

// The two windows in the program: created at start-up, shown from the main window's
// buttons, and a save reaching the main and history windows at their next activation.
class StoreWindowsStartUpTest : public test::StoreWindowTest {
protected:
    void TearDown() override {
        app::DestroyWindows();
        StoreWindowTest::TearDown();
    }
    test::FixtureWeb web;
};

TEST_F(StoreWindowsStartUpTest, SavedListReachesTheMainAndHistoryWindows) {
    writeSiteList(u"a.example\r\n"_s);
    app::CreateWindows();
    app::KelvaneWindows& w = app::Windows();
    w.frmMain->show();
    QApplication::processEvents();
    ASSERT_NE(w.frmManiSite, nullptr);
    ASSERT_NE(w.frmJilu, nullptr);
    auto* maniSite = static_cast<TfrmManiSite*>(w.frmManiSite);
    auto* jilu = static_cast<TfrmJilu*>(w.frmJilu);
    EXPECT_FALSE(maniSite->isVisible());
    EXPECT_FALSE(jilu->isVisible());

    control<QToolButton>(w.frmMain, "ibtnManageSite")->click();
    ASSERT_TRUE(maniSite->isVisible());
    // Centred over the main window when first shown.
    EXPECT_EQ(maniSite->frameGeometry().center(), w.frmMain->frameGeometry().center());
    auto* box = control<QPlainTextEdit>(maniSite, "MoUrl");
    box->setPlainText(u"a.example\n\nb.example\n"_s);
    control<QPushButton>(maniSite, "brnSave")->click();
    EXPECT_FALSE(maniSite->isVisible());

    w.frmMain->FormActivate();
    EXPECT_EQ(w.frmMain->txtUrlItems(), (QStringList{u"a.example"_s, u"b.example"_s}));

    control<QToolButton>(w.frmMain, "ibtnJilu")->click();
    ASSERT_TRUE(jilu->isVisible());
    EXPECT_EQ(jilu->frameGeometry().center(), w.frmMain->frameGeometry().center());
    jilu->FormActivate();
    auto* list = control<QListWidget>(jilu, "urlList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), u"b.example"_s);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

} // namespace
} // namespace kelvane::store
