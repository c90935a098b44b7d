import QtQuick
import QtQuick.Controls
import Novra.Launcher

// A filter tab of the library: bold white with a 2-point accent underline while active, medium
// grey otherwise.
AbstractButton {
    id: tab

    property bool active: false

    implicitWidth: label.implicitWidth
    implicitHeight: 56
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    checkable: false

    Accessible.role: Accessible.PageTab
    Accessible.name: text
    Accessible.selected: active
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: Item {
        Text {
            id: label
            anchors.verticalCenter: parent.verticalCenter
            text: tab.text
            color: tab.active ? Theme.text : tab.hovered ? Theme.textSecondary : Theme.grey
            font.family: Theme.sans
            font.pixelSize: 13
            font.weight: tab.active ? Font.Bold : Font.Medium
        }
    }

    background: Item {
        Rectangle {
            objectName: "underline"
            anchors.bottom: parent.bottom
            width: parent.width
            height: 2
            radius: 1
            color: Theme.accent
            visible: tab.active
        }

        Rectangle {
            anchors.fill: parent
            anchors.margins: -4
            radius: 5
            color: "transparent"
            border.width: tab.visualFocus ? 2 : 0
            border.color: Theme.accent
        }
    }
}
