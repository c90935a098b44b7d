import QtQuick
import QtQuick.Layouts
import Novra.Launcher

// One account in the friends column: its badge, its name with a line under it, and the row's
// buttons at the end. Screen readers hear it as a group named after the account.
Item {
    id: row

    property string name: ""
    property string detail: ""
    property color detailColor: Theme.grey
    property bool showDot: false
    property bool lit: false
    default property alias actions: buttons.data

    implicitWidth: 280
    implicitHeight: 50

    Accessible.role: Accessible.Grouping
    Accessible.name: name
    Accessible.description: detail

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        spacing: 11

        Avatar {
            Layout.alignment: Qt.AlignVCenter
            name: row.name
            showDot: row.showDot
            lit: row.lit
        }

        Column {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            spacing: 1

            Text {
                objectName: "rowName"
                width: parent.width
                text: row.name
                elide: Text.ElideRight
                color: Theme.text
                font.family: Theme.sans
                font.pixelSize: 13
                font.weight: Font.DemiBold
            }

            Text {
                objectName: "rowDetail"
                width: parent.width
                visible: row.detail !== ""
                text: row.detail
                elide: Text.ElideRight
                color: row.detailColor
                font.family: Theme.sans
                font.pixelSize: 11
            }
        }

        Row {
            id: buttons
            Layout.alignment: Qt.AlignVCenter
            spacing: 6
        }
    }
}
