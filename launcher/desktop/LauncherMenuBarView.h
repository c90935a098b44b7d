#pragma once
// The tray's menu: the way back to the library window, the running download with its cancel, the
// pending game updates, friends and chat with the unread count, a catalog check, and quitting.
// Its entries follow the library model and the unread count whenever they change.
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

class LauncherMenuBarView : public QObject {
    Q_OBJECT
public:
    explicit LauncherMenuBarView(LibraryModel& model, QObject* parent = nullptr);
    ~LauncherMenuBarView() override;

    QMenu* menu() const { return menu_.get(); }

    // The social model's unread count.
    void setUnreadCount(int count);

private:
    void update();

    LibraryModel& model_;
    std::unique_ptr<QMenu> menu_;
    int unread_ = 0;
    QAction* downloadDivider_;
    QAction* download_;
    QAction* cancel_;
    QAction* updates_;
    QAction* friends_;
    QAction* refresh_;
};

} // namespace novra
