import QtQuick
import QtQuick.Controls
import Novra.Launcher

// A one-line text field of a form on a faint rounded surface. Its accessible name is its label
// (`label`), else its placeholder.
TextField {
    id: field

    property string label: ""

    implicitHeight: 32
    leftPadding: 10
    rightPadding: 10
    color: Theme.text
    placeholderTextColor: Theme.grey
    selectionColor: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
    selectedTextColor: Theme.text
    font.family: Theme.sans
    font.pixelSize: 13
    verticalAlignment: TextInput.AlignVCenter
    selectByMouse: true

    Accessible.name: label !== "" ? label : placeholderText

    // Away from the keyboard the field shows the start of a long text, not its end.
    onTextChanged: if (!activeFocus) cursorPosition = 0
    onActiveFocusChanged: if (!activeFocus) cursorPosition = 0

    background: Rectangle {
        radius: 7
        color: field.activeFocus ? Qt.rgba(1, 1, 1, 0.09) : Theme.field
        border.width: 1
        border.color: field.activeFocus ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.6) : Theme.separator
    }
}
