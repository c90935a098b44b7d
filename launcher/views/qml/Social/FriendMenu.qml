import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The open conversation's menu of friend actions: remove from friends, block.
QuietMenu {
    id: menu

    signal remove()
    signal block()

    Action {
        text: "Удалить из друзей"
        onTriggered: menu.remove()
    }
    Action {
        text: "Заблокировать"
        onTriggered: menu.block()
    }
}
