#include "store/working_directory.h"

#include "platform/install_layout.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "store/site_list.h"
#include "store/store_paths.h"

#include <QDir>

namespace kelvane::store {

std::optional<QStringList> PrepareWorkingDirectory(const QString& executableFolder) {
    const QDir folder(executableFolder);
    const QString zenvo = folder.filePath(platform::nativeProductPath(QStringLiteral("zenvo")));
    if (platform::isDirectory(zenvo) && platform::isFile(siteListPath()))
        return ReadSiteList();

    // Failures are ignored, an existing directory among them. "zenvo\data" is made only
    // here, so it is not re-created while a site list exists.
    platform::createDirectory(zenvo);
    platform::createDirectory(
        folder.filePath(platform::nativeProductPath(QStringLiteral("zenvo\\data"))));
    platform::createEmptyFileIfMissing(siteListPath());
    return std::nullopt;
}

std::optional<QStringList> PrepareWorkingDirectory() {
    return PrepareWorkingDirectory(platform::workingFolder());
}

} // namespace kelvane::store
