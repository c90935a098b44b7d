import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Novra.Launcher

// The model's last error with a button that polls again. Retrying means a poll, which only a
// signed-in player has, so the button shows only then.
Rectangle {
    id: line

    property var view: null

    implicitHeight: Math.max(40, content.implicitHeight + 12)
    radius: Theme.radiusControl
    color: Qt.rgba(Theme.warning.r, Theme.warning.g, Theme.warning.b, 0.09)
    border.width: 1
    border.color: Qt.rgba(Theme.warning.r, Theme.warning.g, Theme.warning.b, 0.22)

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 6
        spacing: 10

        SymbolIcon {
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
            symbol: "exclamationmark.circle"
            color: Theme.warning
        }

        Text {
            objectName: "errorText"
            Layout.fillWidth: true
            text: line.view.social.error
            color: Theme.text
            wrapMode: Text.Wrap
            font.family: Theme.sans
            font.pixelSize: 13
        }

        QuietButton {
            objectName: "retryButton"
            visible: line.view.signedIn
            text: "Повторить"
            implicitHeight: 28
            onClicked: line.view.social.startPoll()
        }
    }
}
