#pragma once
// One launcher per desktop session: the first instance owns the session-bus name
// "com.novra.Launcher" and serves org.freedesktop.Application's "Activate" there; a later start
// asks it to activate and ends. Without a session bus every start runs alone.
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace novra {

class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    static constexpr const char* kService = "com.novra.Launcher";
    static constexpr const char* kPath = "/com/novra/Launcher";

    enum class Claim {
        Owned,     // this process is the launcher of the session
        Alone,     // no session bus: this process runs on its own
        Activated, // another launcher owns the name and was asked to activate
    };

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the name, or activates its owner. Throws std::runtime_error (a Russian text) when
    // another launcher owns the name but does not answer.
    Claim claim();

public slots:
    // Called over the bus by a later start.
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);

signals:
    void activationRequested();

private:
    bool registered_ = false;
};

} // namespace novra
