import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The alert of a failed action: "Не получилось завершить действие", the model's message and
// "Понятно". It is open while the model has an error; closing it by any means (the button,
// Escape) clears the error.
Popup {
    id: alert

    // The library model: error.
    property var model: null
    readonly property string message: model ? model.error : ""

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 440
    modal: true
    focus: true
    padding: 26
    closePolicy: Popup.CloseOnEscape

    onMessageChanged: message !== "" ? open() : close()
    Component.onCompleted: if (message !== "") open()
    onClosed: if (model && model.error !== "") model.error = ""

    Overlay.modal: Rectangle { color: Theme.scrim }

    background: Rectangle {
        radius: Theme.radiusLarge
        color: Theme.raised
        border.width: 1
        border.color: Theme.separator
    }

    contentItem: Column {
        spacing: 0

        Accessible.role: Accessible.AlertMessage
        Accessible.name: title.text
        Accessible.description: alert.message

        Row {
            spacing: 12

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                width: 22
                height: 22
                symbol: "exclamationmark.triangle.fill"
                color: Theme.warning
            }

            Text {
                id: title
                objectName: "alertTitle"
                anchors.verticalCenter: parent.verticalCenter
                text: "Не получилось завершить действие"
                color: Theme.text
                font.family: Theme.sans
                font.pixelSize: 16
                font.weight: Font.Bold
            }
        }

        Text {
            objectName: "alertMessage"
            topPadding: 12
            width: alert.availableWidth
            text: alert.message
            wrapMode: Text.Wrap
            color: Theme.textSummary
            font.family: Theme.sans
            font.pixelSize: 13
            lineHeight: 1.15
        }

        Item {
            width: alert.availableWidth
            height: 22 + dismiss.implicitHeight

            PlayButtonStyle {
                id: dismiss
                objectName: "alertDismiss"
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                implicitHeight: 34
                text: "Понятно"
                accent: Theme.accent
                onClicked: alert.close()
            }
        }
    }
}
