import QtQuick
import QtQuick.Controls
import Novra.Launcher

// Asks before a game leaves the library: its versions are deleted (a linked game's application is
// only forgotten), and its saves stay where the game keeps them. Escape cancels.
Popup {
    id: sheet

    property var game: null
    property bool linked: false
    signal confirmed()

    objectName: "removeConfirmation"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 460
    modal: true
    focus: true
    padding: 24
    closePolicy: Popup.CloseOnEscape

    onOpened: cancelButton.forceActiveFocus()

    Overlay.modal: Rectangle { color: Theme.scrim }

    background: Rectangle {
        radius: Theme.radiusLarge
        color: Theme.raised
        border.width: 1
        border.color: Theme.separator
    }

    contentItem: Column {
        spacing: 12

        Accessible.role: Accessible.Dialog
        Accessible.name: question.text

        Text {
            id: question
            objectName: "removeQuestion"
            width: parent.width
            text: "Удалить игру «" + (sheet.game ? sheet.game.title : "") + "»?"
            wrapMode: Text.Wrap
            color: Theme.text
            font.family: Theme.sans
            font.pixelSize: 17
            font.weight: Font.Bold
        }

        Text {
            objectName: "removeDetail"
            width: parent.width
            text: sheet.linked
                ? "Лаунчер забудет приложение игры; само приложение останется на диске. Сохранения останутся там, где их хранит игра."
                : "Все версии игры будут удалены из библиотеки. Сохранения останутся там, где их хранит игра."
            wrapMode: Text.Wrap
            lineHeight: 1.2
            color: Theme.textSummary
            font.family: Theme.sans
            font.pixelSize: 13
        }

        Item { width: 1; height: 6 }

        Row {
            anchors.right: parent.right
            spacing: 10

            QuietButton {
                id: cancelButton
                objectName: "removeCancel"
                text: "Отмена"
                onClicked: sheet.close()
            }
            QuietButton {
                objectName: "removeConfirm"
                text: "Удалить"
                tint: Theme.warning
                onClicked: {
                    sheet.close()
                    sheet.confirmed()
                }
            }
        }
    }
}
