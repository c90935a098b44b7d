import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Novra.Launcher

// The panel's title and line, the connection badge and, while signed in, the account's name with
// the sign-out button.
RowLayout {
    id: header

    property var view: null
    readonly property var social: view.social

    spacing: Theme.spacing

    Column {
        Layout.fillWidth: true
        spacing: 3

        Text {
            text: "Свои люди"
            color: Theme.text
            font.family: Theme.sans
            font.pixelSize: 26
            font.weight: Font.Bold
            font.letterSpacing: -0.5
        }

        Text {
            text: "Игры объединяют. Оставайтесь на связи."
            color: Theme.grey
            font.family: Theme.sans
            font.pixelSize: 13
        }
    }

    Rectangle {
        id: badge
        objectName: "connectionBadge"
        readonly property bool online: header.social.connected
        readonly property color tone: online ? Theme.accent : Theme.grey

        Layout.alignment: Qt.AlignVCenter
        implicitWidth: badgeRow.implicitWidth + 22
        implicitHeight: 24
        radius: height / 2
        color: Qt.rgba(tone.r, tone.g, tone.b, online ? 0.12 : 0.14)

        Accessible.role: Accessible.StaticText
        Accessible.name: badgeText.text

        Row {
            id: badgeRow
            anchors.centerIn: parent
            spacing: 7

            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 6
                height: 6
                radius: 3
                color: badge.tone
            }

            Text {
                id: badgeText
                objectName: "connectionText"
                anchors.verticalCenter: parent.verticalCenter
                text: badge.online ? "NOVRA ONLINE" : "НЕТ СОЕДИНЕНИЯ"
                color: badge.tone
                font.family: Theme.sans
                font.pixelSize: 10
                font.weight: Font.Bold
                font.letterSpacing: 1
            }
        }
    }

    Text {
        objectName: "accountName"
        Layout.alignment: Qt.AlignVCenter
        Layout.leftMargin: 6
        visible: header.view.signedIn
        text: header.view.signedIn ? (header.social.account.username || "Игрок") : ""
        color: Theme.textSummary
        font.family: Theme.sans
        font.pixelSize: 13
        font.weight: Font.DemiBold
    }

    IconButton {
        objectName: "signOutButton"
        Layout.alignment: Qt.AlignVCenter
        visible: header.view.signedIn
        symbol: "rectangle.portrait.and.arrow.right"
        help: "Выйти из аккаунта"
        enabled: !header.social.busy
        onClicked: header.social.startSignOut()
    }
}
