// How a value that is not the page's answer is drawn: grey with a corner mark, except a closed
// service's, which is the honest answer and keeps its look, with only its tooltip saying why.
#include "query/outcome.h"
#include "query/outcome_text.h"
#include "widgets/outcome_mark.h"

#include <QLabel>
#include <QTableWidgetItem>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(OutcomeMark, AClosedServiceIsDrawnPlainlyWithItsTooltip) {
    const struct {
        query::Outcome outcome;
        bool apart;
        const char16_t* toolTip;
    } cases[] = {
        {{query::FallbackReason::Blocked, u"title"_qs, u"b.example"_qs},
         true,
         u"被拦截（验证码页面）：b.example"},
        {{query::FallbackReason::Closed, u"2013"_qs, u"s.example"_qs},
         false,
         u"该服务已于 2013 年关闭"},
        {{query::FallbackReason::None, {}, u"b.example"_qs}, false, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(query::reasonName(c.outcome.reason).toStdString());
        QLabel label(QStringLiteral("0"));
        const QPalette before = label.palette();
        widgets::showOutcome(&label, &c.outcome);
        EXPECT_EQ(label.findChild<QWidget*>(QStringLiteral("outcomeMark")) != nullptr, c.apart);
        EXPECT_EQ(label.palette() != before, c.apart);
        EXPECT_EQ(label.toolTip(), QString::fromUtf16(c.toolTip));

        QTableWidgetItem item(QStringLiteral("0"));
        widgets::showOutcome(&item, &c.outcome);
        EXPECT_EQ(item.data(query::kOutcomeRole).isValid(), c.apart);
        EXPECT_EQ(item.toolTip(), QString::fromUtf16(c.toolTip));

        // The next run's clean value takes every sign away.
        widgets::showOutcome(&label, nullptr);
        EXPECT_EQ(label.findChild<QWidget*>(QStringLiteral("outcomeMark")), nullptr);
        EXPECT_TRUE(label.toolTip().isEmpty());
    }
}

} // namespace
} // namespace kelvane
