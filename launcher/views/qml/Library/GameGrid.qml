import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The library's scrolling area: the hero of the selected game, its screenshots, "В библиотеке"
// with the number of visible games, and the grid of their cards, in columns at least 350 points
// wide with 18 points between columns and 22 between rows. The view reaches one column gap past
// the content's right edge, so that every cell can carry its gap on the right.
GridView {
    id: grid

    // The library model, handed to the hero and the cards.
    property var library: null
    property var games: []
    property var selectedGame: null
    property bool reduceMotion: false

    signal gameChosen(string id)

    readonly property real area: width - Theme.gridColumnSpacing
    readonly property int columns: Math.max(1, Math.floor(width / (Theme.cardMinimumWidth + Theme.gridColumnSpacing)))

    // While true the view keeps the top of the hero in view, also when the hero and the
    // screenshots above the grid change their height; scrolling by hand ends it.
    property bool followTop: true

    // Back to the top of the hero, gliding unless motion is reduced.
    function scrollToTop() {
        followTop = true
        moveTo(originY, !reduceMotion)
    }

    function moveTo(y, animated) {
        glide.stop()
        if (animated && contentY !== y) {
            glide.to = y
            glide.start()
        } else {
            contentY = y
        }
    }

    onOriginYChanged: followTop ? moveTo(originY, glide.running) : returnToBounds()
    onMovementStarted: followTop = false

    cellWidth: width / columns
    cellHeight: probe.implicitHeight + Theme.gridRowSpacing
    model: games
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    activeFocusOnTab: false
    keyNavigationEnabled: false

    ScrollBar.vertical: ScrollBar {
        policy: ScrollBar.AsNeeded
        onPressedChanged: if (pressed) grid.followTop = false
    }

    NumberAnimation {
        id: glide
        target: grid
        property: "contentY"
        duration: Theme.selectDuration
        easing.type: Easing.InOutQuad
    }

    // Every card has the height of this one.
    GameCard {
        id: probe
        visible: false
        game: grid.games.length > 0 ? grid.games[0] : null
    }

    header: Column {
        width: grid.area
        spacing: 0

        GameHero {
            objectName: "hero"
            width: parent.width
            height: 340
            game: grid.selectedGame
            library: grid.library
            reduceMotion: grid.reduceMotion
        }

        GameScreenshots {
            objectName: "screenshots-" + (grid.selectedGame ? grid.selectedGame.id : "")
            width: parent.width
            topPadding: visible ? 26 : 0
            game: grid.selectedGame
        }

        Row {
            topPadding: 30
            bottomPadding: 14
            spacing: 10

            Text {
                id: caption
                objectName: "libraryCaption"
                text: "В библиотеке"
                color: Theme.text
                font.family: Theme.sans
                font.pixelSize: 15
                font.weight: Font.Bold
            }

            Text {
                objectName: "libraryCount"
                anchors.baseline: caption.baseline
                text: grid.games.length
                color: Theme.grey
                font.family: Theme.sans
                font.pixelSize: 13
            }
        }
    }

    footer: Item { width: 1; height: Theme.contentPadding - Theme.gridRowSpacing }

    delegate: Item {
        required property var modelData

        width: grid.cellWidth
        height: grid.cellHeight

        GameCard {
            objectName: "card-" + parent.modelData.id
            width: parent.width - Theme.gridColumnSpacing
            game: parent.modelData
            library: grid.library
            selected: !!grid.selectedGame && grid.selectedGame.id === parent.modelData.id
            reduceMotion: grid.reduceMotion
            onClicked: grid.gameChosen(parent.modelData.id)
        }
    }
}
