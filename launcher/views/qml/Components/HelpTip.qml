import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The launcher's tooltip: a short help text on a dark rounded surface, shown after a moment of
// hovering.
ToolTip {
    id: tip

    delay: 450
    padding: 8
    leftPadding: 11
    rightPadding: 11

    font.family: Theme.sans
    font.pixelSize: 12

    contentItem: Text {
        text: tip.text
        font: tip.font
        color: Theme.text
    }

    background: Rectangle {
        radius: 7
        color: Theme.raised
        border.width: 1
        border.color: Theme.outline
    }
}
