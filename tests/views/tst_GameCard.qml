import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The card's lines in each state, its selection border and hover mark, and its one action from
// the pointer, Return and Space.
Rectangle {
    id: window
    width: 1180
    height: 540
    color: Theme.background

    Component { id: libraryComponent; LibraryStandIn {} }

    Component {
        id: cardComponent
        GameCard { width: 360; reduceMotion: true }
    }

    SignalSpy { id: clicks; signalName: "clicked" }

    TestCase {
        name: "GameCard"
        when: windowShown

        function initTestCase() {
            ViewTest.useBundleResources()
        }

        function card(id, state, properties) {
            const library = createTemporaryObject(libraryComponent, window, state)
            const entry = ViewTest.game(id)
            return createTemporaryObject(cardComponent, window,
                                         Object.assign({ game: entry.id ? entry : { id: id, title: "Новая игра", symbol: "gamecontroller.fill" },
                                                         library: library }, properties || {}))
        }

        function test_lines_data() {
            return [
                { tag: "available", id: "paper-kings", state: {},
                  line: "Карточная дуэль", lineColor: Theme.grey, installed: false },
                { tag: "installed", id: "small-hours", state: { installed: { "small-hours": {} } },
                  line: "Словесная игра", lineColor: Theme.grey, installed: true },
                { tag: "linked", id: "quiet-marsh", state: { linked: { "quiet-marsh": "/Apps/Velmora.app" } },
                  line: "Атмосферное приключение", lineColor: Theme.grey, installed: true },
                { tag: "update", id: "lantern-keep", state: { installed: { "lantern-keep": {} }, updates: ["lantern-keep"] },
                  line: "Доступно обновление", lineColor: Presentation.color("lantern-keep"), installed: true },
            ]
        }

        function test_lines(data) {
            const item = card(data.id, data.state)
            const line = findChild(item, "cardLine")
            compare(line.text, data.line)
            verify(Qt.colorEqual(line.color, data.lineColor))
            compare(findChild(item, "cardTitle").text, ViewTest.game(data.id).title)
            compare(findChild(item, "cardInstalled").visible, data.installed)
            compare(item.Accessible.name, ViewTest.game(data.id).title)
        }

        // An install that ends while the card is shown: the card follows the model's maps, also for
        // an update answer that the model computes without a property of its own.
        function test_follows_the_library() {
            const item = card("copper-hills", {})
            let update = false
            item.library.rule = id => update
            verify(!findChild(item, "cardInstalled").visible)
            update = true
            item.library.installed = { "copper-hills": {} }
            verify(findChild(item, "cardInstalled").visible)
            compare(findChild(item, "cardLine").text, "Доступно обновление")
        }

        function test_selection_and_hover() {
            const item = card("copper-hills", {}, { selected: true })
            const border = findChild(item, "selectionBorder")
            verify(border.visible)
            verify(Qt.colorEqual(border.border.color, Presentation.color("copper-hills")))
            item.selected = false
            verify(!border.visible)
            const mark = findChild(item, "openMark")
            verify(!mark.visible)
            mouseMove(item, item.width / 2, 60)
            tryCompare(mark, "opacity", 1)
            mouseMove(window, window.width - 2, window.height - 2)
            tryCompare(mark, "visible", false)
        }

        function test_activation() {
            const item = card("ember-run", {})
            clicks.target = item
            clicks.clear()
            mouseClick(item, 30, item.height - 20)
            item.forceActiveFocus()
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Space)
            compare(clicks.count, 3)
        }

        // A picture of the grid: every state side by side, and a game without images of its own.
        function test_picture() {
            const grid = [
                card("ember-run", {}, { x: 20, y: 20, selected: true }),
                card("lantern-keep", { installed: { "lantern-keep": {} }, updates: ["lantern-keep"] }, { x: 400, y: 20 }),
                card("small-hours", { installed: { "small-hours": {} } }, { x: 780, y: 20 }),
                card("polar-bloom", {}, { x: 20, y: 280 }),
                card("salt-and-iron", {}, { x: 400, y: 280 }),
                card("brand-new-game", {}, { x: 780, y: 280 }),
            ]
            mouseMove(grid[4], 100, 60)
            verify(ViewTest.picture(window, "cards"))
        }
    }
}
