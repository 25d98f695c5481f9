#include "widgets/product_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace kelvane::widgets {

QFont productFont(int pointSize) {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const QString& candidate :
             {QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei"),
              QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UMing CN")}) {
            if (families.contains(candidate))
                return candidate;
        }
        return QString();
    }();
    QFont font = family.isEmpty() ? QFont() : QFont(family);
    font.setPointSize(pointSize);
    return font;
}

} // namespace kelvane::widgets
