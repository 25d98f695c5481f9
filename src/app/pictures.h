#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace kelvane::app {

// ImageListPR: bar i shows the number i in a small green box and a bar filled to i tenths.
QList<QPixmap> DrawPageRankBars();

// The toolbar pictures, one per button, drawn so that no image file has to ship.
enum class ToolPicture { ManageSite, History, Whois, Ip, Ranking, Mail, Site, About };
QIcon DrawToolPicture(ToolPicture picture);

// The tray menu's pictures, one per item.
enum class MenuPicture { Open, Site, About, Upgrade, Exit };
QIcon DrawMenuPicture(MenuPicture picture);

// The tray icon and the decorative pictures of the main window.
QIcon DrawTrayIcon();
QPixmap DrawDecoration(int variant);

} // namespace kelvane::app
