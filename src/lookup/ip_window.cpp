#include "lookup/ip_window.h"

#include "lookup/lookups.h"
#include "lookup/memo_text.h"
#include "widgets/domain_box.h"
#include "widgets/error_report.h"
#include "widgets/product_font.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kelvane::lookup {

TfrmIP::TfrmIP() : QWidget(nullptr) {
    setObjectName(QStringLiteral("frmIP"));
    setWindowTitle(QStringLiteral(" IP地址查询"));
    setFont(widgets::productFont());
    setFixedSize(282, 204);

    txtIP_ = new QLineEdit(QString::fromUtf16(kIpPromptText), this);
    txtIP_->setObjectName(QStringLiteral("txtIP"));
    txtIP_->setGeometry(8, 8, 185, 18);
    // Only a click empties the prompt; focus from the keyboard leaves it.
    txtIP_->installEventFilter(this);

    btnCX_ = new QPushButton(QStringLiteral("查   询"), this);
    btnCX_->setObjectName(QStringLiteral("btnCX"));
    btnCX_->setGeometry(199, 8, 75, 25);
    btnCX_->setDefault(true);
    connect(btnCX_, &QPushButton::clicked, this,
            [this] { widgets::guarded([this] { btnCXClick(); }); });

    MoIP_ = new QPlainTextEdit(this);
    MoIP_->setObjectName(QStringLiteral("MoIP"));
    MoIP_->setGeometry(8, 39, 266, 154);
    MoIP_->setLineWrapMode(QPlainTextEdit::NoWrap);
    MoIP_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MoIP_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    widgets::guarded([this] { FormCreate(); });
}

void TfrmIP::FormCreate() {
    ask([] { return OwnIpLookup(); });
}

void TfrmIP::btnCXClick() {
    if (lookupRun_.isRunning())
        return;
    MoIP_->setPlainText(QString::fromUtf16(kIpRunningText));
    MoIP_->repaint();
    ask([address = txtIP_->text()] { return IpLookup(address); });
}

void TfrmIP::ask(std::function<QString()> lookup) {
    lookupRun_.ask<QString>(
        std::move(lookup),
        [this](const QString& answer) { MoIP_->setPlainText(MemoDisplayText(answer)); },
        [this] { Q_EMIT ipLookupFinished(); });
}

void TfrmIP::txtIPClick() {
    if (txtIP_->text() == QString::fromUtf16(kIpPromptText))
        txtIP_->clear();
}

bool TfrmIP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtIP_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        widgets::guarded([this] { txtIPClick(); });
    return QWidget::eventFilter(watched, event);
}

void TfrmIP::keyPressEvent(QKeyEvent* event) {
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
