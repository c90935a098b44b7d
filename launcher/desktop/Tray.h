#pragma once
// The launcher's icon in the desktop's tray: its menu is LauncherMenuBarView; a left click shows
// the library window, or hides it when it is in front. The icon is the bundle's launcher.png, or
// the "gamecontroller.fill" symbol without it. Without a tray on the desktop nothing is shown.
#include <QObject>

class QSystemTrayIcon;

namespace novra {

class LauncherMenuBarView;
class LibraryModel;
class SocialModel;

class LauncherTray : public QObject {
    Q_OBJECT
public:
    LauncherTray(LibraryModel& model, SocialModel& social, QObject* parent = nullptr);
    ~LauncherTray() override;

    LauncherMenuBarView& menu() const { return *menu_; }
    void show();

private:
    LauncherMenuBarView* menu_;
    QSystemTrayIcon* icon_;
};

} // namespace novra
