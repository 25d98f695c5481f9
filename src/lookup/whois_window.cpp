#include "lookup/whois_window.h"

#include "lookup/lookups.h"
#include "lookup/memo_text.h"
#include "platform/text_file.h"
#include "store/site_list.h"
#include "store/store_paths.h"
#include "widgets/domain_box.h"
#include "widgets/error_report.h"
#include "widgets/product_font.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>

namespace kelvane::lookup {

namespace {
// Past this many displayed lines the memo gets its vertical scroll bar, for good.
constexpr int kLinesWithoutScrollBar = 27;
} // namespace

TfrmWhois::TfrmWhois() : QWidget(nullptr) {
    setObjectName(QStringLiteral("frmWhois"));
    setWindowTitle(QStringLiteral("域名查询"));
    setFont(widgets::productFont());
    setFixedSize(361, 405);

    txtUrl_ = widgets::newDomainBox(this, QRect(8, 8, 273, 20));

    btnCX_ = new QPushButton(QStringLiteral("查 询"), this);
    btnCX_->setObjectName(QStringLiteral("btnCX"));
    btnCX_->setGeometry(295, 8, 58, 25);
    btnCX_->setDefault(true);
    connect(btnCX_, &QPushButton::clicked, this,
            [this] { widgets::guarded([this] { btnCXClick(); }); });

    MoWhois_ = new QPlainTextEdit(this);
    MoWhois_->setObjectName(QStringLiteral("MoWhois"));
    MoWhois_->setGeometry(8, 39, 345, 358);
    MoWhois_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MoWhois_->setTabChangesFocus(false);
    MoWhois_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MoWhois_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TfrmWhois::FormShow() {
    widgets::replaceDomainList(txtUrl_, {});
    if (platform::isFile(store::siteListPath()))
        widgets::replaceDomainList(txtUrl_, store::ReadSiteList());
}

void TfrmWhois::btnCXClick() {
    if (lookupRun_.isRunning())
        return;
    showResult(QString::fromUtf16(kWhoisRunningText));
    MoWhois_->repaint();
    lookupRun_.ask<QString>([domain = txtUrl_->currentText()] { return WhoisLookup(domain); },
                            [this](const QString& answer) {
                                showResult(answer);
                                if (displayedLines() > kLinesWithoutScrollBar)
                                    MoWhois_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                            },
                            [this] { Q_EMIT whoisFinished(); });
}

void TfrmWhois::showResult(const QString& text) {
    MoWhois_->setPlainText(MemoDisplayText(text));
}

int TfrmWhois::displayedLines() const {
    const QTextDocument* document = MoWhois_->document();
    const qreal width = MoWhois_->viewport()->width() - 2 * document->documentMargin();
    int lines = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QTextLayout layout(block.text(), MoWhois_->font());
        layout.setTextOption(document->defaultTextOption());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ++lines;
        }
        layout.endLayout();
    }
    if (document->lastBlock().text().isEmpty() && lines > 0)
        --lines;
    return lines;
}

void TfrmWhois::showEvent(QShowEvent* event) {
    widgets::guarded([this] { FormShow(); });
    QWidget::showEvent(event);
}

void TfrmWhois::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        btnCX_->click();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        lookupRun_.stop();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kelvane::lookup
