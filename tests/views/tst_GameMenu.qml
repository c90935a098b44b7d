import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The hero's menu of an installed or linked game: which entries it offers in each state, what each
// entry asks of the library, the confirmation before a removal, and the size on disk beside "Играть".
// The library is a stand-in with the model's properties.
Rectangle {
    id: window
    width: 1040
    height: 560
    color: Theme.background

    Component { id: libraryComponent; LibraryStandIn {} }

    Component {
        id: heroComponent
        GameHero { x: 20; y: 20; width: 1000; height: 340; reduceMotion: true }
    }

    TestCase {
        name: "GameMenu"
        when: windowShown

        readonly property var installedEmber: ({ "ember-run": { directory: "v2" } })
        readonly property var entryNames: ["menuVerify", "menuRepair", "menuRollBack", "menuReclaim", "menuRemove"]

        function initTestCase() {
            ViewTest.useBundleResources()
        }

        function makeHero(id, state) {
            const game = ViewTest.game(id)
            game.release = { version: "2.0", bytes: 1500000000, sha256: "a".repeat(64) }
            const library = createTemporaryObject(libraryComponent, window, state)
            return createTemporaryObject(heroComponent, window, { game: game, library: library })
        }

        // Opens the menu and answers its entries that are shown: [[text, enabled], ...].
        function openMenu(hero) {
            const button = findChild(hero, "heroMenuButton")
            verify(button.visible)
            mouseClick(button)
            const menu = findChild(hero, "heroMenu")
            tryVerify(() => menu.opened)
            const shown = []
            for (const name of entryNames) {
                const entry = findChild(menu, name)
                if (entry.visible)
                    shown.push([entry.text, entry.enabled])
            }
            return shown
        }

        function test_entries_data() {
            const all = enabled => [["Проверить файлы", enabled], ["Восстановить файлы", enabled],
                                    ["Освободить место", enabled], ["Удалить игру", enabled]]
            const withRollBack = [["Проверить файлы", true], ["Восстановить файлы", true],
                                  ["Вернуть предыдущую версию", true], ["Освободить место", true], ["Удалить игру", true]]
            return [
                { tag: "installed", state: { installed: installedEmber }, entries: all(true) },
                { tag: "installed with a previous version",
                  state: { installed: installedEmber, previousVersions: { "ember-run": { directory: "v1" } },
                           sizes: { "ember-run": 3260000000 } },
                  entries: withRollBack, picture: "hero-menu" },
                { tag: "linked", state: { linked: { "ember-run": "/Games/Ember.app" }, installed: installedEmber },
                  entries: [["Удалить игру", true]] },
                { tag: "another game installing", state: { installed: installedEmber, busy: "night-ferry" },
                  entries: all(false) },
                { tag: "checking", state: { installed: installedEmber, checking: true }, entries: all(false) },
            ]
        }

        function test_entries(data) {
            const hero = makeHero("ember-run", data.state)
            const button = findChild(hero, "heroMenuButton")
            compare(button.Accessible.name, "Ещё")
            compare(openMenu(hero), data.entries)
            if (data.picture)
                verify(ViewTest.picture(window, data.picture))
        }

        function test_not_installed_has_no_menu() {
            verify(!findChild(makeHero("ember-run", {}), "heroMenuButton").visible)
        }

        function test_actions_data() {
            return [
                { tag: "verify", entry: "menuVerify", call: "verify ember-run" },
                { tag: "repair", entry: "menuRepair", call: "repair ember-run" },
                { tag: "roll back", entry: "menuRollBack", call: "rollBack ember-run" },
                { tag: "reclaim", entry: "menuReclaim", call: "reclaim ember-run" },
            ]
        }

        function test_actions(data) {
            const hero = makeHero("ember-run", { installed: installedEmber, previousVersions: { "ember-run": {} } })
            openMenu(hero)
            const menu = findChild(hero, "heroMenu")
            mouseClick(findChild(menu, data.entry))
            compare(hero.library.calls, [data.call])
            tryVerify(() => !menu.opened)
        }

        // Removing asks first; only "Удалить" removes, and the text says where the saves stay.
        function test_remove_asks_first_data() {
            return [
                { tag: "installed", state: { installed: installedEmber },
                  detail: "Все версии игры будут удалены из библиотеки. Сохранения останутся там, где их хранит игра.",
                  picture: "hero-remove-confirmation" },
                { tag: "linked", state: { linked: { "ember-run": "/Games/Ember.app" } },
                  detail: "Лаунчер забудет приложение игры; само приложение останется на диске. Сохранения останутся там, где их хранит игра." },
            ]
        }

        function test_remove_asks_first(data) {
            const hero = makeHero("ember-run", data.state)
            for (const answer of ["removeCancel", "escape", "removeConfirm"]) {
                openMenu(hero)
                mouseClick(findChild(findChild(hero, "heroMenu"), "menuRemove"))
                // The question is made when first asked.
                const confirmation = findChild(hero, "removeConfirmation")
                tryVerify(() => confirmation.opened)
                compare(hero.library.calls, [])
                compare(findChild(confirmation, "removeQuestion").text, "Удалить игру «Угольный забег»?")
                compare(findChild(confirmation, "removeDetail").text, data.detail)
                if (answer === "escape") {
                    keyClick(Qt.Key_Escape)
                } else {
                    if (data.picture && answer === "removeConfirm")
                        verify(ViewTest.picture(window, data.picture))
                    mouseClick(findChild(confirmation, answer))
                }
                tryVerify(() => !confirmation.opened)
            }
            compare(hero.library.calls, ["remove ember-run"])
        }

        // Beside "Играть": the space the game takes once it has been measured.
        function test_size_on_disk() {
            const hero = makeHero("ember-run", { installed: installedEmber })
            const size = findChild(hero, "heroSize")
            verify(!size.visible)
            hero.library.sizes = { "ember-run": 1500000000 }
            verify(size.visible)
            compare(size.text, "На диске 1,5 ГБ")
        }
    }
}
