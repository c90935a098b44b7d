#pragma once
// Work that can wait until the window has put a frame on the screen: arm() emits framePresented()
// once the window's next frame is swapped (on the window's own thread, after the render thread is
// done with it), or after a second if no frame comes (a window that is never exposed).
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

namespace novra {

class AfterFrame : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickWindow* window READ window WRITE setWindow NOTIFY windowChanged)

public:
    explicit AfterFrame(QObject* parent = nullptr);

    QQuickWindow* window() const { return window_; }
    void setWindow(QQuickWindow* window);

    // Waits for the next frame; arming again while waiting changes nothing.
    Q_INVOKABLE void arm();
    // Stops waiting without emitting.
    Q_INVOKABLE void disarm();

signals:
    void windowChanged();
    void framePresented();

private:
    void fire();

    QPointer<QQuickWindow> window_;
    QMetaObject::Connection swapped_;
    QTimer fallback_;
};

} // namespace novra
