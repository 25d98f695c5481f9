#pragma once

#include <QString>
#include <QStringList>

namespace kelvane::store {

// The site list "zenvo\website.txt", relative to the current directory: one entry per line,
// each used exactly as written.

// The entries in file order. Throws EFileError when the file cannot be opened.
QStringList ReadSiteList();
// The whole text, decoded as ReadSiteList decodes it, every line break made CR LF
// (what the site manager edits). Throws EFileError when the file cannot be opened.
QString ReadSiteListText();
// Replaces the file's content with the text: ANSI, no byte-order mark, every line break
// CR LF, nothing added or removed at the end. Throws EFileError; the old file then stays.
void WriteSiteList(const QString& text);

} // namespace kelvane::store
