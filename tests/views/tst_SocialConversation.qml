import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The conversation signed in as "demo": the player's and the friend's messages, the send button's
// rules, sending (the field empties on success and keeps the text after a failure),
// earlier pages, a second click on the open friend, the friend menu, and the panel leaving the
// screen.
Rectangle {
    id: window
    width: 1040
    height: 760
    color: Theme.background

    SocialPanelTest {
        name: "SocialConversation"
        frame: window

        readonly property string anya: "social/messages/p-anya"

        function initTestCase() {
            makeView()
            signIn()
        }

        function bubble(index) {
            const list = find("messages")
            list.positionViewAtIndex(index, ListView.Contain)
            return find("bubble", list.itemAtIndex(index))
        }

        function test_1_open_conversation() {
            verify(find("pickFriend").visible)
            click("friend-p-anya")
            settle()
            verify(!find("pickFriend").visible)
            compare(find("conversationName").text, "Аня")
            compare(find("conversationPresence").text, "Угольный забег")
            compare(find("messages").count, 5)
            verify(!find("earlierButton").visible)
            compare(find("bubbleText", bubble(0).parent).text, "Привет! Видел, что вышел новый забег?")
            compare(find("bubbleTime", bubble(0).parent).text, Qt.formatTime(new Date(SocialTest.conversationStart() * 1000), "HH:mm"))
            // The friend's on the left, the player's own on the right in another tint.
            for (const [index, own] of [[0, false], [1, true], [2, false], [3, true]]) {
                const item = bubble(index)
                compare(item.x > 0, own, "message " + index)
                compare(Qt.colorEqual(item.color, bubble(0).color), !own, "message " + index)
            }
            checkNames()
        }

        function test_2_send_button_rules_data() {
            return [
                { tag: "empty", text: "", enabled: false },
                { tag: "spaces", text: "   ", enabled: false },
                { tag: "line breaks and tabs", text: " \n\t\n ", enabled: false },
                { tag: "a word", text: "Привет", enabled: true },
                { tag: "a word among spaces", text: "  ок  ", enabled: true },
            ]
        }

        function test_2_send_button_rules(data) {
            view.message = data.text
            compare(find("sendButton").enabled, data.enabled)
        }

        function test_3_send() {
            view.message = "Уже бегу! Встречаемся на старте."
            SocialTest.fail("POST", anya, 0, "", 300)
            click("sendButton")
            verify(!find("sendButton").enabled, "disabled while sending")
            settle()
            SocialTest.heal()
            compare(view.message, "")
            compare(find("messageField").text, "")
            const list = find("messages")
            compare(list.count, 6)
            compare(find("bubbleText", bubble(5).parent).text, "Уже бегу! Встречаемся на старте.")
            verify(bubble(5).x > 0)

            SocialTest.addMessage("p-anya", "p-demo", "Отлично, жду тебя у первого поворота")
            social.startPoll()
            settle()
            compare(list.count, 7)
            tryVerify(() => list.atYEnd, 1000, "the newest message is in view")
            // Seen on screen, it is marked read: the next round has no unread count for it.
            social.startPoll()
            settle()
            verify(!find("unreadBadge", find("friend-p-anya")).visible)
            picture("friends-conversation")
            // The same in the content area of the smallest window.
            view.width = 764
            view.height = 640
            waitForRendering(view)
            tryVerify(() => list.atYEnd, 1000, "the newest message stays in view")
            verify(ViewTest.picture(view, "friends-conversation-small"))
            view.width = 1000
            view.height = 720
        }

        // A failed send keeps the text for another try.
        function test_4_text_stays_after_a_refusal() {
            view.message = "Проверка связи"
            SocialTest.fail("POST", anya, 503, "Сервис временно недоступен")
            click("sendButton")
            settle()
            SocialTest.heal()
            compare(find("errorText").text, "Сервис временно недоступен")
            compare(find("messageField").text, "Проверка связи")
            click("sendButton")
            settle()
            compare(find("messageField").text, "")
            compare(find("messages").count, 8)
        }

        // Earlier pages stay when the open friend is clicked again.
        function test_5_earlier_messages() {
            click("friend-p-vera")
            settle()
            const list = find("messages")
            compare(list.count, 50)
            tryVerify(() => list.atYEnd, 1000, "opens at the newest message")
            list.positionViewAtBeginning()
            tryVerify(() => list.atYBeginning, 1000, "scrolled back to the first message")
            click("earlierButton")
            settle()
            compare(list.count, 60)
            verify(!find("earlierButton").visible)
            click("friend-p-vera")
            settle()
            compare(list.count, 60)
        }

        // Off screen the model hears of it; back on screen it polls at once.
        function test_6_panel_leaves_the_screen() {
            verify(social.chatVisible)
            view.visible = false
            verify(!social.chatVisible)
            const polls = SocialTest.sent("GET", "social").length
            view.visible = true
            verify(social.chatVisible)
            settle()
            compare(SocialTest.sent("GET", "social").length, polls + 1)
        }

        function test_7_friend_menu() {
            click("friend-p-gleb")
            settle()
            click("friendMenuButton")
            const menu = find("friendMenu")
            tryVerify(() => menu.opened)
            compare(menu.itemAt(0).text, "Удалить из друзей")
            compare(menu.itemAt(0).Accessible.name, "Удалить из друзей")
            mouseClick(menu.itemAt(0))
            settle()
            verify(!findChild(view, "friend-p-gleb"))
            verify(find("pickFriend").visible)

            click("friend-p-dina")
            settle()
            click("friendMenuButton")
            tryVerify(() => menu.opened)
            compare(menu.itemAt(1).text, "Заблокировать")
            mouseClick(menu.itemAt(1))
            settle()
            verify(!findChild(view, "friend-p-dina"))
            verify(find("blocked-p-dina"))
        }
    }
}
