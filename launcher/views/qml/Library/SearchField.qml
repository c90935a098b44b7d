import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The library's search field: a magnifier and the text on a faint rounded surface; the
// placeholder is also the field's accessible name.
TextField {
    id: field

    implicitHeight: 34
    leftPadding: 34
    rightPadding: 10
    color: Theme.text
    placeholderTextColor: Theme.grey
    selectionColor: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
    selectedTextColor: Theme.text
    font.family: Theme.sans
    font.pixelSize: 13
    verticalAlignment: TextInput.AlignVCenter

    Accessible.name: placeholderText

    background: Rectangle {
        radius: Theme.radiusControl
        color: field.activeFocus ? Qt.rgba(1, 1, 1, 0.09) : Theme.field
        border.width: field.activeFocus ? 1 : 0
        border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.6)

        SymbolIcon {
            x: 12
            anchors.verticalCenter: parent.verticalCenter
            width: 14
            height: 14
            symbol: "magnifyingglass"
            color: Theme.grey
        }
    }
}
