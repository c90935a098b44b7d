import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The primary button of a game: a dark label with its symbol on a rounded background of the
// game's accent colour. Pressed, the background fades to 75 % and the button shrinks to 0.97.
Button {
    id: control

    property color accent: Theme.accent
    property string symbol: ""

    implicitHeight: 40
    leftPadding: 18
    rightPadding: 20
    spacing: 8
    hoverEnabled: true
    opacity: enabled ? 1 : 0.42
    scale: down ? 0.97 : 1
    Behavior on scale { NumberAnimation { duration: Theme.pressDuration; easing.type: Easing.OutQuad } }

    font.family: Theme.sans
    font.pixelSize: 14
    font.weight: Font.Bold

    Accessible.name: text

    // The symbol and the label, centred also in a button wider than they are.
    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

        Row {
            id: label
            anchors.centerIn: parent
            spacing: control.spacing
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                width: control.symbol ? 15 : 0
                height: 15
                visible: control.symbol !== ""
                symbol: control.symbol
                color: Theme.onAccent
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: control.text
                font: control.font
                color: Theme.onAccent
            }
        }
    }

    background: Rectangle {
        radius: Theme.radiusControl
        color: control.hovered && control.enabled && !control.down ? Qt.lighter(control.accent, 1.07) : control.accent
        opacity: control.down ? 0.75 : 1
        border.width: control.visualFocus ? 2 : 0
        border.color: Theme.text
    }
}
