#include "launcher/views/SettingsDraft.h"

#include "core/Settings.h"
#include "core/Url.h"
#include "launcher/library/LibraryModel.h"

namespace novra {

QString SettingsDraft::defaultSourceURL() { return QString::fromStdString(Settings::defaultSourceURL()); }

QString SettingsDraft::studioHost() {
    std::optional<ParsedURL> url = parseURL(Settings::defaultSourceURL());
    return url ? QString::fromStdString(url->host) : QString();
}

QString SettingsDraft::defaultHost() { return QString::fromStdString(Settings::defaultHost()); }

QString SettingsDraft::folderPath(const QUrl& folder) { return folder.isLocalFile() ? folder.toLocalFile() : QString(); }

QUrl SettingsDraft::folderUrl(const QString& path) { return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path); }

QStringList SettingsDraft::requiredVolumes(const QString& path) {
    const std::vector<std::string>& studio = LibraryModel::kStudioVolumes;
    if (!path.startsWith(QString::fromStdString(studio.front()) + u'/')) return {};
    QStringList volumes;
    for (const std::string& volume : studio) volumes.append(QString::fromStdString(volume));
    return volumes;
}

} // namespace novra
