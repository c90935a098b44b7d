import QtQuick
import QtQuick.Controls
import Novra.Launcher

// An entry of the launcher's menus: its text on the menu's dark surface, lit while hovered. An
// entry that does not apply is not shown and takes no room.
MenuItem {
    id: item

    property bool shown: true
    property color tint: Theme.text

    visible: shown
    height: shown ? implicitHeight : 0
    implicitHeight: 32
    leftPadding: 12
    rightPadding: 12
    font.family: Theme.sans
    font.pixelSize: 13
    opacity: enabled ? 1 : 0.45

    Accessible.name: text

    contentItem: Text {
        text: item.text
        font: item.font
        color: item.tint
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: Theme.radiusSmall
        color: item.highlighted && item.enabled ? Theme.controlHover : "transparent"
    }
}
