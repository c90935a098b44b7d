import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The selected game at the top of the library: its artwork drifting slowly on the right, and on
// the left its caption, title, summary and primary action (install, update, play or watch), with
// the menu of an installed game beside it.
Item {
    id: hero

    property var game: null
    // The library model: linked, installed, sizes, busy, checking, phase, hasUpdate(id), install(id),
    // play(id), and what GameMenu uses.
    property var library: null
    property bool reduceMotion: false

    readonly property string gameId: game ? game.id : ""
    readonly property color accent: Presentation.color(gameId)
    readonly property var action: GameState.primaryAction(library, game)
    readonly property bool working: !!library && !!library.busy && library.busy === gameId

    // The drift: 5 × sin(t ÷ 9) points, redrawn at most 24 times a second while the window is
    // active and motion is welcome, and 0 with reduce-motion. t is in seconds and runs only while
    // the drift runs, so a pause (another window in front) freezes the artwork where it is and it
    // moves on from there, without a jump. It moves in quarter points, so most frames change nothing.
    readonly property bool drifting: !reduceMotion && visible && Window.active
    property real clock: Date.now() / 1000
    readonly property real driftOffset: reduceMotion
        ? 0 : Math.round(Theme.driftAmplitude * Math.sin(clock / Theme.driftPeriod) * 4) / 4

    // The pointer's pull on the artwork while it hovers: a few points towards the opposite side.
    readonly property bool following: hover.containsMouse && !reduceMotion
    readonly property real pullX: following ? -(hover.mouseX / Math.max(width, 1) - 0.5) * 14 : 0
    readonly property real pullY: following ? -(hover.mouseY / Math.max(height, 1) - 0.5) * 8 : 0

    implicitWidth: 960
    implicitHeight: 340

    Accessible.role: Accessible.Grouping
    Accessible.name: game ? game.title : ""

    Timer {
        property real lastTick: Date.now()

        interval: Math.ceil(1000 / Theme.driftFramesPerSecond)
        repeat: true
        running: hero.drifting
        onRunningChanged: lastTick = running ? Date.now() : 0
        onTriggered: {
            const now = Date.now()
            hero.clock += Math.min(now - lastTick, 250) / 1000
            lastTick = now
        }
    }

    Rectangle {
        anchors.fill: parent
        radius: Theme.radiusLarge
        color: Theme.surface
    }

    GameArtwork {
        id: artwork
        objectName: "heroArtwork"
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
        width: Math.round(parent.width * 0.66)
        game: hero.game
        radius: Theme.radiusLarge
        zoom: Theme.artworkZoom
        shiftX: hero.driftOffset + smoothPullX
        shiftY: smoothPullY

        property real smoothPullX: hero.pullX
        property real smoothPullY: hero.pullY
        Behavior on smoothPullX { enabled: !hero.reduceMotion; NumberAnimation { duration: 400; easing.type: Easing.OutCubic } }
        Behavior on smoothPullY { enabled: !hero.reduceMotion; NumberAnimation { duration: 400; easing.type: Easing.OutCubic } }
    }

    // The artwork fades into the panel where the text begins, and darkens a little towards the
    // bottom, so that the words always sit on calm ground.
    Rectangle {
        x: artwork.x - 1
        width: artwork.width * 0.58
        height: parent.height
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: Theme.surface }
            GradientStop { position: 0.35; color: Qt.rgba(Theme.surface.r, Theme.surface.g, Theme.surface.b, 0.82) }
            GradientStop { position: 1; color: Qt.rgba(Theme.surface.r, Theme.surface.g, Theme.surface.b, 0) }
        }
    }

    MouseArea {
        id: hover
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.NoButton
    }

    Column {
        id: words
        anchors.left: parent.left
        anchors.leftMargin: 40
        anchors.verticalCenter: parent.verticalCenter
        width: Math.min(parent.width * 0.62, parent.width - 80)
        spacing: 0

        Text {
            objectName: "heroCaption"
            text: Presentation.caption(hero.gameId)
            color: hero.accent
            font.family: Theme.sans
            font.pixelSize: 11
            font.weight: Font.Medium
            font.letterSpacing: 0.6
        }

        Text {
            objectName: "heroTitle"
            readonly property bool serif: hero.gameId === "quiet-marsh"
            topPadding: 6
            width: parent.width
            text: hero.game ? hero.game.title : ""
            color: Theme.text
            elide: Text.ElideRight
            font.family: serif ? Theme.serif : Theme.sans
            font.pixelSize: serif ? 48 : 44
            font.weight: Font.Bold
            font.letterSpacing: serif ? 0 : -1
        }

        Text {
            objectName: "heroSummary"
            topPadding: 10
            width: Math.min(470, parent.width)
            text: hero.game ? hero.game.summary : ""
            color: Theme.textSummary
            wrapMode: Text.Wrap
            maximumLineCount: 3
            elide: Text.ElideRight
            lineHeightMode: Text.FixedHeight
            lineHeight: 13 * 1.36 + 4
            font.family: Theme.sans
            font.pixelSize: 13
        }

        Item { width: 1; height: 24 }

        Row {
            spacing: 14

            PlayButtonStyle {
                objectName: "heroButton"
                anchors.verticalCenter: parent.verticalCenter
                accent: hero.accent
                text: hero.action.title
                symbol: hero.action.symbol
                enabled: hero.action.enabled
                onClicked: {
                    if (hero.action.play)
                        hero.library.play(hero.gameId)
                    else
                        hero.library.install(hero.gameId)
                }
            }

            GameMenu {
                anchors.verticalCenter: parent.verticalCenter
                game: hero.game
                library: hero.library
            }

            // The download beside an install or update; the space the game takes beside play.
            Text {
                readonly property var onDisk: hero.library && hero.library.sizes ? hero.library.sizes[hero.gameId] : undefined
                objectName: "heroSize"
                anchors.verticalCenter: parent.verticalCenter
                visible: hero.action.play ? onDisk !== undefined : GameState.hasRelease(hero.game)
                text: !visible ? "" : hero.action.play ? "На диске " + Presentation.fileSize(onDisk)
                                                      : Presentation.fileSize(hero.game.release.bytes)
                color: Theme.textFaint
                font.family: Theme.sans
                font.pixelSize: 11
            }

            Row {
                objectName: "heroProgress"
                anchors.verticalCenter: parent.verticalCenter
                visible: hero.working
                spacing: 8

                Spinner {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 14
                    height: 14
                    running: parent.visible
                    color: hero.accent
                }

                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: hero.working ? hero.library.phase : ""
                    color: Theme.text
                    font.family: Theme.sans
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                }
            }
        }
    }
}
