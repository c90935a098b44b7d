import QtQuick
import QtQuick.Window

// The game's window: its title over the cover (or a gradient of its colours), and the toy below.
Window {
    id: window

    required property var game

    width: 960
    height: 640
    minimumWidth: 640
    minimumHeight: 480
    visible: true
    title: game.title
    color: game.dark

    Item {
        id: header
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: 190

        Rectangle {
            anchors.fill: parent
            visible: cover.status !== Image.Ready
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: window.game.light }
                GradientStop { position: 1; color: window.game.dark }
            }
        }
        Image {
            id: cover
            anchors.fill: parent
            source: window.game.cover
            fillMode: Image.PreserveAspectCrop
            visible: status === Image.Ready
        }
        Rectangle {
            anchors.fill: parent
            gradient: Gradient {
                GradientStop { position: 0.3; color: "transparent" }
                GradientStop { position: 1; color: Qt.rgba(0, 0, 0, 0.6) }
            }
        }
        Column {
            anchors { left: parent.left; bottom: parent.bottom; margins: 24 }
            spacing: 4
            Text {
                text: window.game.title
                color: "white"
                font.pixelSize: 40
                font.bold: true
            }
            Text {
                text: (window.game.demoscene ? "Демосцена" : "Игра студии NOVRA")
                      + (window.game.version ? " · версия " + window.game.version : "")
                color: Qt.rgba(1, 1, 1, 0.85)
                font.pixelSize: 16
            }
        }
    }

    SparkCatcher {
        anchors { left: parent.left; right: parent.right; top: header.bottom; bottom: parent.bottom }
        light: window.game.light
        dark: window.game.dark
        focus: true
    }
}
