import QtQuick
import QtQuick.Controls
import Novra.Launcher

// A secondary button: white text (and an optional symbol) on a faint rounded surface.
Button {
    id: control

    property string symbol: ""
    property color tint: Theme.text

    implicitHeight: 32
    leftPadding: 14
    rightPadding: 14
    spacing: 7
    hoverEnabled: true
    opacity: enabled ? 1 : 0.45

    font.family: Theme.sans
    font.pixelSize: 13

    Accessible.name: text

    // The symbol and the label, centred also in a button wider than they are.
    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

        Row {
            id: label
            anchors.centerIn: parent
            spacing: control.text && control.symbol ? control.spacing : 0
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                width: control.symbol ? 14 : 0
                height: 14
                visible: control.symbol !== ""
                symbol: control.symbol
                color: control.tint
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: control.text
                font: control.font
                color: control.tint
            }
        }
    }

    background: Rectangle {
        radius: Theme.radiusControl
        color: control.down ? Theme.control : control.hovered ? Theme.controlHover : Theme.control
        border.width: control.visualFocus ? 2 : 0
        border.color: Theme.accent
    }
}
