import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The bar under the content while the library is busy: what is being installed (the game's
// title, or "Загрузка" for the launcher's own update), the phase, the progress with its whole
// percent, and "Отменить".
Rectangle {
    id: bar

    // The library model: busy, games, phase, progress, cancel().
    property var model: null

    readonly property bool shown: !!model && !!model.busy
    readonly property var game: shown ? model.games.find(entry => entry.id === model.busy) : undefined

    implicitHeight: 64
    color: Theme.raised

    Accessible.role: Accessible.StatusBar
    Accessible.name: title.text

    Rectangle {
        width: parent.width
        height: 1
        color: Theme.separator
    }

    SymbolIcon {
        id: icon
        x: Theme.contentPadding
        anchors.verticalCenter: parent.verticalCenter
        width: 24
        height: 24
        symbol: "arrow.down.circle.fill"
        color: Theme.accent
    }

    Column {
        anchors.left: icon.right
        anchors.leftMargin: 14
        anchors.right: progress.left
        anchors.rightMargin: 20
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        Text {
            id: title
            objectName: "downloadTitle"
            width: parent.width
            elide: Text.ElideRight
            text: bar.game ? bar.game.title : "Загрузка"
            color: Theme.text
            font.family: Theme.sans
            font.pixelSize: 13
            font.weight: Font.DemiBold
        }

        Text {
            objectName: "downloadPhase"
            width: parent.width
            visible: text !== ""
            elide: Text.ElideRight
            text: bar.model ? bar.model.phase : ""
            color: Theme.grey
            font.family: Theme.sans
            font.pixelSize: 11
        }
    }

    Row {
        id: progress
        anchors.right: cancel.left
        anchors.rightMargin: 18
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12

        ProgressBar {
            objectName: "downloadProgress"
            anchors.verticalCenter: parent.verticalCenter
            width: 140
            from: 0
            to: 1
            value: bar.model ? bar.model.progress : 0

            Accessible.name: title.text

            background: Rectangle {
                implicitHeight: 5
                radius: 2.5
                color: Theme.control
            }
            contentItem: Item {
                implicitHeight: 5
                Rectangle {
                    width: parent.width * Math.min(1, Math.max(0, bar.model ? bar.model.progress : 0))
                    height: parent.height
                    radius: 2.5
                    color: Theme.accent
                }
            }
        }

        Text {
            objectName: "downloadPercent"
            anchors.verticalCenter: parent.verticalCenter
            width: 36
            horizontalAlignment: Text.AlignRight
            text: Presentation.percent(bar.model ? bar.model.progress : 0)
            color: Theme.textSecondary
            font.family: Theme.sans
            font.pixelSize: 12
        }
    }

    QuietButton {
        id: cancel
        objectName: "downloadCancel"
        anchors.right: parent.right
        anchors.rightMargin: Theme.contentPadding
        anchors.verticalCenter: parent.verticalCenter
        text: "Отменить"
        onClicked: bar.model.cancel()
    }
}
