import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The open conversation's menu of friend actions: remove from friends, block.
Menu {
    id: menu

    signal remove()
    signal block()

    padding: 5
    implicitWidth: 210

    background: Rectangle {
        radius: Theme.radiusControl
        color: Theme.raised
        border.width: 1
        border.color: Theme.outline
    }

    delegate: MenuItem {
        id: item
        implicitHeight: 32
        leftPadding: 12
        rightPadding: 12
        font.family: Theme.sans
        font.pixelSize: 13
        Accessible.name: text

        contentItem: Text {
            text: item.text
            font: item.font
            color: Theme.text
            verticalAlignment: Text.AlignVCenter
        }

        background: Rectangle {
            radius: Theme.radiusSmall
            color: item.highlighted ? Theme.controlHover : "transparent"
        }
    }

    Action {
        text: "Удалить из друзей"
        onTriggered: menu.remove()
    }
    Action {
        text: "Заблокировать"
        onTriggered: menu.block()
    }
}
