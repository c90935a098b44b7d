import QtQuick
import Novra.Launcher

// A row of a settings group: its label on the left, its controls on the right (or across the row),
// and a hairline above it unless it is the first row of its group.
Item {
    id: row

    property string label: ""
    property bool first: false
    // The controls take the whole row (a switch with its own text) instead of its right end.
    property bool fill: false
    default property alias controls: trailing.data

    implicitHeight: 48
    width: parent ? parent.width : 0

    Rectangle {
        visible: !row.first
        x: 16
        width: parent.width - 16
        height: 1
        color: Theme.separator
    }

    Text {
        x: 16
        anchors.verticalCenter: parent.verticalCenter
        text: row.label
        color: Theme.text
        font.family: Theme.sans
        font.pixelSize: 13
    }

    Row {
        id: trailing
        anchors.left: row.fill ? parent.left : undefined
        anchors.leftMargin: 16
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 10
    }
}
