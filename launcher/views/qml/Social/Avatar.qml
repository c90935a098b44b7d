import QtQuick
import Novra.Launcher

// A player's round badge: the first letter of the name, and optionally the presence dot on its
// edge (lit while the friend is online and the status is known).
Rectangle {
    id: avatar

    property string name: ""
    property bool showDot: false
    property bool lit: false

    implicitWidth: 34
    implicitHeight: 34
    radius: width / 2
    color: Theme.control

    Text {
        anchors.centerIn: parent
        text: avatar.name.length > 0 ? avatar.name.charAt(0).toUpperCase() : ""
        color: Theme.textSummary
        font.family: Theme.sans
        font.pixelSize: Math.round(avatar.width * 0.42)
        font.weight: Font.DemiBold
    }

    Rectangle {
        objectName: "statusDot"
        visible: avatar.showDot
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.rightMargin: -1
        anchors.bottomMargin: -1
        width: 12
        height: 12
        radius: 6
        color: avatar.lit ? Theme.accent : Theme.grey
        border.width: 2
        border.color: Theme.surface
    }
}
