import QtQuick
import QtQuick.Controls
import Novra.Launcher

// An on/off switch with its text on the left and the toggle on the right, accent while on.
Switch {
    id: control

    property bool reduceMotion: false

    implicitHeight: 32
    spacing: 12
    leftPadding: 0
    rightPadding: 0

    font.family: Theme.sans
    font.pixelSize: 13

    Accessible.name: text

    indicator: Rectangle {
        x: control.width - width - control.rightPadding
        anchors.verticalCenter: parent.verticalCenter
        width: 38
        height: 22
        radius: 11
        color: control.checked ? Theme.accent : Qt.rgba(1, 1, 1, 0.16)
        border.width: control.visualFocus ? 2 : 0
        border.color: Theme.text
        Behavior on color {
            enabled: !control.reduceMotion
            ColorAnimation { duration: Theme.hoverDuration }
        }

        Rectangle {
            x: control.checked ? parent.width - width - 3 : 3
            anchors.verticalCenter: parent.verticalCenter
            width: 16
            height: 16
            radius: 8
            color: control.checked ? Theme.onAccent : Theme.text
            Behavior on x {
                enabled: !control.reduceMotion
                NumberAnimation { duration: Theme.hoverDuration; easing.type: Easing.OutCubic }
            }
        }
    }

    contentItem: Text {
        rightPadding: control.indicator.width + control.spacing
        verticalAlignment: Text.AlignVCenter
        text: control.text
        elide: Text.ElideRight
        color: Theme.text
        font: control.font
    }
}
