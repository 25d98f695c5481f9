#include "app/domain_box.h"

#include "app/main_window.h"
#include "app/windows.h"

#include <QComboBox>
#include <QCompleter>

namespace kelvane::app {

QComboBox* NewDomainBox(QWidget* parent, const QRect& place) {
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

void ReplaceDomainList(QComboBox* box, const QStringList& entries) {
    const QString text = box->currentText();
    box->clear();
    box->addItems(entries);
    box->setEditText(text);
}

void CentreOverMainWindow(QWidget* window) {
    // Frame to frame, so the window's title bar and borders are centred too.
    if (const QWidget* main = Windows().frmMain)
        window->move(window->pos() + main->frameGeometry().center() -
                     window->frameGeometry().center());
}

} // namespace kelvane::app
