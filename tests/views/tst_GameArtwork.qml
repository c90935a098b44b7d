import QtQuick
import QtTest
import Novra.Launcher
import Novra.ViewTest

// The artwork's fallbacks (cover, then screenshot, then icon on a dark area, then the gradient icon
// with the symbol) and a hidden artwork drawn when it appears, with a resources folder of the
// test's own holding solid colours.
Rectangle {
    id: window
    width: 900
    height: 420
    color: Theme.background

    Component {
        id: artworkComponent
        GameArtwork { width: 320; height: 180 }
    }

    Component {
        id: iconComponent
        GameIcon { size: 96 }
    }

    TestCase {
        name: "GameArtwork"
        when: windowShown

        readonly property string red: "#ff0000"
        readonly property string green: "#00ff00"
        readonly property string blue: "#0000ff"

        function game(id, symbol) {
            return { id: id, title: "Игра", summary: "", symbol: symbol || "flame.fill", category: "game" }
        }

        function centre(item) {
            return grabImage(item).pixel(item.width / 2, item.height / 2)
        }

        function corner(item) {
            return grabImage(item).pixel(12, 12)
        }

        function test_fallbacks_data() {
            return [
                { tag: "cover", images: { "covers/a": red, "screenshots/a": green, "icons/a": blue },
                  folder: "covers", centre: red, corner: red },
                { tag: "screenshot without a cover", images: { "screenshots/a": green, "icons/a": blue },
                  folder: "screenshots", centre: green, corner: green },
                { tag: "icon without either", images: { "icons/a": blue },
                  folder: "", centre: blue, corner: Theme.artworkEmpty },
                { tag: "images of another game", images: { "covers/b": red, "screenshots/b": green, "icons/b": blue },
                  folder: "", centre: null, corner: Theme.artworkEmpty },
            ]
        }

        function test_fallbacks(data) {
            ViewTest.useOwnResources(data.images)
            const artwork = createTemporaryObject(artworkComponent, window, { game: game("a") })
            compare(artwork.folder, data.folder)
            if (data.centre)
                verify(Qt.colorEqual(centre(artwork), data.centre), "centre " + centre(artwork))
            verify(Qt.colorEqual(corner(artwork), data.corner), "corner " + corner(artwork))
            ViewTest.picture(artwork, "artwork-" + data.tag.replace(/ /g, "-"))
        }

        // Without an icon image the icon is the accent gradient with the game's symbol on it: the
        // symbol's white shows at the centre, the accent near the top, the dark shade near the bottom.
        function test_gradient_icon() {
            ViewTest.useOwnResources({})
            const icon = createTemporaryObject(iconComponent, window, { game: game("ember-run", "flame.fill") })
            const image = grabImage(icon)
            const accent = Presentation.color("ember-run")
            const top = image.pixel(48, 4)
            verify(Math.abs(top.r - accent.r) < 0.12 && Math.abs(top.g - accent.g) < 0.12, "top " + top)
            const bottom = image.pixel(48, 92)
            verify(bottom.r < 0.35 && bottom.g < 0.35, "bottom " + bottom)
            verify(image.pixel(48, 48).r > 0.9 && image.pixel(48, 48).g > 0.9, "symbol " + image.pixel(48, 48))
            ViewTest.picture(icon, "icon-gradient")
        }

        // Every game's icon from the bundle at the sidebar's size and larger, and the drawn icons of
        // games without images.
        function test_picture_of_icons() {
            ViewTest.useBundleResources()
            const ids = ["quiet-marsh", "ember-run", "paper-kings", "orbit-post", "salt-and-iron", "night-ferry",
                         "glass-garden", "tin-orchestra", "lantern-keep", "copper-hills", "small-hours",
                         "frost-signal", "polar-bloom", "static-tide"]
            ids.forEach((id, i) => {
                createTemporaryObject(iconComponent, window, { game: ViewTest.game(id), size: 24, x: 16 + i * 34, y: 16 })
                createTemporaryObject(iconComponent, window, { game: ViewTest.game(id), size: 56, x: 16 + i * 62, y: 56 })
            })
            const symbols = ["gamecontroller.fill", "sparkles", "waveform", "leaf.fill"]
            symbols.forEach((symbol, i) => createTemporaryObject(iconComponent, window,
                { game: game("new-" + i, symbol), size: 56, x: 16 + i * 62, y: 128 }))
            verify(ViewTest.picture(window, "icons"))
        }

        // A hidden image draws nothing; it draws when it appears, by itself or with its parent.
        function test_hidden_artwork_draws_when_shown_data() {
            return [{ tag: "itself" }, { tag: "with its parent", parent: true }]
        }

        function test_hidden_artwork_draws_when_shown(data) {
            ViewTest.useOwnResources({ "covers/a": red })
            const holder = createTemporaryQmlObject("import QtQuick; Item { width: 320; height: 180 }", window)
            const artwork = createTemporaryObject(artworkComponent, holder, { game: game("a") })
            const hidden = data.parent ? holder : artwork
            hidden.visible = false
            waitForRendering(window)
            hidden.visible = true
            verify(Qt.colorEqual(centre(artwork), red), "centre " + centre(artwork))
        }
    }
}
