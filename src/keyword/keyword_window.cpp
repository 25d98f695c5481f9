#include "keyword/keyword_window.h"

#include "keyword/keyword_rank_run.h"
#include "platform/browser.h"
#include "platform/text_file.h"
#include "store/site_list.h"
#include "store/store_paths.h"
#include "widgets/domain_box.h"
#include "widgets/error_report.h"
#include "widgets/labels.h"
#include "widgets/outcome_mark.h"
#include "widgets/product_font.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <memory>

namespace kelvane::keyword {

namespace {

// The window as a search on a worker sees it: the inputs were read before it started, the
// ticks are the window's live ones, and every write is queued onto the window's thread but the
// button's: the window gives it back itself when the end arrives (giveButtonBack), so no press
// can fall between the last write and the end.
class KeywordRankProxy : public KeywordRankView {
public:
    using Ticks = std::array<query::Tick, query::kEngineCount>;
    KeywordRankProxy(KeywordRankView& window, QObject* context, KeywordRankInputs inputs,
                     const Ticks& ticks)
        : window_(&window), context_(context), inputs_(std::move(inputs)), ticks_(ticks) {}

    QString txtUrlText() const override { return inputs_.site; }
    QString txtKeywordText() const override { return inputs_.keyword; }
    int seStartValue() const override { return inputs_.startPage; }
    int seEndValue() const override { return inputs_.endPage; }
    bool engineTicked(query::EngineId engine) const override {
        return ticks_[static_cast<size_t>(engine)];
    }
    void setBtnCXEnabled(bool enabled) override { buttonEnabled_ = enabled; }
    // On the window's thread, once the searches have ended.
    void giveButtonBack() const { window_->setBtnCXEnabled(buttonEnabled_); }
    void clear() override {
        forward([](KeywordRankView& view) { view.clear(); });
    }
    void setResultText(query::EngineId engine, const QString& text) override {
        forward([engine, text](KeywordRankView& view) { view.setResultText(engine, text); });
    }
    void searchDone(query::EngineId engine, const RankSearchResult& result) override {
        forward([engine, result](KeywordRankView& view) { view.searchDone(engine, result); });
    }

private:
    template <typename Write> void forward(Write write) {
        widgets::postTo(context_, [window = window_, write] { write(*window); });
    }

    KeywordRankView* window_;
    QObject* context_;
    KeywordRankInputs inputs_;
    const Ticks& ticks_;
    bool buttonEnabled_ = false;
};

struct EngineControls {
    const char* check;
    const char16_t* caption;
    int checkLeft;
    const char* result;
    const char* smallButton;
    const char16_t* label;
    QPoint labelAt;
    QRect resultPlace;
    QRect buttonPlace;
};

// Per engine, in EngineId order; places in the lower panel for the results.
const EngineControls kEngines[query::kEngineCount] = {
    {"rbBaidu",
     u"百度",
     63,
     "txtBaidu",
     "sbBaidu",
     u"百度：",
     {16, 26},
     {50, 23, 147, 18},
     {203, 24, 19, 18}},
    {"rdGoogle",
     u"谷歌",
     116,
     "txtGoogle",
     "sbGoogle",
     u"谷歌：",
     {16, 58},
     {50, 54, 147, 18},
     {203, 54, 19, 18}},
    {"rdYahoo",
     u"雅虎",
     169,
     "txtYahoo",
     "sbYahoo",
     u"雅虎：",
     {16, 90},
     {50, 86, 147, 18},
     {203, 87, 19, 18}},
    {"rdSogou",
     u"搜狗",
     222,
     "txtSogou",
     "sbSogou",
     u"搜狗：",
     {16, 122},
     {50, 118, 147, 18},
     {203, 119, 19, 18}},
    {"rdSoso",
     u"搜搜",
     275,
     "txtSoso",
     "sbSoso",
     u"搜搜：",
     {234, 26},
     {267, 23, 147, 18},
     {417, 23, 19, 18}},
    {"rdYodao",
     u"有道",
     328,
     "txtYodao",
     "sbYoudao",
     u"有道：",
     {234, 58},
     {267, 54, 147, 18},
     {417, 55, 19, 18}},
    {"rdBing",
     u"必应",
     381,
     "txtBing",
     "sbBing",
     u"必应：",
     {234, 90},
     {267, 86, 147, 18},
     {417, 87, 19, 18}},
};

// The upper panel starts at the window's corner, so its places are the window's too.
constexpr QRect kUpperPanel(0, 0, 490, 110);
constexpr QRect kLowerPanel(0, 112, 490, 202);

QIcon smallButtonPicture() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x2C, 0x5A, 0x9E), 2));
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    painter.drawLine(QPointF(2, 8), QPointF(14, 8));
    painter.drawLine(QPointF(8, 2), QPointF(8, 14));
    return QIcon(pixmap);
}

} // namespace

TfrmKeyWord::TfrmKeyWord() : QWidget(nullptr) {
    setObjectName(QStringLiteral("frmKeyWord"));
    setWindowTitle(QStringLiteral(" 关键词排名查询"));
    setFont(widgets::productFont());
    setFixedSize(490, 314);

    auto* upper = new QFrame(this);
    upper->setObjectName(QStringLiteral("pnlUpper"));
    upper->setFrameShape(QFrame::StyledPanel);
    upper->setGeometry(kUpperPanel);
    widgets::placedLabel(QStringLiteral("网    址："), upper, {16, 18});
    widgets::placedLabel(QStringLiteral("关键词："), upper, {16, 48});
    widgets::placedLabel(QStringLiteral("引    擎："), upper, {16, 81});
    widgets::placedLabel(QStringLiteral("——页码范围——"), upper, {316, 20});
    widgets::placedLabel(QStringLiteral("|"), upper, {316, 25});
    widgets::placedLabel(QStringLiteral("|"), upper, {406, 25});

    txtUrl_ = widgets::newDomainBox(this, QRect(71, 21, 154, 20));

    btnCX_ = new QPushButton(QStringLiteral("开始查询"), this);
    btnCX_->setObjectName(QStringLiteral("btnCX"));
    btnCX_->setGeometry(231, 21, 58, 25);
    connect(btnCX_, &QPushButton::clicked, this, [this] { btnCXClick(); });

    txtKeyword_ = new QLineEdit(this);
    txtKeyword_->setObjectName(QStringLiteral("txtKeyword"));
    txtKeyword_->setGeometry(71, 52, 154, 18);

    auto* btnMD = new QPushButton(QStringLiteral("查询设置"), this);
    btnMD->setObjectName(QStringLiteral("btnMD"));
    btnMD->setGeometry(231, 52, 58, 25);
    connect(btnMD, &QPushButton::clicked, this, [this] { btnMDClick(); });

    for (auto* spin : {&seStart_, &seEnd_}) {
        *spin = new QSpinBox(upper);
        (*spin)->setRange(1, 100);
        (*spin)->setSingleStep(1);
    }
    seStart_->setObjectName(QStringLiteral("seStart"));
    seStart_->setGeometry(296, 44, 57, 20);
    seStart_->setValue(1);
    seEnd_->setObjectName(QStringLiteral("seEnd"));
    seEnd_->setGeometry(373, 44, 58, 20);
    seEnd_->setValue(5);

    auto* lower = new QFrame(this);
    lower->setObjectName(QStringLiteral("pnlLower"));
    lower->setFrameShape(QFrame::StyledPanel);
    lower->setGeometry(kLowerPanel);
    const QIcon picture = smallButtonPicture();
    for (size_t i = 0; i < query::kEngineCount; ++i) {
        const EngineControls& spec = kEngines[i];
        auto* check = new QCheckBox(QString::fromUtf16(spec.caption), upper);
        check->setObjectName(QString::fromLatin1(spec.check));
        check->setGeometry(spec.checkLeft, 76, 47, 25);
        check->setChecked(i == static_cast<size_t>(query::EngineId::Baidu) ||
                          i == static_cast<size_t>(query::EngineId::Google));
        checks_[i] = check;
        ticks_[i] = check->isChecked();
        connect(check, &QCheckBox::toggled, this, [this, i](bool on) { ticks_[i] = on; });

        widgets::placedLabel(QString::fromUtf16(spec.label), lower, spec.labelAt);
        auto* result = new QLineEdit(lower);
        result->setObjectName(QString::fromLatin1(spec.result));
        result->setGeometry(spec.resultPlace);
        results_[i] = result;

        auto* small = new QToolButton(lower);
        small->setObjectName(QString::fromLatin1(spec.smallButton));
        small->setGeometry(spec.buttonPlace);
        small->setAutoRaise(true);
        small->setIcon(picture);
        small->setIconSize(QSize(16, 16));
        small->setToolTip(QStringLiteral("官网查询"));
        small->hide();
        const auto engine = static_cast<query::EngineId>(i);
        connect(small, &QToolButton::clicked, this,
                [this, engine] { widgets::guarded([this, engine] { sbClick(engine); }); });
        smallButtons_[i] = small;
    }

    D2I_ = new QLineEdit(lower);
    D2I_->setObjectName(QStringLiteral("D2I"));
    D2I_->setGeometry(267, 118, 147, 18);
    D2I_->hide();

    widgets::guarded([this] { FormCreate(); });
}

void TfrmKeyWord::FormCreate() {
    // Read once per run: sites saved later appear here after the next start.
    if (platform::isFile(store::siteListPath()))
        txtUrl_->addItems(store::ReadSiteList());
    txtUrl_->setEditText(QString());
}

void TfrmKeyWord::btnCXClick() {
    widgets::guarded([this] {
        // Read and taken here, so the button is disabled before the click returns.
        const KeywordRankInputs inputs = BeginKeywordRank(*this);
        auto proxy = std::make_shared<KeywordRankProxy>(*this, this, inputs, ticks_);
        searchRun_.start([proxy, inputs] { RunKeywordRankSearches(*proxy, inputs, {}); },
                         [this, proxy] {
                             proxy->giveButtonBack();
                             Q_EMIT keywordRankFinished();
                         });
    });
}

void TfrmKeyWord::keyPressEvent(QKeyEvent* event) {
    // Esc stops the searches: the page in flight ends at once, the engines left ask nothing.
    if (event->key() == Qt::Key_Escape) {
        searchRun_.stop();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmKeyWord::sbClick(query::EngineId engine) {
    platform::openInBrowser(lastUrl(engine));
}

QString TfrmKeyWord::txtUrlText() const {
    return txtUrl_->currentText();
}

QString TfrmKeyWord::txtKeywordText() const {
    return txtKeyword_->text();
}

int TfrmKeyWord::wholeNumber(const QSpinBox* spin) const {
    D2I_->setText(QString::number(spin->value()));
    return D2I_->text().toInt();
}

int TfrmKeyWord::seStartValue() const {
    return wholeNumber(seStart_);
}

int TfrmKeyWord::seEndValue() const {
    return wholeNumber(seEnd_);
}

bool TfrmKeyWord::engineTicked(query::EngineId engine) const {
    return checks_[static_cast<size_t>(engine)]->isChecked();
}

void TfrmKeyWord::setBtnCXEnabled(bool enabled) {
    btnCX_->setEnabled(enabled);
    btnCX_->repaint();
}

void TfrmKeyWord::clear() {
    for (size_t i = 0; i < query::kEngineCount; ++i) {
        results_[i]->clear();
        widgets::showOutcome(results_[i], nullptr);
        smallButtons_[i]->hide();
    }
}

void TfrmKeyWord::setResultText(query::EngineId engine, const QString& text) {
    QLineEdit* result = results_[static_cast<size_t>(engine)];
    result->setText(text);
    result->repaint();
}

void TfrmKeyWord::searchDone(query::EngineId engine, const RankSearchResult& result) {
    const auto i = static_cast<size_t>(engine);
    results_[i]->setText(result.text);
    // Not found on the pages searched is an answer; anything else that is not ok is not.
    const bool answered = result.outcome == RankSearchOutcome::NotFound &&
                          result.why.reason == query::FallbackReason::NoMatch;
    widgets::showOutcome(results_[i], answered ? nullptr : &result.why);
    lastUrl_[i] = result.lastUrl;
    smallButtons_[i]->show();
}

} // namespace kelvane::keyword
