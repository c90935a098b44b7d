import QtQuick
import QtQuick.Controls
import Novra.Launcher

// A game in the sidebar's collection list: its icon and title, and an accent dot when an update
// is waiting. The row of the game shown in the hero is highlighted.
AbstractButton {
    id: row

    property var game: null
    property bool selected: false
    property bool updateAvailable: false
    property bool reduceMotion: false

    readonly property color accent: Presentation.color(game ? game.id : "")

    implicitHeight: 40
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    text: game ? game.title : ""

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: updateAvailable ? "Доступно обновление" : ""
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        radius: 8
        color: row.selected ? Theme.selection : row.hovered ? Qt.rgba(1, 1, 1, 0.035) : "transparent"
        border.width: row.visualFocus ? 2 : 0
        border.color: Theme.accent
        Behavior on color {
            enabled: !row.reduceMotion
            ColorAnimation { duration: Theme.selectDuration; easing.type: Easing.InOutQuad }
        }
    }

    contentItem: Item {
        GameIcon {
            id: icon
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            game: row.game
            size: 26
        }

        Text {
            anchors.left: icon.right
            anchors.leftMargin: 10
            anchors.right: marker.visible ? marker.left : parent.right
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: row.text
            elide: Text.ElideRight
            color: row.selected ? Theme.text : Theme.textSecondary
            font.family: Theme.sans
            font.pixelSize: 13
        }

        Rectangle {
            id: marker
            objectName: "updateMarker"
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            visible: row.updateAvailable
            width: 7
            height: 7
            radius: 3.5
            color: row.accent
        }
    }
}
