import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The launcher update banner: nothing without an offer; the offer's text, the progress while it
// installs and the reason of a failed attempt; the button off while anything runs; its layout.
Rectangle {
    id: window
    width: 900
    height: 260
    color: Theme.background

    Component {
        id: updaterComponent
        QtObject {
            property var available: ({ build: 12, release: { version: "2.1" } })
            property bool installing: false
            property string message: ""
            property string failure: ""
            property int installs: 0
            function install() { installs += 1 }
        }
    }

    Component { id: libraryComponent; LibraryStandIn {} }

    Component {
        id: bannerComponent
        LauncherUpdateView { width: window.width }
    }

    TestCase {
        name: "LauncherUpdateView"
        when: windowShown

        function banner(updaterState, libraryState) {
            const updater = createTemporaryObject(updaterComponent, window, updaterState || {})
            const library = createTemporaryObject(libraryComponent, window, libraryState || {})
            return createTemporaryObject(bannerComponent, window, { updater: updater, library: library })
        }

        function test_states_data() {
            const failed = "Обновление не установлено: Пакет загружен не полностью"
            return [
                { tag: "offered", updater: {}, library: {},
                  text: "Доступен NOVRA Launcher 2.1", failure: "", enabled: true },
                { tag: "installing", updater: { installing: true, message: "Загрузка обновления лаунчера…" },
                  library: { busy: "launcher-self-update" },
                  text: "Загрузка обновления лаунчера…", failure: "", enabled: false },
                { tag: "a game installs", updater: {}, library: { busy: "ember-run" },
                  text: "Доступен NOVRA Launcher 2.1", failure: "", enabled: false },
                { tag: "the library checks", updater: {}, library: { checking: true },
                  text: "Доступен NOVRA Launcher 2.1", failure: "", enabled: false },
                { tag: "failed", updater: { failure: failed, message: failed }, library: {},
                  text: "Доступен NOVRA Launcher 2.1", failure: failed, enabled: true },
            ]
        }

        function test_states(data) {
            const item = banner(data.updater, data.library)
            verify(item.visible)
            compare(findChild(item, "updateText").text, data.text)
            compare(findChild(item, "updateFailure").text, data.failure)
            compare(findChild(item, "updateFailure").visible, data.failure !== "")
            const button = findChild(item, "updateButton")
            compare(button.enabled, data.enabled)
            compare(button.Accessible.name, "Обновить и перезапустить")
            mouseClick(button)
            compare(item.updater.installs, data.enabled ? 1 : 0)
        }

        function test_nothing_without_an_offer() {
            const item = banner({ available: null })
            verify(!item.visible)
            compare(item.height, 0)
            item.updater.available = { build: 12, release: { version: "2.1" } }
            verify(item.visible)
            verify(item.height > 0)
        }

        // 12 points around and between the items, the accent colour at 15 % behind them.
        function test_layout() {
            const failure = "Обновление не установлено: Лаунчер не завершился; обновление не применено"
            const item = banner({ failure: failure })
            const text = findChild(item, "updateText")
            const button = findChild(item, "updateButton")
            const textAt = text.mapToItem(item, 0, 0)
            const buttonAt = button.mapToItem(item, 0, 0)
            compare(textAt.x, 12)
            compare(buttonAt.x + button.width, item.width - 12)
            verify(buttonAt.y >= 12 && buttonAt.y + button.height <= item.height - 12)
            fuzzyCompare(buttonAt.y + button.height / 2, item.height / 2, 1)
            verify(Qt.colorEqual(item.color, Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.15)))
            verify(ViewTest.picture(item, "launcher-update-banner"))
        }
    }
}
