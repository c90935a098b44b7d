#include "launcher/views/AfterFrame.h"

namespace novra {

namespace {

constexpr int kFallbackMilliseconds = 1000;

} // namespace

AfterFrame::AfterFrame(QObject* parent) : QObject(parent) {
    fallback_.setSingleShot(true);
    fallback_.setInterval(kFallbackMilliseconds);
    connect(&fallback_, &QTimer::timeout, this, &AfterFrame::fire);
}

void AfterFrame::setWindow(QQuickWindow* window) {
    if (window == window_)
        return;
    disarm();
    window_ = window;
    emit windowChanged();
}

void AfterFrame::arm() {
    if (fallback_.isActive())
        return;
    fallback_.start();
    // frameSwapped comes from the render thread; the queued call lands on this object's thread.
    if (window_)
        swapped_ = connect(window_, &QQuickWindow::frameSwapped, this, &AfterFrame::fire, Qt::QueuedConnection);
}

void AfterFrame::disarm() {
    fallback_.stop();
    disconnect(swapped_);
}

void AfterFrame::fire() {
    if (!fallback_.isActive())
        return;
    disarm();
    emit framePresented();
}

} // namespace novra
