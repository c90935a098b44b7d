#include "launcher/desktop/IconTheme.h"

#include <mutex>

#include <QDir>
#include <QIcon>
#include <QStandardPaths>

namespace novra::desktop {

void useSymbolTheme() {
    static std::once_flag once;
    std::call_once(once, [] {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            QString icons = QDir(data).filePath(QStringLiteral("icons"));
            if (!paths.contains(icons) && QDir(icons).exists())
                paths.append(icons);
        }
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    });
}

} // namespace novra::desktop
