import QtQuick
import Novra.Launcher

// A group of the settings form: an optional caption in capitals above a rounded box of rows, and
// an optional note below it.
Column {
    id: group

    property string caption: ""
    property string note: ""
    default property alias rows: box.data

    spacing: 8

    Text {
        visible: group.caption !== ""
        leftPadding: 4
        text: group.caption
        color: Theme.grey
        font.family: Theme.sans
        font.pixelSize: 11
        font.weight: Font.DemiBold
        font.letterSpacing: 0.8
    }

    Rectangle {
        width: group.width
        height: box.implicitHeight
        radius: 10
        color: Qt.rgba(1, 1, 1, 0.045)
        border.width: 1
        border.color: Theme.separator

        Column {
            id: box
            width: parent.width
        }
    }

    Text {
        visible: group.note !== ""
        width: group.width
        leftPadding: 4
        rightPadding: 4
        text: group.note
        wrapMode: Text.Wrap
        color: Theme.grey
        font.family: Theme.sans
        font.pixelSize: 12
    }
}
