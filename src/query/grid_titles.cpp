#include "query/grid_titles.h"

namespace kelvane::query {

void SetGridTitles(SiteQueryView& view) {
    static const char16_t* const kEngineTitles[] = {
        u"    百度", u"    谷歌", u"    雅虎", u"    搜狗", u"    搜搜", u"    有道", u"    必应"};
    int column = 1;
    for (const char16_t* title : kEngineTitles)
        view.setStringGDCell(column++, 0, QString::fromUtf16(title));
    view.setStringGDCell(0, 1, QStringLiteral("收录"));
    view.setStringGDCell(0, 2, QStringLiteral("反链"));
}

} // namespace kelvane::query
