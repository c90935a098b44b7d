import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The screenshots of a game under the hero: "Кадры из игры" and a row of captioned thumbnails; a
// click opens the screenshot in a sheet. A game without screenshots shows nothing and takes no
// space.
Column {
    id: strip

    property var game: null
    // The screenshot open in the viewer ({name, caption}), or null.
    property var openScreenshot: null

    readonly property string gameId: game ? game.id : ""
    readonly property var screenshots: Presentation.screenshots(gameId)
    readonly property real thumbnailWidth: Math.min(300, (width - 2 * row.spacing) / 3)

    visible: screenshots.length > 0
    height: visible ? implicitHeight : 0
    spacing: 12

    onGameIdChanged: openScreenshot = null

    Text {
        text: "Кадры из игры"
        color: Theme.text
        font.family: Theme.sans
        font.pixelSize: 15
        font.weight: Font.Bold
    }

    Row {
        id: row
        spacing: 14

        Repeater {
            model: strip.screenshots

            AbstractButton {
                id: thumbnail

                required property var modelData
                readonly property string help: "Открыть кадр: " + modelData.caption

                objectName: "thumbnail-" + modelData.name
                width: strip.thumbnailWidth
                implicitHeight: shot.height + caption.implicitHeight
                hoverEnabled: true
                focusPolicy: Qt.StrongFocus

                Accessible.role: Accessible.Button
                Accessible.name: help
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                onClicked: strip.openScreenshot = modelData

                HelpTip {
                    objectName: "tip"
                    visible: thumbnail.hovered
                    text: thumbnail.help
                }

                contentItem: Column {
                    ResourceImage {
                        id: shot
                        width: thumbnail.width
                        height: Math.round(width * 9 / 16)
                        name: thumbnail.modelData.name
                        folder: "screenshots"
                        radius: Theme.radiusSmall
                        opacity: thumbnail.hovered ? 1 : 0.92

                        Rectangle {
                            anchors.fill: parent
                            radius: Theme.radiusSmall
                            color: "transparent"
                            antialiasing: true
                            border.width: thumbnail.visualFocus ? 2 : 1
                            border.color: thumbnail.visualFocus ? Theme.accent
                                : thumbnail.hovered ? Theme.outline : Theme.separator
                        }
                    }

                    Text {
                        id: caption
                        topPadding: 7
                        width: thumbnail.width
                        elide: Text.ElideRight
                        text: thumbnail.modelData.caption
                        color: Theme.grey
                        font.family: Theme.sans
                        font.pixelSize: 11
                    }
                }
            }
        }
    }

    // The viewer is made when the first screenshot is opened.
    KeptLoader {
        needed: strip.openScreenshot !== null
        onLoaded: if (strip.openScreenshot) item.open()
        sourceComponent: ScreenshotViewer {
            objectName: "viewer"
            screenshot: strip.openScreenshot
            onDismissed: strip.openScreenshot = null
        }
    }
}
