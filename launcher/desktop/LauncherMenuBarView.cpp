#include "launcher/desktop/LauncherMenuBarView.h"

#include <QMenu>

#include "launcher/desktop/Windows.h"
#include "launcher/library/AppDelegate.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/social/model/SocialModel.h"
#include "launcher/views/FileSize.h"

namespace novra {

LauncherMenuBarView::LauncherMenuBarView(LibraryModel& model, SocialModel& social, QObject* parent)
    : QObject(parent), model_(model), social_(social), menu_(std::make_unique<QMenu>()) {
    menu_->addAction(QStringLiteral("Открыть NOVRA"), [] { bringLibraryWindowToFront(); });
    downloadDivider_ = menu_->addSeparator();
    download_ = menu_->addAction(QString());
    download_->setEnabled(false);
    cancel_ = menu_->addAction(QStringLiteral("Отменить загрузку"), &model_, [this] { model_.cancel(); });
    updates_ = menu_->addAction(QString(), [] { bringLibraryWindowToFront(); });
    menu_->addSeparator();
    // The window comes back first, so that the friends section is what it shows.
    friends_ = menu_->addAction(QString(), [] {
        bringLibraryWindowToFront();
        emit LauncherLifecycle::shared().openFriends();
    });
    refresh_ = menu_->addAction(QStringLiteral("Проверить обновления"), &model_, [this] { model_.refresh(); });
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Завершить NOVRA"), [] { AppDelegate::shared().terminate(); });

    for (auto changed : {&LibraryModel::busyChanged, &LibraryModel::gamesChanged, &LibraryModel::phaseChanged,
                         &LibraryModel::progressChanged, &LibraryModel::checkingChanged, &LibraryModel::libraryChanged})
        connect(&model_, changed, this, &LauncherMenuBarView::update);
    connect(&social_, &SocialModel::unreadCountChanged, this, &LauncherMenuBarView::update);
    update();
}

LauncherMenuBarView::~LauncherMenuBarView() = default;

void LauncherMenuBarView::update() {
    // Only a catalog game has a download row; the launcher's own update matches none.
    const Game* game = model_.busy().isEmpty() ? nullptr : model_.game(model_.busy().toStdString());
    downloadDivider_->setVisible(game);
    download_->setVisible(game);
    cancel_->setVisible(game);
    if (game) {
        QString text = QString::fromStdString(game->title) + QStringLiteral(": ") + model_.phase() +
                       QStringLiteral(" · ") + percentText(model_.progress());
        // A menu takes "&" for a shortcut mark; "&&" shows it.
        download_->setText(text.replace(u'&', QStringLiteral("&&")));
    }

    const int updates = model_.updateCount();
    updates_->setVisible(updates >= 1);
    updates_->setText(QStringLiteral("Обновления: ") + QString::number(updates));

    const int unread = social_.unreadCount();
    friends_->setText(unread > 0 ? QStringLiteral("Друзья и чат · ") + QString::number(unread)
                                 : QStringLiteral("Друзья и чат"));
    refresh_->setEnabled(!model_.checking() && model_.busy().isEmpty());
}

} // namespace novra
