import QtQuick
import QtQuick.Controls
import Novra.Launcher

// One game in the library grid: its artwork, a line with the caption (or the update notice), the
// title and, when installed, "Установлена". The whole card is one button: a click, Return or
// Space emits clicked().
AbstractButton {
    id: card

    property var game: null
    // The library model: linked, installed and hasUpdate(id).
    property var library: null
    property bool selected: false
    property bool reduceMotion: false

    readonly property string gameId: game ? game.id : ""
    readonly property color accent: Presentation.color(gameId)
    readonly property bool installed: GameState.installed(library, game)
    readonly property bool updateAvailable: GameState.hasUpdate(library, game)

    implicitWidth: Theme.cardMinimumWidth
    implicitHeight: frame.implicitHeight
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus

    Accessible.role: Accessible.Button
    Accessible.name: game ? game.title : ""
    Accessible.description: line.text
    Accessible.onPressAction: card.clicked()
    Keys.onReturnPressed: card.clicked()
    Keys.onEnterPressed: card.clicked()

    background: Rectangle {
        radius: Theme.radiusCard
        color: card.hovered ? Theme.surfaceHover : Theme.surface
        border.width: card.visualFocus ? 2 : 0
        border.color: Theme.accent
        Behavior on color {
            enabled: !card.reduceMotion
            ColorAnimation { duration: Theme.hoverDuration; easing.type: Easing.OutCubic }
        }
    }

    contentItem: Item {
        id: frame
        implicitHeight: column.implicitHeight + 2 * column.y

        Column {
            id: column
            x: 10
            y: 10
            width: parent.width - 20
            spacing: 0

            Item {
                width: parent.width
                height: 132

                GameArtwork {
                    anchors.fill: parent
                    game: card.game
                    radius: Theme.radiusSmall
                }

                Rectangle {
                    objectName: "selectionBorder"
                    anchors.fill: parent
                    visible: card.selected
                    radius: Theme.radiusSmall
                    color: "transparent"
                    antialiasing: true
                    border.width: 1.5
                    border.color: card.accent
                }

                Rectangle {
                    objectName: "openMark"
                    anchors.top: parent.top
                    anchors.right: parent.right
                    anchors.margins: 9
                    width: 28
                    height: 28
                    radius: 14
                    color: Qt.rgba(Theme.background.r, Theme.background.g, Theme.background.b, 0.72)
                    opacity: card.hovered ? 1 : 0
                    visible: opacity > 0
                    Behavior on opacity {
                        enabled: !card.reduceMotion
                        NumberAnimation { duration: Theme.hoverDuration; easing.type: Easing.OutCubic }
                    }

                    SymbolIcon {
                        anchors.centerIn: parent
                        width: 14
                        height: 14
                        symbol: "arrow.up.right"
                        color: Theme.text
                    }
                }
            }

            Text {
                id: line
                objectName: "cardLine"
                topPadding: 11
                width: parent.width
                elide: Text.ElideRight
                text: card.updateAvailable ? "Доступно обновление" : Presentation.caption(card.gameId)
                color: card.updateAvailable ? card.accent : Theme.grey
                font.family: Theme.sans
                font.pixelSize: 10
                font.letterSpacing: 0.3
            }

            Text {
                objectName: "cardTitle"
                topPadding: 3
                width: parent.width
                elide: Text.ElideRight
                text: card.game ? card.game.title : ""
                color: Theme.text
                font.family: Theme.sans
                font.pixelSize: 13
                font.weight: Font.DemiBold
            }

            Item {
                width: parent.width
                height: 22

                Row {
                    objectName: "cardInstalled"
                    anchors.bottom: parent.bottom
                    visible: card.installed
                    spacing: 5

                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 12
                        height: 12
                        symbol: "checkmark.circle.fill"
                        color: card.accent
                    }

                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: "Установлена"
                        color: Theme.grey
                        font.family: Theme.sans
                        font.pixelSize: 11
                    }
                }
            }
        }
    }
}
