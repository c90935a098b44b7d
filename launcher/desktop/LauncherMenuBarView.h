#pragma once
// The tray's menu: the way back to the library window, the running download with its cancel, the
// pending game updates, friends and chat with the unread count, a catalog check, and quitting.
// Its entries follow the library model and the social model whenever they change.
//
//   Открыть NOVRA
//   ─────                                      ┐ while a catalog game installs
//   TITLE: PHASE · PERCENT%   (a text)         │
//   Отменить загрузку                          ┘
//   Обновления: N                              ← when N ≥ 1
//   ─────
//   Друзья и чат[ · UNREAD]
//   Проверить обновления                       ← disabled while checking or busy
//   ─────
//   Завершить NOVRA
#include <memory>

#include <QObject>

class QAction;
class QMenu;

namespace novra {

class LibraryModel;
class SocialModel;

class LauncherMenuBarView : public QObject {
    Q_OBJECT
public:
    LauncherMenuBarView(LibraryModel& model, SocialModel& social, QObject* parent = nullptr);
    ~LauncherMenuBarView() override;

    QMenu* menu() const { return menu_.get(); }

private:
    void update();

    LibraryModel& model_;
    SocialModel& social_;
    std::unique_ptr<QMenu> menu_;
    QAction* downloadDivider_;
    QAction* download_;
    QAction* cancel_;
    QAction* updates_;
    QAction* friends_;
    QAction* refresh_;
};

} // namespace novra
