#include "cli/site_report.h"

#include "platform/console.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace kelvane::cli {

namespace {

struct LabelField {
    query::SiteLabel label;
    const char16_t* caption;
    QString name() const {
        return QString::fromLatin1(query::kSiteLabelNames[static_cast<size_t>(label)]);
    }
};

constexpr LabelField kLabels[] = {
    {query::SiteLabel::lblAlexaRank, u"Alexa"},
    {query::SiteLabel::lblChinaRank, u"ChinaRank"},
    {query::SiteLabel::lblBaiduSite, u"百度 SITE："},
    {query::SiteLabel::lblBaiduKz, u"百度 快照时间："},
    {query::SiteLabel::lblGoogleSite, u"谷歌 SITE："},
    {query::SiteLabel::lblGoogleKz, u"谷歌 快照时间："},
};

QString padded(const QString& text, int width) {
    return text + QString(std::max(0, width - platform::displayWidth(text)), u' ');
}

// A cell as one line: the counts are shown unchanged, but a table has no room for breaks.
QString oneLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

// The text with the mark when the field's outcome is not ok.
QString marked(const query::SiteQueryState& view, const query::SiteField& field,
               const QString& text) {
    const query::Outcome* outcome = view.outcomes().find(field);
    return outcome && !outcome->ok() ? text + kOutcomeMark : text;
}

QString gridText(const query::SiteQueryState& view, int column, int row) {
    return marked(view, query::SiteField::cell(column, row),
                  oneLine(view.StringGDCell(column, row)));
}

QString fieldCaption(const query::SiteQueryState& view, const query::SiteField& field) {
    switch (field.kind) {
    case query::SiteField::Kind::PageRank:
        return QStringLiteral("PageRank");
    case query::SiteField::Kind::SouGouRankG:
        return QStringLiteral("SogouRank");
    case query::SiteField::Kind::Label:
        return SiteLabelCaption(field.label);
    case query::SiteField::Kind::Cell:
        break;
    }
    return view.StringGDCell(field.column, 0).trimmed() + u' ' + view.StringGDCell(0, field.row);
}

} // namespace

QString SiteLabelCaption(query::SiteLabel label) {
    for (const LabelField& field : kLabels) {
        if (field.label == label)
            return QString::fromUtf16(field.caption);
    }
    return {};
}

QString SiteReportTable(const query::SiteQueryState& view, int pageRank) {
    std::array<int, query::SiteQueryView::kGridColumns> widths{};
    for (int column = 0; column < query::SiteQueryView::kGridColumns; ++column) {
        for (int row = 0; row < query::SiteQueryView::kGridRows; ++row) {
            widths[column] =
                std::max(widths[column], platform::displayWidth(gridText(view, column, row)));
        }
    }
    QString out;
    for (int row = 0; row < query::SiteQueryView::kGridRows; ++row) {
        QString line;
        for (int column = 0; column < query::SiteQueryView::kGridColumns; ++column)
            line += padded(gridText(view, column, row), widths[column] + 2);
        while (line.endsWith(u' '))
            line.chop(1);
        out += line + u'\n';
    }
    out += u'\n';
    out += padded(QStringLiteral("PageRank"), 16) +
           marked(view, query::SiteField::pageRank(), QString::number(pageRank)) + u'\n';
    out += padded(QStringLiteral("SogouRank"), 16) +
           marked(view, query::SiteField::sogouRank(), QString::number(view.SouGouRankG)) + u'\n';
    for (const LabelField& field : kLabels) {
        const QString value =
            marked(view, query::SiteField::of(field.label), oneLine(view.labelText(field.label)));
        const QString caption = QString::fromUtf16(field.caption);
        out += (value.isEmpty() ? caption : padded(caption, 16) + value) + u'\n';
    }
    return out;
}

QString SiteReportMarks(const query::SiteQueryState& view) {
    QString out;
    for (const auto& [field, outcome] : view.outcomes().failures()) {
        out += QStringLiteral("  %1 %2: %3")
                   .arg(kOutcomeMark)
                   .arg(fieldCaption(view, field), query::reasonName(outcome.reason));
        if (!outcome.detail.isEmpty())
            out += QStringLiteral(" (%1)").arg(outcome.detail);
        if (!outcome.host.isEmpty())
            out += QStringLiteral(", %1").arg(outcome.host);
        out += u'\n';
    }
    return out;
}

QString SiteReportJson(const query::SiteQueryState& view, int pageRank, const QString& domain) {
    QJsonObject object;
    if (!domain.isEmpty())
        object.insert(QStringLiteral("domain"), domain);
    object.insert(QStringLiteral("txtUrl"), view.txtUrl);
    QJsonArray grid;
    for (int row = 0; row < query::SiteQueryView::kGridRows; ++row) {
        QJsonArray cells;
        for (int column = 0; column < query::SiteQueryView::kGridColumns; ++column)
            cells.append(view.StringGDCell(column, row));
        grid.append(cells);
    }
    object.insert(QStringLiteral("StringGD"), grid);
    object.insert(QStringLiteral("PageRank"), pageRank);
    object.insert(QStringLiteral("ImagePR"),
                  view.ImagePR ? QJsonValue(*view.ImagePR) : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("SouGouRankG"), view.SouGouRankG);
    for (const LabelField& field : kLabels)
        object.insert(field.name(), view.labelText(field.label));
    QJsonArray failures;
    for (const auto& [field, outcome] : view.outcomes().failures()) {
        QJsonObject failure;
        failure.insert(QStringLiteral("field"), query::SiteFieldName(field));
        if (field.kind == query::SiteField::Kind::Cell) {
            failure.insert(QStringLiteral("column"), field.column);
            failure.insert(QStringLiteral("row"), field.row);
        }
        failure.insert(QStringLiteral("reason"), query::reasonName(outcome.reason));
        if (!outcome.detail.isEmpty())
            failure.insert(QStringLiteral("detail"), outcome.detail);
        failures.append(failure);
    }
    object.insert(QStringLiteral("failures"), failures);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n';
}

} // namespace kelvane::cli
