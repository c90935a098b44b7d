#pragma once
// SIGTERM, SIGINT and SIGHUP (a terminal closed, the desktop session ending, `kill`) as a Qt
// signal on the main thread, so that they end the launcher through its termination sequence.
#include <QObject>

class QSocketNotifier;

namespace novra {

class QuitSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; throws std::system_error when that fails.
    explicit QuitSignals(QObject* parent = nullptr);

signals:
    void received();

private:
    QSocketNotifier* notifier_;
};

} // namespace novra
