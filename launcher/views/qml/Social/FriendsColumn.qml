import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Novra.Launcher

// The friends column: how many friends are online, the add-friend field, incoming requests,
// friends, requests sent and blocked accounts.
Item {
    id: column

    property var view: null
    readonly property var social: view.social

    // The buttons of the rows: small, and resting while the model is busy with an action.
    component RowButton: QuietButton {
        implicitHeight: 28
        leftPadding: 10
        rightPadding: 10
        enabled: !column.social.busy
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.topMargin: 18
        anchors.bottomMargin: 8
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 20
            Layout.rightMargin: 20

            ColumnCaption {
                text: "ДРУЗЬЯ"
            }

            Item { Layout.fillWidth: true }

            Text {
                objectName: "onlineCount"
                text: column.social.onlineFriends + " в сети"
                color: column.social.onlineFriends > 0 ? Theme.textSummary : Theme.grey
                font.family: Theme.sans
                font.pixelSize: 11
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            spacing: 8

            FormField {
                id: friendField
                objectName: "friendNameField"
                Layout.fillWidth: true
                placeholderText: "Точное имя друга"
                text: column.view.friendName
                onTextChanged: column.view.friendName = text
                onAccepted: {
                    if (addButton.enabled)
                        column.view.addFriend()
                }
            }

            IconButton {
                id: addButton
                objectName: "addFriendButton"
                symbol: "plus"
                help: "Добавить друга"
                enabled: !column.social.busy && column.view.friendName !== ""
                onClicked: column.view.addFriend()
            }
        }

        Flickable {
            id: scroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentHeight: rows.implicitHeight
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            Column {
                id: rows
                x: 8
                width: scroller.width - 16
                spacing: 2

                ColumnCaption {
                    visible: incoming.count > 0
                    leftPadding: 12
                    topPadding: 6
                    bottomPadding: 4
                    text: "ЗАПРОСЫ"
                }

                Repeater {
                    id: incoming
                    model: column.social.incoming

                    PersonRow {
                        required property var model

                        objectName: "incoming-" + model.id
                        width: rows.width
                        name: model.username

                        RowButton {
                            objectName: "acceptButton"
                            text: "Принять"
                            tint: Theme.accent
                            onClicked: column.view.act("friends/" + model.id + "/accept")
                        }
                        RowButton {
                            objectName: "declineButton"
                            text: "Отклонить"
                            onClicked: column.view.act("friends/" + model.id + "/decline")
                        }
                    }
                }

                Rectangle {
                    visible: incoming.count > 0 && friends.count > 0
                    x: 12
                    width: rows.width - 24
                    height: 1
                    color: Theme.separator
                }

                Repeater {
                    id: friends
                    model: column.social.friends

                    FriendRow {
                        required property var model

                        objectName: "friend-" + model.id
                        width: rows.width
                        friend: model
                        presence: column.view.presence(model)
                        connected: column.social.connected
                        selected: column.social.selectedFriend === model.id
                        onClicked: column.view.open(model.id)
                    }
                }

                Text {
                    objectName: "noFriendsHint"
                    visible: friends.count === 0 && incoming.count === 0
                    width: rows.width
                    leftPadding: 12
                    rightPadding: 12
                    topPadding: 10
                    bottomPadding: 10
                    wrapMode: Text.Wrap
                    text: "Добавь друга по имени его аккаунта NOVRA."
                    color: Theme.grey
                    font.family: Theme.sans
                    font.pixelSize: 12
                }

                Repeater {
                    id: outgoing
                    model: column.social.outgoing

                    PersonRow {
                        required property var model

                        objectName: "outgoing-" + model.id
                        width: rows.width
                        name: model.username
                        detail: "Запрос отправлен"
                        opacity: 0.85

                        IconButton {
                            objectName: "withdrawButton"
                            symbol: "xmark"
                            help: "Отозвать запрос"
                            implicitHeight: 28
                            enabled: !column.social.busy
                            onClicked: column.view.act("friends/" + model.id + "/decline")
                        }
                    }
                }

                ColumnCaption {
                    visible: blocked.count > 0
                    leftPadding: 12
                    topPadding: 14
                    bottomPadding: 4
                    text: "Заблокированные"
                }

                Repeater {
                    id: blocked
                    model: column.social.blocked

                    PersonRow {
                        required property var model

                        objectName: "blocked-" + model.id
                        width: rows.width
                        name: model.username
                        opacity: 0.85

                        RowButton {
                            objectName: "unblockButton"
                            text: "Разблокировать"
                            onClicked: column.view.act("blocks/" + model.id + "/unblock")
                        }
                    }
                }
            }
        }
    }

    // Rows continue below: the list fades out into the panel.
    Rectangle {
        anchors.left: parent.left
        anchors.leftMargin: 3
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 8
        height: 28
        visible: scroller.contentHeight > scroller.height && !scroller.atYEnd
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(Theme.surface.r, Theme.surface.g, Theme.surface.b, 0) }
            GradientStop { position: 1; color: Theme.surface }
        }
    }
}
