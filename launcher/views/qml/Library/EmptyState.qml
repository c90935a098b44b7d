import QtQuick
import Novra.Launcher

// What the library shows when no game is visible: a symbol, a title and a line of text, centred.
Item {
    id: empty

    // {symbol, title, text}
    property var message: ({ symbol: "", title: "", text: "" })

    Accessible.role: Accessible.StaticText
    Accessible.name: message.title

    Column {
        anchors.centerIn: parent
        anchors.verticalCenterOffset: -30
        spacing: 0

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 72
            height: 72
            radius: 36
            color: Theme.field

            SymbolIcon {
                objectName: "emptySymbol"
                anchors.centerIn: parent
                width: 30
                height: 30
                symbol: empty.message.symbol
                color: Theme.grey
            }
        }

        Text {
            objectName: "emptyTitle"
            anchors.horizontalCenter: parent.horizontalCenter
            topPadding: 20
            text: empty.message.title
            color: Theme.text
            font.family: Theme.sans
            font.pixelSize: 20
            font.weight: Font.Bold
        }

        Text {
            objectName: "emptyText"
            anchors.horizontalCenter: parent.horizontalCenter
            topPadding: 8
            text: empty.message.text
            color: Theme.grey
            font.family: Theme.sans
            font.pixelSize: 13
        }
    }
}
