import QtQuick
import Novra.Launcher

// The square icon of a game: its image from the "icons" resources, or else a rounded square in
// the game's accent fading to dark, with the game's symbol. Either way a rounded square with a
// faint outline.
Item {
    id: icon

    property var game: null
    property real size: 40

    readonly property string gameId: game ? game.id : ""
    readonly property bool hasImage: gameId !== "" && LauncherResource.has(gameId, "icons")
    readonly property color accent: Presentation.color(gameId)

    implicitWidth: size
    implicitHeight: size

    ResourceImage {
        anchors.fill: parent
        visible: icon.hasImage
        name: icon.hasImage ? icon.gameId : ""
        folder: "icons"
        radius: 0.24 * icon.size
    }

    Rectangle {
        objectName: "symbolIcon"
        anchors.fill: parent
        visible: !icon.hasImage
        radius: 0.25 * icon.size
        antialiasing: true
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(icon.accent.r, icon.accent.g, icon.accent.b, 0.95) }
            GradientStop { position: 1; color: Theme.iconShade }
        }

        SymbolIcon {
            anchors.centerIn: parent
            width: 0.43 * icon.size
            height: width
            symbol: icon.game ? icon.game.symbol : ""
            color: Theme.text
        }
    }

    Rectangle {
        anchors.fill: parent
        radius: 0.24 * icon.size
        color: "transparent"
        antialiasing: true
        border.width: 0.7
        border.color: Theme.outline
    }
}
