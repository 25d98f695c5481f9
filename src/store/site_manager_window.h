#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace kelvane::store {

// The site manager: the site list as one text, one domain per line, saved on "保  存".
// The text is read once, at creation; between showings it keeps what it held.
class TfrmManiSite : public QWidget {
public:
    TfrmManiSite();
    ~TfrmManiSite() override;

    void brnSaveClick();
    void brnCancClick();

    // MoUrl's text with every line break as CR LF.
    QString MoUrlText() const;

private:
    void FormCreate();

    QPlainTextEdit* MoUrl_ = nullptr;
    QPushButton* brnSave_ = nullptr;
    QPushButton* brnCanc_ = nullptr;
};

} // namespace kelvane::store
