import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// What the friends panel's tests share: the panel in a window-sized frame over the application's
// social model (SocialTest.h has the service's players), the games that name what friends play,
// and waiting, finding, typing and pictures.
//
// The model is the application's one instance, so a test file is a story: its cases run in the
// order of their names (test_1_..., test_2_...) and each leaves the model as the next expects.
TestCase {
    id: test

    // The item the panel is placed in; its pictures show it whole.
    property Item frame: null
    property var view: null
    readonly property var social: SocialTest.model
    readonly property var games: [ViewTest.game("ember-run"), ViewTest.game("polar-bloom")]

    when: windowShown

    Component {
        id: viewComponent
        SocialView {
            x: 20
            y: 20
            width: 1000
            height: 720
        }
    }

    // The panel for the whole file (the model outlives every case anyway).
    function makeView() {
        view = viewComponent.createObject(frame, { social: social, games: games })
        settle()
        return view
    }

    // Waits until no operation of the model waits for the service.
    function settle() {
        tryVerify(() => SocialTest.idle(), 15000, "the social model settles")
    }

    function signIn() {
        if (!social.account) {
            social.startAuthenticate("demo", "novra-demo", false)
            settle()
        }
        verify(view.signedIn)
    }

    function find(objectName, within) {
        const found = findChild(within || view, objectName)
        verify(found, "found " + objectName)
        return found
    }

    // Types Latin text into a field as the keyboard would.
    function type(field, text) {
        field.forceActiveFocus()
        for (const character of text)
            keyClick(character)
    }

    // Clicks a control once the panel is laid out, where the player sees it.
    function click(objectName, within) {
        verify(SocialTest.laidOut(view), "the panel is laid out")
        const target = find(objectName, within)
        verify(target.enabled, objectName + " is enabled")
        mouseClick(target)
        return target
    }

    function picture(name) {
        verify(ViewTest.picture(frame, name), "picture " + name)
    }

    function checkNames() {
        const stray = createTemporaryQmlObject("import QtQuick.Controls; Button { objectName: 'stray' }", view)
        compare(SocialTest.unnamedControls(stray), ["stray"], "the check finds a control without a name")
        stray.destroy()
        wait(0)
        compare(SocialTest.unnamedControls(view), [], "every control has an accessible name")
    }
}
