#include "store/site_manager_window.h"

#include "platform/text_file.h"
#include "store/site_list.h"
#include "store/site_list_edit.h"
#include "store/store_paths.h"
#include "store/text_lines.h"
#include "widgets/domain_box.h"
#include "widgets/error_report.h"
#include "widgets/product_font.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace kelvane::store {

TfrmManiSite::TfrmManiSite() : QWidget(nullptr, Qt::Dialog) {
    FormCreate();
}

TfrmManiSite::~TfrmManiSite() = default;

void TfrmManiSite::FormCreate() {
    setObjectName(QStringLiteral("frmManiSite"));
    setWindowTitle(QStringLiteral("管理站点"));
    setFont(widgets::productFont());
    setFixedSize(179, 300);

    MoUrl_ = new QPlainTextEdit(this);
    MoUrl_->setObjectName(QStringLiteral("MoUrl"));
    // Narrowed from 185 so that its vertical scroll bar lies inside the 179-pixel window.
    MoUrl_->setGeometry(3, 0, 173, 265);
    MoUrl_->setToolTip(QStringLiteral("按行输入网址"));
    MoUrl_->setLineWrapMode(QPlainTextEdit::NoWrap);
    MoUrl_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MoUrl_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    brnSave_ = new QPushButton(QStringLiteral("保  存"), this);
    brnSave_->setObjectName(QStringLiteral("brnSave"));
    brnSave_->setGeometry(16, 271, 57, 25);
    connect(brnSave_, &QPushButton::clicked, this, [this] { brnSaveClick(); });
    brnCanc_ = new QPushButton(QStringLiteral("取 消"), this);
    brnCanc_->setObjectName(QStringLiteral("brnCanc"));
    brnCanc_->setGeometry(104, 271, 57, 25);
    connect(brnCanc_, &QPushButton::clicked, this, [this] { brnCancClick(); });

    widgets::guarded([this] {
        if (platform::isFile(siteListPath()))
            MoUrl_->setPlainText(ReadSiteListText());
    });
}

QString TfrmManiSite::MoUrlText() const {
    return withCrLf(MoUrl_->toPlainText());
}

void TfrmManiSite::brnSaveClick() {
    widgets::guarded([this] {
        const QString cleaned = RemoveEmptyLines(MoUrl_->toPlainText());
        if (cleaned != MoUrl_->toPlainText())
            MoUrl_->setPlainText(cleaned);
        // A failed write leaves the old file and this window open, for the error report.
        WriteSiteList(cleaned);
        close();
    });
}

void TfrmManiSite::brnCancClick() {
    close();
}

} // namespace kelvane::store
