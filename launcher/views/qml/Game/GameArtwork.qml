import QtQuick
import Novra.Launcher

// The artwork of a game, filling its frame: the game's cover, else its screenshot of the same
// name, else the game's icon on a dark area. It can be drawn enlarged and shifted inside the frame.
Item {
    id: artwork

    property var game: null
    property real radius: 0
    property real zoom: 1
    property real shiftX: 0
    property real shiftY: 0

    readonly property string gameId: game ? game.id : ""
    // The resource folder the artwork comes from, "" when the icon stands in.
    readonly property string folder: gameId === "" ? ""
        : LauncherResource.has(gameId, "covers") ? "covers"
        : LauncherResource.has(gameId, "screenshots") ? "screenshots" : ""

    ResourceImage {
        anchors.fill: parent
        visible: artwork.folder !== ""
        name: artwork.folder !== "" ? artwork.gameId : ""
        folder: artwork.folder
        radius: artwork.radius
        zoom: artwork.zoom
        shiftX: artwork.shiftX
        shiftY: artwork.shiftY
    }

    Rectangle {
        anchors.fill: parent
        visible: artwork.folder === ""
        radius: artwork.radius
        antialiasing: true
        color: Theme.artworkEmpty

        GameIcon {
            anchors.centerIn: parent
            anchors.horizontalCenterOffset: artwork.shiftX
            anchors.verticalCenterOffset: artwork.shiftY
            game: artwork.game
            size: 80
            scale: artwork.zoom
        }
    }
}
