#pragma once
// What the application's lifecycle needs of the social layer. The social model implements it; the
// lifecycle and the application delegate call only this, so they can be built and tested without
// a social service.
#include <optional>

#include <QCoroTask>
#include <QString>

namespace novra {

class SocialLink {
public:
    virtual ~SocialLink() = default;

    // The game the player is shown as playing, or none.
    virtual std::optional<QString> currentGame() const = 0;
    // Reports a new game (or none) as the player's presence.
    virtual void setGame(std::optional<QString> game) = 0;
    // Opens the conversation with a friend.
    virtual void select(const QString& friendId) = 0;
    // Whether a player is signed in (the model holds an account).
    virtual bool signedIn() const = 0;
    // Withdraws the player's presence; completes whatever the service answers.
    virtual QCoro::Task<void> offline() = 0;
};

} // namespace novra
