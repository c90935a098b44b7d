import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The sheet that shows one screenshot at full width (960 points): its caption and "Закрыть" above
// the image. Escape closes it too.
Popup {
    id: sheet

    // {name, caption} of the screenshot shown; the sheet is open while it is set.
    property var screenshot: null
    signal dismissed()

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 20
    closePolicy: Popup.CloseOnEscape

    onScreenshotChanged: screenshot ? open() : close()
    onClosed: dismissed()

    Overlay.modal: Rectangle { color: Theme.scrim }

    background: Rectangle {
        radius: Theme.radiusLarge
        color: Theme.raised
        border.width: 1
        border.color: Theme.separator
    }

    contentItem: Column {
        spacing: 16

        Accessible.role: Accessible.Dialog
        Accessible.name: sheet.screenshot ? sheet.screenshot.caption : ""

        Item {
            width: image.width
            height: closeButton.implicitHeight

            Text {
                objectName: "viewerCaption"
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                width: parent.width - closeButton.width - 16
                elide: Text.ElideRight
                text: sheet.screenshot ? sheet.screenshot.caption : ""
                color: Theme.text
                font.family: Theme.sans
                font.pixelSize: 15
                font.weight: Font.Bold
            }

            QuietButton {
                id: closeButton
                objectName: "viewerClose"
                anchors.right: parent.right
                text: "Закрыть"
                onClicked: sheet.close()
            }
        }

        ResourceImage {
            id: image
            width: 960
            height: implicitWidth > 0 ? Math.round(width * implicitHeight / implicitWidth) : Math.round(width * 9 / 16)
            name: sheet.screenshot ? sheet.screenshot.name : ""
            folder: "screenshots"
            radius: Theme.radiusSmall + 3
        }
    }
}
