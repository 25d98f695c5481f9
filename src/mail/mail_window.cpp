#include "mail/mail_window.h"

#include "widgets/error_report.h"
#include "widgets/product_font.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kelvane::mail {

namespace {

constexpr int kClientWidth = 712;
constexpr int kClientHeight = 508;

QGroupBox* groupBox(const char* name, const QString& title, QWidget* parent, const QRect& place) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(place);
    return box;
}

void label(const char* name, const QString& text, QWidget* parent, QPoint at) {
    auto* shown = new QLabel(text, parent);
    shown->setObjectName(QString::fromLatin1(name));
    shown->move(at);
    shown->adjustSize();
}

QLineEdit* edit(const char* name, QWidget* parent, const QRect& place) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(place);
    return field;
}

QPlainTextEdit* memo(const char* name, QWidget* parent, const QRect& place) {
    auto* field = new QPlainTextEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(place);
    // Tab moves to the next field, as in the other edits of the window.
    field->setTabChangesFocus(true);
    return field;
}

} // namespace

TfrmMail::TfrmMail() : QWidget(nullptr) {
    FormCreate();
}

TfrmMail::~TfrmMail() = default;

void TfrmMail::FormCreate() {
    setObjectName(QStringLiteral("frmMail"));
    setWindowTitle(QStringLiteral("邮件群发"));
    setFont(widgets::productFont(8));
    setFixedSize(kClientWidth, kClientHeight);
    // Neither minimise nor maximise, but the window manager may close it: closing hides it,
    // and a window the user cannot get rid of would cover the main window for the run.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    QGroupBox* box1 =
        groupBox("GroupBox1", QStringLiteral("收件人地址列表"), this, {4, 8, 211, 486});
    moMailList_ = memo("moMailList", box1, {6, 16, 197, 443});
    label("Label6", QStringLiteral("请按行输入邮件地址"), box1, {6, 465});

    QGroupBox* box2 =
        groupBox("GroupBox2", QStringLiteral("SMTP 服务器设置"), this, {221, 8, 486, 45});
    label("Label1", QStringLiteral("服务器："), box2, {10, 19});
    txtServerName_ = edit("txtServerName", box2, {58, 16, 121, 21});
    label("Label2", QStringLiteral("用户名："), box2, {185, 19});
    txtUserName_ = edit("txtUserName", box2, {234, 16, 99, 21});
    label("Label3", QStringLiteral("密码："), box2, {339, 19});
    txtPwd_ = edit("txtPwd", box2, {378, 16, 99, 21});
    txtPwd_->setEchoMode(QLineEdit::Password);
    // Every character shows as "*", whatever the style's own mask character is.
    txtPwd_->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    QGroupBox* box3 = groupBox("GroupBox3", QString(), this, {221, 59, 486, 34});
    label("Label4", QStringLiteral("发送者EMAIL："), box3, {10, 10});
    txtMail_ = edit("txtMail", box3, {90, 6, 151, 21});
    label("Label5", QStringLiteral("发送者称谓："), box3, {272, 10});
    txtFname_ = edit("txtFname", box3, {356, 6, 121, 21});

    QGroupBox* box4 = groupBox("GroupBox4", QStringLiteral("邮件标题"), this, {221, 99, 486, 43});
    txtTitle_ = edit("txtTitle", box4, {6, 15, 471, 21});

    QGroupBox* box5 = groupBox("GroupBox5", QStringLiteral("邮件内容"), this, {221, 148, 486, 317});
    txtContent_ = memo("txtContent", box5, {6, 18, 471, 293});

    txtState_ = edit("txtState", this, {221, 473, 405, 21});
    state_ = QString::fromUtf16(kInitialState);
    txtState_->setText(state_);
    txtState_->setEnabled(false);
    QPalette red = txtState_->palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        red.setColor(group, QPalette::Text, Qt::red);
    txtState_->setPalette(red);

    btnSend_ = new QPushButton(QString::fromUtf16(kSendCaption), this);
    btnSend_->setObjectName(QStringLiteral("btnSend"));
    btnSend_->setGeometry(632, 473, 75, 25);
    connect(btnSend_, &QPushButton::clicked, this,
            [this] { widgets::guarded([this] { btnSendClick(); }); });

    QWidget* order[] = {moMailList_, txtServerName_, txtUserName_, txtPwd_, txtMail_,
                        txtFname_,   txtTitle_,      txtContent_,  btnSend_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfrmMail::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmMail::btnSendClick() {
    mailer_.btnSendClick();
}

QString TfrmMail::moMailListText() const {
    return moMailList_->toPlainText();
}
QString TfrmMail::txtServerNameText() const {
    return txtServerName_->text();
}
QString TfrmMail::txtUserNameText() const {
    return txtUserName_->text();
}
QString TfrmMail::txtPwdText() const {
    return txtPwd_->text();
}
QString TfrmMail::txtMailText() const {
    return txtMail_->text();
}
QString TfrmMail::txtFnameText() const {
    return txtFname_->text();
}
QString TfrmMail::txtTitleText() const {
    return txtTitle_->text();
}
QString TfrmMail::txtContentText() const {
    return txtContent_->toPlainText();
}
void TfrmMail::setTxtStateText(const QString& text) {
    state_ = text;
    txtState_->setText(state_ + serverWait_);
}
void TfrmMail::setServerWaitText(const QString& text) {
    serverWait_ = text;
    txtState_->setText(state_ + serverWait_);
}
void TfrmMail::setLineOutcomes(const QStringList& outcomes) {
    // The status box shows one line at a time; the whole batch is a hover away.
    txtState_->setToolTip(outcomes.join(u'\n'));
}

void TfrmMail::processPendingEvents() {
    QCoreApplication::processEvents();
}
void TfrmMail::setBtnSendEnabled(bool enabled) {
    btnSend_->setEnabled(enabled);
}
void TfrmMail::setBtnSendCaption(const QString& caption) {
    btnSend_->setText(caption);
}

} // namespace kelvane::mail
