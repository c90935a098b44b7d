import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Novra.Launcher

// The open conversation: the friend with the menu of friend actions, the messages oldest first
// (older pages on request) and the message field with its send button. Without an open
// conversation, an invitation to pick a friend.
Item {
    id: conversation

    property var view: null
    readonly property var social: view.social
    readonly property var friend: view.openFriend
    readonly property bool canSend: !social.sending && view.message.trim() !== ""

    function send() {
        if (canSend)
            view.sendMessage()
    }

    // Another conversation opens at its newest message.
    Connections {
        target: conversation.social
        function onSelectedFriendChanged() { messages.atEnd = true }
    }

    Column {
        objectName: "pickFriend"
        anchors.centerIn: parent
        visible: !conversation.view.conversationOpen
        spacing: 14

        SymbolIcon {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 40
            height: 40
            symbol: "bubble.left.and.bubble.right"
            color: Theme.grey
            opacity: 0.8
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Выбери друга, чтобы написать"
            color: Theme.grey
            font.family: Theme.sans
            font.pixelSize: 14
        }
    }

    ColumnLayout {
        anchors.fill: parent
        visible: conversation.view.conversationOpen
        spacing: 0

        RowLayout {
            objectName: "conversationHeader"
            Layout.fillWidth: true
            Layout.preferredHeight: 64
            Layout.leftMargin: 22
            Layout.rightMargin: 14
            spacing: 12

            Avatar {
                name: conversation.friend.username || ""
                showDot: true
                lit: conversation.social.connected && !!conversation.friend.online
            }

            Column {
                Layout.fillWidth: true
                spacing: 1

                Text {
                    objectName: "conversationName"
                    width: parent.width
                    elide: Text.ElideRight
                    text: conversation.friend.username || ""
                    color: Theme.text
                    font.family: Theme.sans
                    font.pixelSize: 15
                    font.weight: Font.Bold
                }

                Text {
                    objectName: "conversationPresence"
                    width: parent.width
                    elide: Text.ElideRight
                    text: conversation.view.conversationOpen ? conversation.view.presence(conversation.friend) : ""
                    color: Theme.grey
                    font.family: Theme.sans
                    font.pixelSize: 12
                }
            }

            IconButton {
                id: more
                objectName: "friendMenuButton"
                symbol: "ellipsis"
                help: "Действия с другом"
                enabled: !conversation.social.busy
                onClicked: menu.open()

                FriendMenu {
                    id: menu
                    objectName: "friendMenu"
                    y: more.height + 4
                    x: more.width - width
                    onRemove: conversation.view.act("friends/" + conversation.friend.id + "/remove")
                    onBlock: conversation.view.act("blocks/" + conversation.friend.id + "/block")
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.separator
        }

        ListView {
            id: messages
            objectName: "messages"

            // Follows the newest message while the player is at the end; stays where it is when
            // earlier pages arrive above or the player has scrolled back.
            property bool atEnd: true

            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            spacing: 4
            leftMargin: 22
            rightMargin: 22
            boundsBehavior: Flickable.StopAtBounds
            model: conversation.social.messages
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            // Once the view is laid out, and only if the player has not scrolled away meanwhile.
            function follow() {
                if (atEnd)
                    Qt.callLater(keepAtEnd)
            }
            function keepAtEnd() {
                if (atEnd)
                    positionViewAtEnd()
            }
            // However the view moved: flicked, wheeled, dragged by its scroll bar or put in place.
            onContentYChanged: atEnd = atYEnd
            onCountChanged: follow()
            onContentHeightChanged: follow()
            onHeightChanged: follow()

            // The space above the messages, with the button for the page before them when there is one.
            header: Item {
                width: messages.width - messages.leftMargin - messages.rightMargin
                height: earlier.visible ? earlier.height + 30 : 16

                QuietButton {
                    id: earlier
                    objectName: "earlierButton"
                    anchors.horizontalCenter: parent.horizontalCenter
                    y: 16
                    visible: conversation.social.nextBefore !== null && conversation.social.nextBefore !== undefined
                    implicitHeight: 28
                    text: "Более ранние сообщения"
                    onClicked: conversation.social.startLoadMessages(conversation.friend.id, true)
                }
            }

            footer: Item { width: 1; height: 12 }

            delegate: MessageBubble {
                required property var model

                width: messages.width - messages.leftMargin - messages.rightMargin
                body: model.body
                created: model.created
                own: conversation.view.signedIn && model.senderId === conversation.social.account.id
            }

            Text {
                objectName: "startConversation"
                anchors.centerIn: parent
                visible: messages.count === 0
                text: "Начни разговор"
                color: Theme.grey
                font.family: Theme.sans
                font.pixelSize: 13
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            Layout.bottomMargin: 16
            implicitHeight: inputRow.implicitHeight + 12
            radius: Theme.radiusCard
            color: Theme.field
            border.width: 1
            border.color: input.activeFocus ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)
                                            : Theme.separator

            RowLayout {
                id: inputRow
                anchors.fill: parent
                anchors.margins: 6
                anchors.leftMargin: 8
                spacing: 6

                Flickable {
                    id: inputScroll

                    // One line to five; beyond that the field scrolls.
                    readonly property real lineHeight: input.font.pixelSize * 1.45
                    readonly property real maximumHeight: lineHeight * 5 + input.topPadding + input.bottomPadding

                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignVCenter
                    implicitHeight: Math.min(input.implicitHeight, maximumHeight)
                    contentWidth: width
                    contentHeight: input.implicitHeight
                    clip: true
                    boundsBehavior: Flickable.StopAtBounds
                    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

                    TextArea.flickable: TextArea {
                        id: input
                        objectName: "messageField"
                        placeholderText: "Сообщение"
                        placeholderTextColor: Theme.grey
                        text: conversation.view.message
                        onTextChanged: conversation.view.message = text
                        wrapMode: TextEdit.Wrap
                        color: Theme.text
                        selectionColor: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
                        selectedTextColor: Theme.text
                        font.family: Theme.sans
                        font.pixelSize: 13
                        topPadding: 7
                        bottomPadding: 7
                        leftPadding: 6
                        rightPadding: 6
                        selectByMouse: true
                        background: null
                        Accessible.name: "Сообщение"

                        // Return sends; Shift+Return starts a new line.
                        function returnPressed(event) {
                            if (event.modifiers & Qt.ShiftModifier)
                                event.accepted = false
                            else
                                conversation.send()
                        }
                        Keys.onReturnPressed: event => returnPressed(event)
                        Keys.onEnterPressed: event => returnPressed(event)
                    }
                }

                IconButton {
                    objectName: "sendButton"
                    Layout.alignment: Qt.AlignBottom
                    symbol: "arrow.up"
                    help: "Отправить"
                    tint: Theme.accent
                    enabled: conversation.canSend
                    onClicked: conversation.send()
                }
            }
        }
    }
}
