#pragma once

#include <QWidget>

namespace kelvane::app {

// The about window: the product name with its version and the link to the product's site.
class TfrmAbout : public QWidget {
public:
    TfrmAbout();
};

} // namespace kelvane::app
