#include "SocialTestSupport.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <thread>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVirtualObject>

#include "platform/Process.h"

namespace novra::test {
namespace {

const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kSecretsPath = QStringLiteral("/org/freedesktop/secrets");
const QString kServiceInterface = QStringLiteral("org.freedesktop.Secret.Service");
const char kKeyringPassword[] = "novra-test-keyring";

// Takes every call and never answers: callers wait until their own time-out.
class SilentSecretService : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

struct Store {
    std::optional<SecretStore> kind;
    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<platform::Process> keyring;
    std::unique_ptr<SilentSecretService> silent;
};

Store& store() {
    static Store instance;
    return instance;
}

void startBus(Store& s) {
    s.bus = std::make_unique<PrivateBus>();
    if (!QDBusConnection::sessionBus().isConnected()) throw std::runtime_error("cannot connect to the private bus");
}

void startKeyring(Store& s) {
    std::string home = s.bus->home(), runtime = s.bus->runtime();
    int password[2];
    if (::pipe(password) != 0) throw std::runtime_error("pipe failed");
    if (::write(password[1], kKeyringPassword, sizeof kKeyringPassword - 1) !=
        static_cast<ssize_t>(sizeof kKeyringPassword - 1))
        throw std::runtime_error("cannot write the keyring password");
    ::close(password[1]);
    s.keyring = std::make_unique<platform::Process>(
        "/usr/bin/env",
        std::vector<std::string>{"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime, "XDG_DATA_HOME=" + home + "/.local/share",
                                 "/usr/bin/gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"});
    s.keyring->standardInput = platform::Redirect::descriptor(password[0]);
    s.keyring->standardOutput = platform::Redirect::null();
    s.keyring->standardError = platform::Redirect::null();
    s.keyring->launch();
    ::close(password[0]);
    QDBusConnectionInterface* names = QDBusConnection::sessionBus().interface();
    if (!waitUntil([&] { return names->isServiceRegistered(kSecrets).value(); }, std::chrono::seconds(10)))
        throw std::runtime_error("timed out waiting for org.freedesktop.secrets");
}

// Owns `name` on the private bus with an object tree that takes every call and never answers. It
// uses a connection of its own, so that this process's calls to it travel over the bus.
void startSilentService(Store& s, const QString& name) {
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("silent ") + name);
    s.silent = std::make_unique<SilentSecretService>();
    if (!bus.registerVirtualObject(QStringLiteral("/"), s.silent.get(), QDBusConnection::SubPath) ||
        !bus.registerService(name))
        throw std::runtime_error("cannot register " + name.toStdString());
}

QList<QDBusObjectPath> collections() {
    QDBusInterface properties(kSecrets, kSecretsPath, QStringLiteral("org.freedesktop.DBus.Properties"));
    QDBusReply<QDBusVariant> reply = properties.call(QStringLiteral("Get"), kServiceInterface, QStringLiteral("Collections"));
    if (!reply.isValid()) throw std::runtime_error("cannot list the keyring's collections");
    return qdbus_cast<QList<QDBusObjectPath>>(reply.value().variant());
}

} // namespace

RawHttpServer::RawHttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the raw HTTP server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

std::string RawHttpServer::origin() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void RawHttpServer::answer(Answer answer) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
}

std::vector<std::string> RawHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string RawHttpServer::field(const std::string& head, const std::string& name) {
    std::string start = "\r\n" + name + ": ";
    size_t at = head.find(start);
    if (at == std::string::npos) return "";
    at += start.size();
    return head.substr(at, head.find("\r\n", at) - at);
}

void RawHttpServer::serve() {
    while (!stopping_) {
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 50) != 1) continue;
        int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        // A client that stops reading must not hold the server past its end.
        timeval wait{0, 100000};
        ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        handle(connection);
        ::close(connection);
    }
}

void RawHttpServer::handle(int connection) {
    // The request's head, then as many body bytes as it announces.
    std::string received;
    char buffer[65536];
    auto receive = [&] {
        pollfd ready{connection, POLLIN, 0};
        while (!stopping_) {
            if (::poll(&ready, 1, 50) != 1) continue;
            ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n > 0) received.append(buffer, static_cast<size_t>(n));
            return n > 0;
        }
        return false;
    };
    size_t end;
    while ((end = received.find("\r\n\r\n")) == std::string::npos)
        if (!receive()) return;
    std::string head = received.substr(0, end + 2);
    std::string length = field(head, "Content-Length");
    size_t total = end + 4 + (length.empty() ? 0 : std::stoul(length));
    while (received.size() < total)
        if (!receive()) return;

    Answer answer;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        answer = answer_;
    }
    auto send = [&](const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size() && !stopping_) {
            ssize_t n = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
            } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return false;
            }
        }
        return sent == bytes.size();
    };
    if (!send(answer.head + "Connection: close\r\n\r\n" + answer.body)) return;
    if (answer.endlessChunks <= 0) return;
    const std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
    for (int64_t left = answer.endlessChunks; left > 0; left -= 0x10000)
        if (!send(chunk)) return;
    // Nothing more: wait until the client gives up.
    while (receive()) {
    }
}

bool useSecretStore(SecretStore kind) {
    Store& s = store();
    if (s.kind) return *s.kind == kind;
    s.kind = kind;
    if (kind == SecretStore::NoSession) return true;
    startBus(s);
    if (kind == SecretStore::Keyring || kind == SecretStore::LockedKeyring) startKeyring(s);
    if (kind == SecretStore::Silent) startSilentService(s, kSecrets);
    // The keyring asks its password through this prompter, which here waits forever, as a dialog on
    // a desktop waits for the user.
    if (kind == SecretStore::LockedKeyring) startSilentService(s, QStringLiteral("org.gnome.keyring.SystemPrompter"));
    return true;
}

void lockKeyring() {
    QDBusMessage lock = QDBusMessage::createMethodCall(kSecrets, kSecretsPath, kServiceInterface, QStringLiteral("Lock"));
    lock << QVariant::fromValue(collections());
    QDBusMessage reply = QDBusConnection::sessionBus().call(lock);
    if (reply.type() != QDBusMessage::ReplyMessage) throw std::runtime_error("cannot lock the keyring");
}

void unlockKeyring() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage open = QDBusMessage::createMethodCall(kSecrets, kSecretsPath, kServiceInterface,
                                                       QStringLiteral("OpenSession"));
    open << QStringLiteral("plain") << QVariant::fromValue(QDBusVariant(QString()));
    QDBusMessage opened = bus.call(open);
    QDBusMessage alias = QDBusMessage::createMethodCall(kSecrets, kSecretsPath, kServiceInterface,
                                                        QStringLiteral("ReadAlias"));
    alias << QStringLiteral("default");
    QDBusMessage collection = bus.call(alias);
    if (opened.arguments().size() != 2 || collection.arguments().size() != 1)
        throw std::runtime_error("cannot open a session with the keyring");
    // The password travels as a Secret Service secret: (session, parameters, value, content type).
    QDBusArgument secret;
    secret.beginStructure();
    secret << qdbus_cast<QDBusObjectPath>(opened.arguments()[1]) << QByteArray()
           << QByteArray(kKeyringPassword) << QStringLiteral("text/plain");
    secret.endStructure();
    QDBusMessage unlock = QDBusMessage::createMethodCall(
        kSecrets, kSecretsPath, QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
        QStringLiteral("UnlockWithMasterPassword"));
    unlock << collection.arguments()[0] << QVariant::fromValue(secret);
    QDBusMessage reply = bus.call(unlock);
    if (reply.type() != QDBusMessage::ReplyMessage)
        throw std::runtime_error("cannot unlock the keyring: " + reply.errorMessage().toStdString());
}

int keyringItems(const std::string& service, const std::string& account) {
    static const QMetaType registered = qDBusRegisterMetaType<QMap<QString, QString>>();
    Q_UNUSED(registered);
    QMap<QString, QString> attributes;
    attributes.insert(QStringLiteral("xdg:schema"), QStringLiteral("org.qt.keychain"));
    attributes.insert(QStringLiteral("server"), QString::fromStdString(service));
    attributes.insert(QStringLiteral("user"), QString::fromStdString(account));
    QDBusMessage search =
        QDBusMessage::createMethodCall(kSecrets, kSecretsPath, kServiceInterface, QStringLiteral("SearchItems"));
    search << QVariant::fromValue(attributes);
    QDBusMessage reply = QDBusConnection::sessionBus().call(search);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        throw std::runtime_error("cannot search the keyring");
    return static_cast<int>(qdbus_cast<QList<QDBusObjectPath>>(reply.arguments()[0]).size() +
                            qdbus_cast<QList<QDBusObjectPath>>(reply.arguments()[1]).size());
}

void stopSecretStore() {
    Store& s = store();
    if (s.keyring) {
        s.keyring->terminate();
        s.keyring->waitFor(5);
    }
    s.keyring.reset();
    s.bus.reset();
}

} // namespace novra::test
