import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Window
import Novra.Launcher

// The friends panel of the library window: the account, friends and requests on one side and the
// open conversation on the other, or the sign-in screen while nobody is signed in. Everything it
// shows comes from the social model and every action is one operation of it; the panel keeps only
// what the player is typing.
Item {
    id: view

    // The social model (SocialModel) and the library's games ({id, title, ...}), the latter only
    // to name the games friends play.
    property var social: null
    property var games: []

    // The signed-out screen's fields and whether it creates an account; the add-friend field; the
    // message being typed.
    property string username: ""
    property string password: ""
    property bool register: false
    property string friendName: ""
    property string message: ""

    readonly property bool signedIn: !!social && !!social.account
    // The panel is on screen: the model marks messages read, refreshes the open conversation and
    // keeps its notifications quiet only then.
    readonly property bool onScreen: visible && Window.window !== null
        && Window.visibility !== Window.Hidden && Window.visibility !== Window.Minimized

    // The friend of the open conversation as a row of the friends list, {} when none is open or
    // the friend is no longer among the friends. It follows every change of the list.
    property int friendsRevision: 0
    readonly property var openFriend: {
        friendsRevision
        return social && social.selectedFriend !== "" ? social.friendEntry(social.selectedFriend) : ({})
    }
    readonly property bool conversationOpen: openFriend.id !== undefined

    // A friend's presence line.
    function presence(friend) {
        if (!social.connected)
            return "Статус недоступен"
        if (!friend.online)
            return "Не в сети"
        if (!friend.currentGame)
            return "В сети"
        for (const game of games) {
            if (game.id === friend.currentGame)
                return game.title
        }
        return friend.currentGame
    }

    // The model's operations as the panel's controls start them.
    function signIn() {
        social.startAuthenticate(username, password, register).then(done => {
            if (done)
                password = ""
        })
    }
    function addFriend() {
        social.startAdd(friendName).then(() => {
            if (social.error === "")
                friendName = ""
        })
    }
    function act(path) {
        social.startAction(path, {})
    }
    function sendMessage() {
        social.startSend(message).then(sent => {
            if (sent)
                message = ""
        })
    }
    // Opens a friend's conversation; a click on the open one keeps it as it is (with the earlier
    // pages already loaded).
    function open(friendId) {
        if (social.selectedFriend !== friendId)
            social.select(friendId)
    }

    function followScreen() {
        if (!social)
            return
        social.chatVisible = onScreen
        if (onScreen)
            social.startPoll()
    }
    onOnScreenChanged: followScreen()
    onSocialChanged: followScreen()
    Component.onCompleted: followScreen()
    Component.onDestruction: {
        if (social)
            social.chatVisible = false
    }

    Connections {
        target: view.social ? view.social.friends : null
        function onDataChanged() { view.friendsRevision++ }
        function onRowsInserted() { view.friendsRevision++ }
        function onRowsRemoved() { view.friendsRevision++ }
        function onModelReset() { view.friendsRevision++ }
    }

    implicitWidth: 980
    implicitHeight: 720

    ColumnLayout {
        anchors.fill: parent
        spacing: 14

        Rectangle {
            objectName: "testServerBanner"
            Layout.fillWidth: true
            visible: view.social.isTestServer
            implicitHeight: 26
            radius: Theme.radiusSmall
            color: Qt.rgba(Theme.warning.r, Theme.warning.g, Theme.warning.b, 0.10)

            Text {
                anchors.centerIn: parent
                text: "ТЕСТОВЫЙ СЕРВЕР · изолированные аккаунты"
                color: Theme.warning
                font.family: Theme.sans
                font.pixelSize: 11
                font.weight: Font.DemiBold
                font.letterSpacing: 0.8
            }
        }

        SocialHeader {
            Layout.fillWidth: true
            view: view
        }

        ErrorLine {
            Layout.fillWidth: true
            view: view
            visible: view.social.error !== ""
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            radius: Theme.radiusLarge
            color: Theme.surface
            border.width: 1
            border.color: Theme.separator
            clip: true

            SignInScreen {
                anchors.fill: parent
                visible: !view.signedIn
                view: view
            }

            FriendsColumn {
                id: friendsColumn
                objectName: "friendsColumn"
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                anchors.left: parent.left
                width: 310
                visible: view.signedIn
                view: view
            }

            Rectangle {
                anchors.left: friendsColumn.right
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                width: 1
                visible: view.signedIn
                color: Theme.separator
            }

            Conversation {
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                anchors.left: friendsColumn.right
                anchors.leftMargin: 1
                anchors.right: parent.right
                visible: view.signedIn
                view: view
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacing

            ToggleSwitch {
                objectName: "sharePresence"
                text: "Показывать друзьям, во что я играю"
                checked: view.social.sharePresence
                onToggled: {
                    view.social.sharePresence = checked
                    view.social.presenceChanged()
                }
            }

            Item { Layout.fillWidth: true }

            QuietButton {
                id: notificationsOn
                objectName: "notificationsButton"
                visible: view.social.notificationsEnabled
                text: "Уведомления включены"
                symbol: "bell.badge"
                Accessible.description: "Выключить уведомления NOVRA"
                onClicked: view.social.notificationsEnabled = false

                HelpTip {
                    visible: notificationsOn.hovered
                    text: "Выключить уведомления NOVRA"
                }
            }

            QuietButton {
                objectName: "enableNotificationsButton"
                visible: !view.social.notificationsEnabled
                text: "Включить уведомления"
                onClicked: view.social.enableNotifications()
            }
        }
    }
}
