#pragma once

#include <QWidget>

namespace kelvane::app {

// The notice that a newer version is published, placed at the bottom right of the screen.
class TfrmUpdate : public QWidget {
public:
    TfrmUpdate();
};

} // namespace kelvane::app
