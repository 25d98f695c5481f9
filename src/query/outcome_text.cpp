#include "query/outcome_text.h"

namespace kelvane::query {

namespace {

QString reasonText(const Outcome& outcome) {
    switch (outcome.reason) {
    case FallbackReason::None:
        return {};
    case FallbackReason::NoConnection:
    case FallbackReason::OtherError:
        return QStringLiteral("连接失败");
    case FallbackReason::TimedOut:
        return QStringLiteral("超时");
    case FallbackReason::HttpStatus:
        return QStringLiteral("HTTP ") + outcome.detail;
    case FallbackReason::TooLarge:
        return QStringLiteral("页面过大");
    case FallbackReason::Blocked:
        return QStringLiteral("被拦截（验证码页面）");
    case FallbackReason::NoMatch:
    case FallbackReason::MatcherFailure:
        return QStringLiteral("页面中未找到数据");
    case FallbackReason::EmptyAfterCut:
        return QStringLiteral("页面中的数据为空");
    case FallbackReason::NotConfigured:
        return QStringLiteral("服务未配置");
    case FallbackReason::Stopped:
        return QStringLiteral("已停止");
    case FallbackReason::Closed:
        // The history keeps the reason alone, without the year.
        return outcome.detail.isEmpty()
                   ? QStringLiteral("该服务已关闭")
                   : QStringLiteral("该服务已于 %1 年关闭").arg(outcome.detail);
    }
    return {};
}

} // namespace

QString OutcomeToolTip(const Outcome& outcome) {
    const QString text = reasonText(outcome);
    // Nothing was asked of a host left unset or of a service that is gone.
    if (text.isEmpty() || outcome.host.isEmpty() ||
        outcome.reason == FallbackReason::NotConfigured || outcome.reason == FallbackReason::Closed)
        return text;
    return text + u'：' + outcome.host;
}

} // namespace kelvane::query
