// The peer of the launcher's window in bench/window.sh: the smallest Qt Quick application with a
// window of the same size and colour and one line of text, started the way the launcher starts
// (a QApplication, the Basic style, one QQmlApplicationEngine).
#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    QQmlApplicationEngine engine;
    engine.loadData(R"(
        import QtQuick
        import QtQuick.Controls
        ApplicationWindow {
            title: "Peer"
            width: 1280
            height: 820
            color: "#101214"
            visible: true
            Text { anchors.centerIn: parent; text: "Окно"; color: "white"; font.pixelSize: 25 }
        })");
    return engine.rootObjects().isEmpty() ? 1 : application.exec();
}
