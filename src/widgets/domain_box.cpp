#include "widgets/domain_box.h"

#include <QComboBox>
#include <QCompleter>

namespace kelvane::widgets {

QComboBox* newDomainBox(QWidget* parent, const QRect& place) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("txtUrl"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(8);
    box->completer()->setCompletionMode(QCompleter::InlineCompletion);
    box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    box->setGeometry(place);
    return box;
}

void replaceDomainList(QComboBox* box, const QStringList& entries) {
    const QString text = box->currentText();
    box->clear();
    box->addItems(entries);
    box->setEditText(text);
}

} // namespace kelvane::widgets
