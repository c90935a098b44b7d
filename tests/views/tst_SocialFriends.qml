import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The friends column signed in as "demo": presence lines and dots with the games' titles, unread
// counts, requests both ways and blocked accounts, the add-friend field after a refusal and after a
// request, a lost connection, and the bottom bar's switch and notification buttons.
Rectangle {
    id: window
    width: 1040
    height: 760
    color: Theme.background

    SocialPanelTest {
        name: "SocialFriends"
        frame: window

        function initTestCase() {
            makeView()
            signIn()
        }

        function row(objectName) {
            return find(objectName, find("friendsColumn"))
        }

        function test_1_presence_data() {
            return [
                { tag: "in a game of the library", id: "p-anya", line: "Угольный забег", lit: true },
                { tag: "in a demo", id: "p-boris", line: "Полярное цветение", lit: true },
                { tag: "online", id: "p-vera", line: "В сети", lit: true },
                { tag: "offline", id: "p-gleb", line: "Не в сети", lit: false },
                { tag: "in a game no catalog knows", id: "p-dina", line: "secret-build", lit: true },
            ]
        }

        function test_1_presence(data) {
            const friend = row("friend-" + data.id)
            compare(find("rowDetail", friend).text, data.line)
            compare(friend.Accessible.description, data.line)
            verify(Qt.colorEqual(find("statusDot", friend).color, data.lit ? Theme.accent : Theme.grey))
        }

        function test_2_list() {
            compare(find("onlineCount").text, "4 в сети")
            const unread = find("unreadBadge", row("friend-p-boris"))
            verify(unread.visible)
            compare(find("unreadCount", unread).text, "2")
            verify(!find("unreadBadge", row("friend-p-anya")).visible)
            compare(find("rowName", row("incoming-p-egor")).text, "Егор")
            compare(find("rowDetail", row("outgoing-p-lev")).text, "Запрос отправлен")
            compare(find("rowName", row("blocked-p-irina")).text, "Ирина")
            verify(!find("noFriendsHint").visible)
            checkNames()
            picture("friends-list")
        }

        // Accepting a request makes a friend; withdrawing and unblocking remove their rows.
        function test_3_requests_and_blocks() {
            click("acceptButton", row("incoming-p-egor"))
            settle()
            verify(!findChild(view, "incoming-p-egor"))
            compare(find("rowDetail", row("friend-p-egor")).text, "Не в сети")
            click("withdrawButton", row("outgoing-p-lev"))
            settle()
            verify(!findChild(view, "outgoing-p-lev"))
            compare(SocialTest.sent("POST", "social/friends/p-lev/decline").length, 1)
            click("unblockButton", row("blocked-p-irina"))
            settle()
            verify(!findChild(view, "blocked-p-irina"))
        }

        // A name the service refuses stays in the field with the service's text; one it takes
        // empties the field and shows the request sent.
        function test_4_add_friend() {
            type(find("friendNameField"), "nobody")
            click("addFriendButton")
            settle()
            compare(find("errorText").text, "Игрок с таким именем не найден")
            compare(find("friendNameField").text, "nobody")
            verify(find("retryButton").visible)
            picture("friends-add-error")

            view.friendName = ""
            type(find("friendNameField"), "zoya")
            keyClick(Qt.Key_Return)
            settle()
            compare(find("friendNameField").text, "")
            verify(!find("errorText").visible)
            compare(find("rowDetail", row("outgoing-p-zoya")).text, "Запрос отправлен")
            compare(JSON.parse(SocialTest.sent("POST", "social/friends/request").pop()), { username: "zoya" })
        }

        // Without a connection no presence is known: every line says so, every dot is grey, and
        // the badge says the connection is gone; "Повторить" brings it all back.
        function test_5_lost_connection() {
            SocialTest.fail("GET", "social", 503, "Сервис временно недоступен")
            social.startPoll()
            settle()
            compare(find("connectionText").text, "НЕТ СОЕДИНЕНИЯ")
            compare(find("onlineCount").text, "0 в сети")
            for (const id of ["p-anya", "p-boris", "p-vera", "p-gleb", "p-dina"]) {
                const friend = row("friend-" + id)
                compare(find("rowDetail", friend).text, "Статус недоступен", id)
                verify(Qt.colorEqual(find("statusDot", friend).color, Theme.grey), id)
            }
            picture("friends-offline")

            SocialTest.heal()
            click("retryButton")
            settle()
            compare(find("connectionText").text, "NOVRA ONLINE")
            verify(!find("errorText").visible)
            compare(find("rowDetail", row("friend-p-anya")).text, "Угольный забег")
        }

        function test_6_bottom_bar() {
            // What the switch sends is the model's rule (SocialModelTest.PresenceFollowsTheSwitch).
            const toggle = find("sharePresence")
            verify(toggle.checked)
            mouseClick(toggle)
            settle()
            verify(!social.sharePresence)
            mouseClick(toggle)
            settle()
            verify(social.sharePresence)

            // No notification server answers here: asking shows how to allow them.
            click("enableNotificationsButton")
            tryCompare(find("errorText"), "text", "Разрешите уведомления NOVRA Launcher в настройках системы → Уведомления.")
            verify(!social.notificationsEnabled)
            social.notificationsEnabled = true
            compare(find("notificationsButton").text, "Уведомления включены")
            compare(find("notificationsButton").Accessible.description, "Выключить уведомления NOVRA")
            click("notificationsButton")
            verify(!social.notificationsEnabled)
            verify(find("enableNotificationsButton").visible)
        }
    }
}
