import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The signed-out screen: what the account gives, the name and password, and the buttons that sign
// in (or create the account) and switch between the two.
Item {
    id: screen

    property var view: null
    readonly property bool ready: !view.social.busy && view.username !== "" && view.password !== ""

    function submit() {
        if (ready)
            view.signIn()
    }

    Column {
        anchors.centerIn: parent
        width: 340
        spacing: 0

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 64
            height: 64
            radius: 32
            color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.10)

            SymbolIcon {
                anchors.centerIn: parent
                width: 30
                height: 30
                symbol: "person.2.wave.2.fill"
                color: Theme.accent
            }
        }

        Text {
            topPadding: 18
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: "Твой круг в NOVRA"
            color: Theme.text
            font.family: Theme.sans
            font.pixelSize: 22
            font.weight: Font.Bold
        }

        Text {
            topPadding: 6
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: "Друзья, личные сообщения и статусы игр — в одном аккаунте студии."
            color: Theme.grey
            lineHeight: 1.15
            font.family: Theme.sans
            font.pixelSize: 13
        }

        Item { width: 1; height: 24 }

        FormField {
            objectName: "usernameField"
            width: parent.width
            implicitHeight: 38
            placeholderText: "Имя пользователя"
            text: screen.view.username
            onTextChanged: screen.view.username = text
            onAccepted: password.forceActiveFocus()
        }

        Item { width: 1; height: 10 }

        FormField {
            id: password
            objectName: "passwordField"
            width: parent.width
            implicitHeight: 38
            placeholderText: "Пароль"
            echoMode: TextInput.Password
            text: screen.view.password
            onTextChanged: screen.view.password = text
            onAccepted: screen.submit()
        }

        Item { width: 1; height: 16 }

        PlayButtonStyle {
            objectName: "signInButton"
            width: parent.width
            text: screen.view.register ? "Создать аккаунт NOVRA" : "Войти"
            enabled: screen.ready
            onClicked: screen.view.signIn()
        }

        Item { width: 1; height: 10 }

        QuietButton {
            objectName: "switchModeButton"
            width: parent.width
            text: screen.view.register ? "Уже есть аккаунт" : "Создать аккаунт"
            onClicked: screen.view.register = !screen.view.register
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            topPadding: 18
            width: 420
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: "Пароль не сохраняется. Сеанс хранится в связке ключей системы."
            color: Theme.textFaint
            font.family: Theme.sans
            font.pixelSize: 11
        }
    }
}
