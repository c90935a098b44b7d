import QtQuick
import Novra.Launcher

// A small activity indicator: a ring of dots that fades round while it runs.
Item {
    id: spinner

    property color color: Theme.text
    property bool running: visible

    implicitWidth: 16
    implicitHeight: 16

    Item {
        id: ring
        anchors.fill: parent

        Repeater {
            model: 8
            Rectangle {
                required property int index
                readonly property real angle: index / 8 * 2 * Math.PI
                width: spinner.width * 0.2
                height: width
                radius: width / 2
                color: spinner.color
                opacity: 0.25 + 0.75 * (index / 7)
                x: spinner.width / 2 + Math.cos(angle) * (spinner.width / 2 - width / 2) - width / 2
                y: spinner.height / 2 + Math.sin(angle) * (spinner.height / 2 - width / 2) - width / 2
            }
        }

        RotationAnimation on rotation {
            running: spinner.running
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
        }
    }
}
