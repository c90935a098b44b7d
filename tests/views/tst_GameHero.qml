import QtQuick
import QtQuick.Window
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The hero's primary button in every state of the library, its size text, the install progress,
// and the drift that reduce-motion stops. The library is a stand-in with the model's properties.
Rectangle {
    id: window
    width: 1040
    height: 400
    color: Theme.background

    Component { id: libraryComponent; LibraryStandIn {} }

    Component {
        id: otherWindow
        Window { width: 200; height: 100; visible: true }
    }

    Component {
        id: heroComponent
        GameHero { x: 20; y: 20; width: 1000; height: 340 }
    }

    TestCase {
        name: "GameHero"
        when: windowShown

        readonly property var release: ({ version: "1.0", bytes: 1500000000, sha256: "a".repeat(64) })

        function game(id, published) {
            const entry = ViewTest.game(id)
            if (published !== false)
                entry.release = release
            return entry
        }

        function makeHero(gameEntry, state, reduceMotion) {
            const library = createTemporaryObject(libraryComponent, window, state)
            const hero = createTemporaryObject(heroComponent, window,
                                               { game: gameEntry, library: library, reduceMotion: reduceMotion !== false })
            return hero
        }

        function initTestCase() {
            ViewTest.useBundleResources()
        }

        function test_button_data() {
            const record = { "ember-run": { directory: "v1" } }
            return [
                { tag: "not installed", id: "ember-run", state: {},
                  title: "Установить", symbol: "arrow.down", enabled: true, size: "1,5 ГБ", click: "install ember-run",
                  picture: "hero-install" },
                { tag: "not installed, no release", id: "ember-run", published: false, state: {},
                  title: "Установить", enabled: false, size: "" },
                { tag: "not installed, another game installing", id: "ember-run", state: { busy: "night-ferry" },
                  title: "Установить", enabled: false, size: "1,5 ГБ" },
                { tag: "not installed, checking", id: "ember-run", state: { checking: true },
                  title: "Установить", enabled: false, size: "1,5 ГБ" },
                { tag: "installed", id: "ember-run", state: { installed: record },
                  title: "Играть", symbol: "play.fill", enabled: true, size: "", click: "play ember-run" },
                { tag: "installed, another game installing", id: "ember-run",
                  state: { installed: record, busy: "night-ferry", checking: false },
                  title: "Играть", enabled: true, size: "", click: "play ember-run" },
                { tag: "installed demo", id: "frost-signal", state: { installed: { "frost-signal": {} } },
                  title: "Смотреть", symbol: "play.fill", enabled: true, size: "", click: "play frost-signal",
                  picture: "hero-demo" },
                { tag: "linked", id: "quiet-marsh", published: false, state: { linked: { "quiet-marsh": "/Apps/Velmora.app" } },
                  title: "Играть", enabled: true, size: "", click: "play quiet-marsh", picture: "hero-linked-serif" },
                { tag: "update", id: "ember-run", state: { installed: record, updates: ["ember-run"] },
                  title: "Обновить", symbol: "arrow.down", enabled: true, size: "1,5 ГБ", click: "install ember-run" },
                { tag: "update during a refresh", id: "night-ferry",
                  state: { installed: { "night-ferry": {} }, updates: ["night-ferry"], checking: true },
                  title: "Обновить", enabled: false, size: "1,5 ГБ", picture: "hero-update-checking" },
            ]
        }

        function test_button(data) {
            const hero = makeHero(game(data.id, data.published), data.state)
            const button = findChild(hero, "heroButton")
            compare(button.text, data.title)
            compare(button.enabled, data.enabled)
            if (data.symbol)
                compare(button.symbol, data.symbol)
            const size = findChild(hero, "heroSize")
            compare(size.visible ? size.text : "", data.size)
            mouseClick(button)
            compare(hero.library.calls, data.click ? [data.click] : [])
            if (data.picture)
                ViewTest.picture(hero, data.picture)
        }

        // While the game installs: a spinner and the phase beside the (disabled) button.
        function test_install_progress() {
            const hero = makeHero(game("orbit-post"), { busy: "orbit-post", phase: "Скачивание" })
            const progress = findChild(hero, "heroProgress")
            verify(progress.visible)
            verify(findChild(hero, "heroButton").enabled === false)
            ViewTest.picture(hero, "hero-installing")
            hero.library.busy = "night-ferry"
            verify(!progress.visible)
        }

        function test_title_faces() {
            compare(findChild(makeHero(game("quiet-marsh", false), {}), "heroTitle").font.family, "Noto Serif")
            const title = findChild(makeHero(game("paper-kings"), {}), "heroTitle")
            compare(title.font.family, "Noto Sans")
            compare(title.font.pixelSize, 44)
        }

        // The drift follows 5 × sin(t ÷ 9) while motion is welcome, t running on; with reduce-motion
        // it is 0 and t stands still.
        function test_drift() {
            const hero = makeHero(game("glass-garden"), {}, false)
            const artwork = findChild(hero, "heroArtwork")
            const expected = () => Math.round(5 * Math.sin(hero.clock / 9) * 4) / 4
            verify(hero.drifting)
            const start = hero.clock
            tryVerify(() => hero.clock > start + 0.2, 1000)
            compare(hero.driftOffset, expected())
            compare(artwork.shiftX, hero.driftOffset)

            hero.reduceMotion = true
            verify(!hero.drifting)
            compare(hero.driftOffset, 0)
            compare(artwork.shiftX, 0)
            const still = hero.clock
            wait(150)
            compare(hero.clock, still)
        }

        // Another window in front pauses the drift where it is; back in front, it runs on.
        function test_drift_pauses_while_the_window_is_inactive() {
            const hero = makeHero(game("glass-garden"), {}, false)
            verify(hero.drifting)
            const other = createTemporaryObject(otherWindow, null)
            other.requestActivate()
            tryVerify(() => !hero.drifting)
            const paused = hero.clock
            wait(150)
            compare(hero.clock, paused)
            compare(hero.driftOffset, Math.round(5 * Math.sin(paused / 9) * 4) / 4)
            hero.Window.window.requestActivate()
            tryVerify(() => hero.drifting)
            tryVerify(() => hero.clock > paused, 1000)
            verify(hero.clock - paused < 0.5, "no jump after the pause")
        }

        // The hero in the narrowest content area of the window.
        function test_picture_narrow() {
            const hero = makeHero(game("salt-and-iron"), {})
            hero.width = 760
            verify(ViewTest.picture(hero, "hero-narrow"))
        }
    }
}
