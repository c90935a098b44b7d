import QtQuick
import Novra.Launcher

// One message of the conversation: its text and time of day in a bubble, the player's own on the
// right in the accent's tint, the friend's on the left.
Item {
    id: message

    property string body: ""
    // Unix seconds.
    property real created: 0
    property bool own: false

    readonly property real maximumWidth: Math.min(520, width * 0.72)

    implicitHeight: bubble.height + 6
    Accessible.role: Accessible.StaticText
    Accessible.name: body

    // The text's width on one line per paragraph, to size the bubble to short messages.
    Text {
        id: natural
        visible: false
        text: message.body
        textFormat: Text.PlainText
        font: text.font
    }

    Rectangle {
        id: bubble
        objectName: "bubble"
        anchors.right: message.own ? parent.right : undefined
        anchors.left: message.own ? undefined : parent.left
        width: Math.max(text.width, time.implicitWidth) + 28
        height: text.height + time.implicitHeight + 20
        radius: 14
        color: message.own ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.16) : Theme.control
        border.width: message.own ? 1 : 0
        border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.22)

        Text {
            id: text
            objectName: "bubbleText"
            x: 14
            y: 9
            width: Math.min(natural.implicitWidth, message.maximumWidth - 28)
            text: message.body
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: Theme.text
            font.family: Theme.sans
            font.pixelSize: 13
            lineHeight: 1.1
        }

        Text {
            id: time
            objectName: "bubbleTime"
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.top: text.bottom
            anchors.topMargin: 2
            text: Qt.formatTime(new Date(message.created * 1000), "HH:mm")
            color: message.own ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.7) : Theme.grey
            font.family: Theme.sans
            font.pixelSize: 10
        }
    }
}
