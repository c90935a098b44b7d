import QtQuick
import QtQuick.Controls
import Novra.Launcher

// A square quiet button that shows only a symbol. Its help text is its tooltip and its
// accessible name.
QuietButton {
    id: control

    property string help: ""

    implicitWidth: implicitHeight
    leftPadding: (implicitHeight - 14) / 2
    rightPadding: leftPadding

    Accessible.name: help
    Accessible.description: help

    HelpTip {
        visible: control.hovered && control.help !== ""
        text: control.help
    }
}
