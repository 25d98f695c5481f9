#pragma once

#include "query/outcome.h"

#include <QString>

namespace kelvane::query {

// The item data role under which a grid cell carries the reason its value is not the page's
// answer (an int of FallbackReason); windows draw such cells apart.
inline constexpr int kOutcomeRole = 0x0100 + 40; // Qt::UserRole + 40

// What the user reads when pointing at a marked value: the reason in Chinese, then the host
// when one was asked ("连接失败：www.baidu.com", "HTTP 403：www.baidu.com", "服务未配置").
QString OutcomeToolTip(const Outcome& outcome);

} // namespace kelvane::query
