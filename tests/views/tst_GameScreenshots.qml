import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The screenshot strip: its thumbnails, captions and help texts in order, nothing at all for a
// game without screenshots, and the viewer sheet opened by a click and closed by "Закрыть" or
// Escape.
Rectangle {
    id: window
    width: 1060
    height: 720
    color: Theme.background

    Component {
        id: stripComponent
        GameScreenshots { x: 30; y: 30; width: 1000 }
    }

    TestCase {
        name: "GameScreenshots"
        when: windowShown

        readonly property var captions: ["Причал перед отплытием", "Пассажиры на верхней палубе", "Огни на другом берегу"]

        function initTestCase() {
            ViewTest.useBundleResources()
        }

        function thumbnail(strip, number) {
            return findChild(strip, "thumbnail-night-ferry-" + number)
        }

        function test_thumbnails() {
            const strip = createTemporaryObject(stripComponent, window, { game: ViewTest.game("night-ferry") })
            verify(strip.visible)
            for (let i = 0; i < 3; ++i) {
                const item = thumbnail(strip, i + 1)
                verify(item, "thumbnail " + (i + 1))
                compare(item.Accessible.name, "Открыть кадр: " + captions[i])
                if (i > 0)
                    verify(item.mapToItem(strip, 0, 0).x > thumbnail(strip, i).mapToItem(strip, 0, 0).x)
            }
            const tip = findChild(thumbnail(strip, 2), "tip")
            mouseMove(thumbnail(strip, 2), 60, 40)
            tryCompare(tip, "visible", true)
            compare(tip.text, "Открыть кадр: Пассажиры на верхней палубе")
            ViewTest.picture(window, "screenshots-strip")
        }

        function test_game_without_screenshots_takes_no_space() {
            const strip = createTemporaryObject(stripComponent, window, { game: ViewTest.game("ember-run") })
            verify(!strip.visible)
            compare(strip.height, 0)
        }

        function test_viewer() {
            const strip = createTemporaryObject(stripComponent, window, { game: ViewTest.game("night-ferry") })
            mouseClick(thumbnail(strip, 3))
            compare(strip.openScreenshot.name, "night-ferry-3")
            const viewer = findChild(strip, "viewer")
            verify(viewer.opened)
            const caption = findChild(viewer.contentItem, "viewerCaption")
            compare(caption.text, "Огни на другом берегу")
            ViewTest.picture(window, "screenshot-viewer")
            keyClick(Qt.Key_Escape)
            compare(strip.openScreenshot, null)
            tryCompare(viewer, "visible", false)

            mouseClick(thumbnail(strip, 1))
            compare(caption.text, "Причал перед отплытием")
            mouseClick(findChild(viewer.contentItem, "viewerClose"))
            compare(strip.openScreenshot, null)
            tryCompare(viewer, "visible", false)
        }
    }
}
