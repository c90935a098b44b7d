#include "launcher/desktop/Tray.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "launcher/desktop/LauncherMenuBarView.h"
#include "launcher/desktop/Windows.h"
#include "launcher/views/LauncherResource.h"
#include "launcher/views/Symbols.h"

namespace novra {

namespace {

QIcon launcherIcon() {
    const QString root = LauncherResource::root();
    const QString file = root.isEmpty() ? QString() : QDir(root).filePath(QStringLiteral("launcher.png"));
    if (!file.isEmpty() && QFile::exists(file)) return QIcon(file);
    return QIcon(QPixmap::fromImage(Symbols::render(u"gamecontroller.fill", 64, Qt::white)));
}

} // namespace

LauncherTray::LauncherTray(LibraryModel& model, SocialModel& social, QObject* parent)
    : QObject(parent), menu_(new LauncherMenuBarView(model, social, this)), icon_(new QSystemTrayIcon(this)) {
    icon_->setIcon(launcherIcon());
    icon_->setToolTip(QStringLiteral("NOVRA"));
    icon_->setContextMenu(menu_->menu());
    connect(icon_, &QSystemTrayIcon::activated, this, [](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) toggleLibraryWindow();
    });
}

LauncherTray::~LauncherTray() = default;

void LauncherTray::show() { icon_->show(); }

} // namespace novra
