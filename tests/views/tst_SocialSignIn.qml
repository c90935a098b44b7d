import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The signed-out screen: when the main button may be pressed, a refused password that keeps both
// fields and shows the service's text, a sign-in that clears only the password, creating an
// account, and signing out.
Rectangle {
    id: window
    width: 1040
    height: 760
    color: Theme.background

    SocialPanelTest {
        name: "SocialSignIn"
        frame: window

        function initTestCase() {
            makeView()
        }

        function test_1_signed_out_screen() {
            verify(!view.signedIn)
            verify(find("testServerBanner").visible)
            compare(find("connectionText").text, "НЕТ СОЕДИНЕНИЯ")
            verify(!find("signOutButton").visible)
            compare(find("signInButton").text, "Войти")
            checkNames()
            picture("friends-sign-in")
        }

        function test_2_button_rules_data() {
            return [
                { tag: "empty", username: "", password: "", enabled: false },
                { tag: "no password", username: "demo", password: "", enabled: false },
                { tag: "no name", username: "", password: "novra-demo", enabled: false },
                { tag: "both", username: "demo", password: "novra-demo", enabled: true },
                { tag: "spaces are text too", username: " ", password: " ", enabled: true },
            ]
        }

        function test_2_button_rules(data) {
            view.username = data.username
            view.password = data.password
            compare(find("signInButton").enabled, data.enabled)
        }

        // A refused password: busy meanwhile, then the service's text, both fields as typed, and no
        // retry (only a signed-in player has something to retry).
        function test_3_refused_password() {
            view.username = ""
            view.password = ""
            type(find("usernameField"), "demo")
            type(find("passwordField"), "not-the-password")
            SocialTest.fail("POST", "login", 0, "", 400)
            click("signInButton")
            verify(!find("signInButton").enabled, "disabled while the model is busy")
            settle()
            SocialTest.heal()
            compare(find("errorText").text, "Неверное имя пользователя или пароль")
            compare(find("usernameField").text, "demo")
            compare(find("passwordField").text, "not-the-password")
            verify(find("signInButton").enabled)
            verify(!find("retryButton").visible)
            picture("friends-sign-in-error")
        }

        function test_4_sign_in_clears_only_the_password() {
            view.password = ""
            type(find("passwordField"), "novra-demo")
            keyClick(Qt.Key_Return)
            settle()
            verify(view.signedIn)
            compare(view.password, "")
            compare(find("passwordField").text, "")
            compare(view.username, "demo")
            compare(find("accountName").text, "demo")
            compare(find("connectionText").text, "NOVRA ONLINE")
            verify(!find("errorText").visible)

            click("signOutButton")
            settle()
            verify(!view.signedIn)
            compare(find("usernameField").text, "demo", "the name stays for the next sign-in")
        }

        function test_5_create_account() {
            click("switchModeButton")
            compare(find("signInButton").text, "Создать аккаунт NOVRA")
            compare(find("switchModeButton").text, "Уже есть аккаунт")
            view.username = "newcomer"
            view.password = "password1"
            click("signInButton")
            settle()
            compare(social.account.username, "newcomer")
            verify(find("noFriendsHint").visible)
            picture("friends-new-account")
            click("signOutButton")
            settle()
            click("switchModeButton")
            compare(find("signInButton").text, "Войти")
            compare(find("switchModeButton").text, "Создать аккаунт")
        }
    }
}
