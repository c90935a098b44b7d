#pragma once
// The friends panel's surroundings in its QML tests: the application's social model against the
// local social service, with the session in a private keyring. The first use of `model` sets them
// up (before the model exists, so that it finds them); the service's players act through the other
// operations, as if their own launchers had sent the requests.
// The service's players are the demo cast (support/social/DemoCast.h).
#include <QObject>
#include <QQuickItem>
#include <QString>
#include <QStringList>
#include <memory>

namespace novra::tools {
class SocialService;
}

namespace novra::test {

class TempDir;

class SocialTest : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* model READ model CONSTANT)

public:
    explicit SocialTest(QObject* parent = nullptr);
    ~SocialTest() override;

    // The application's social model (SocialModel::shared()).
    QObject* model();
    // No operation of the model waits for the service.
    Q_INVOKABLE bool idle();
    // When the conversation with Аня began (Unix seconds): half an hour before the first use.
    Q_INVOKABLE qint64 conversationStart() const { return conversationStart_; }

    // A message from one player to another.
    Q_INVOKABLE void addMessage(const QString& from, const QString& to, const QString& body);
    // Every later request `method` `path` (after "/player/api/") is answered with `status` and the
    // service error `text`, after `delayMs`; with status 0 it is only delayed. heal() ends that.
    Q_INVOKABLE void fail(const QString& method, const QString& path, int status, const QString& text = {},
                          int delayMs = 0);
    Q_INVOKABLE void heal();
    // The bodies of the requests `method` `path` the model sent so far.
    Q_INVOKABLE QStringList sent(const QString& method, const QString& path) const;
    // Waits until no item of `item`'s window waits to be laid out (polished); false after 5 seconds.
    Q_INVOKABLE bool laidOut(QQuickItem* item) const;
    // Every visible control at or below `root` (buttons, text fields) whose accessible interface
    // has no name: its object name, or its class when it has none.
    Q_INVOKABLE QStringList unnamedControls(QObject* root) const;

private:
    void setUp();

    std::unique_ptr<TempDir> runtime_;
    std::unique_ptr<TempDir> settings_;
    std::unique_ptr<tools::SocialService> service_;
    qint64 conversationStart_ = 0;
};

} // namespace novra::test
