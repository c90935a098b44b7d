import QtQuick
import QtQuick.Controls
import Novra.Launcher

// A friend in the friends column: presence dot, name, presence line and the count of unread
// messages. A click opens the conversation; the open one is highlighted.
AbstractButton {
    id: row

    // {id, username, unread, online, currentGame}
    property var friend: ({})
    property string presence: ""
    property bool connected: false
    property bool selected: false

    readonly property bool playing: connected && friend.online && !!friend.currentGame

    implicitWidth: 280
    implicitHeight: 54
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus

    Accessible.role: Accessible.Button
    Accessible.name: friend.username
    Accessible.description: presence
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        radius: Theme.radiusControl
        color: row.selected ? Theme.selection : row.hovered ? Qt.rgba(1, 1, 1, 0.04) : "transparent"
        border.width: row.visualFocus ? 2 : 0
        border.color: Theme.accent
    }

    contentItem: PersonRow {
        name: row.friend.username
        detail: row.presence
        detailColor: row.playing ? Theme.textSummary : Theme.grey
        showDot: true
        lit: row.connected && row.friend.online
        Accessible.ignored: true

        Rectangle {
            objectName: "unreadBadge"
            visible: row.friend.unread >= 1
            width: Math.max(20, count.implicitWidth + 12)
            height: 20
            radius: 10
            color: Theme.accent

            Text {
                id: count
                objectName: "unreadCount"
                anchors.centerIn: parent
                text: row.friend.unread
                color: Theme.onAccent
                font.family: Theme.sans
                font.pixelSize: 11
                font.weight: Font.Bold
            }
        }
    }
}
