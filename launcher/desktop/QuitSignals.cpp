#include "launcher/desktop/QuitSignals.h"

#include <QSocketNotifier>

#include "platform/TerminationSignals.h"

namespace novra {

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    const int fd = platform::watchTerminationSignals();
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, fd] {
        if (platform::takeTerminationSignals(fd) > 0) emit received();
    });
}

} // namespace novra
