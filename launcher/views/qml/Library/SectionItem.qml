import QtQuick
import QtQuick.Controls
import Novra.Launcher

// An item of the sidebar: a symbol and a title, highlighted with an accent marker while active,
// and a count badge when there is something unread.
AbstractButton {
    id: item

    property string symbol: ""
    property bool active: false
    property int badge: 0
    property bool reduceMotion: false

    implicitHeight: 36
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus

    Accessible.role: Accessible.Button
    Accessible.name: text
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        radius: Theme.radiusControl
        color: item.active ? Theme.selection : item.hovered ? Qt.rgba(1, 1, 1, 0.035) : "transparent"
        border.width: item.visualFocus ? 2 : 0
        border.color: Theme.accent
        Behavior on color {
            enabled: !item.reduceMotion
            ColorAnimation { duration: Theme.selectDuration; easing.type: Easing.InOutQuad }
        }

        Rectangle {
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            width: 3
            height: 16
            radius: 1.5
            color: Theme.accent
            visible: item.active
        }
    }

    contentItem: Item {
        SymbolIcon {
            id: icon
            x: 12
            anchors.verticalCenter: parent.verticalCenter
            width: 16
            height: 16
            symbol: item.symbol
            color: item.active ? Theme.accent : Theme.grey
        }

        Text {
            anchors.left: icon.right
            anchors.leftMargin: 11
            anchors.right: badge.visible ? badge.left : parent.right
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: item.text
            elide: Text.ElideRight
            color: item.active ? Theme.text : Theme.textSecondary
            font.family: Theme.sans
            font.pixelSize: 13
            font.weight: item.active ? Font.DemiBold : Font.Normal
        }

        Rectangle {
            id: badge
            objectName: item.objectName + "-badge"
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            visible: item.badge >= 1
            width: Math.max(height, count.implicitWidth + 12)
            height: 18
            radius: 9
            color: Theme.accent

            Text {
                id: count
                objectName: item.objectName + "-badge-count"
                anchors.centerIn: parent
                text: item.badge
                color: Theme.onAccent
                font.family: Theme.sans
                font.pixelSize: 11
                font.weight: Font.Bold
            }
        }
    }
}
