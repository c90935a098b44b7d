import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The content of the library window: the sidebar on the left; on the right the launcher's update
// banner, then the library of the section (or the friends panel), and the download bar while
// something installs. The alert of a failed action and the settings sheet open over it.
//
// The view keeps the section, the filter tab, the search text and whether the settings sheet is
// shown; everything else it derives from the models on each change.
Item {
    id: view
    objectName: "libraryView"

    // The library model.
    property var model: null
    // The social model: its unreadCount makes the friends badge.
    property var social: null
    // The launcher's own update model, for the banner.
    property var updater: null
    property bool reduceMotion: false

    property string section: LibraryState.LauncherSection.library
    property string filter: LibraryState.LibraryFilter.all
    property string search: ""
    property bool showSettings: false

    readonly property var collection: LibraryState.collection(model ? model.libraryGames : [], section)
    readonly property var visibleGames: LibraryState.visibleGames(model, collection, search, filter)
    readonly property var selectedGame: LibraryState.selectedGame(visibleGames, model ? model.selected : "")
    readonly property int unreadCount: social ? social.unreadCount : 0

    onShowSettingsChanged: {
        if (showSettings) {
            settings.make().open()
        } else if (settings.item) {
            settings.item.close()
        }
    }
    onSectionChanged: {
        filter = LibraryState.LibraryFilter.all
        search = ""
    }

    // The window has appeared: the library is checked.
    function appeared() {
        if (model)
            model.refresh()
    }

    // The window was closed: the next time it appears, the view starts as new.
    function reset() {
        section = LibraryState.LauncherSection.library
        filter = LibraryState.LibraryFilter.all
        search = ""
        showSettings = false
    }

    function openFriends() {
        section = LibraryState.LauncherSection.friends
    }

    // A game of the sidebar's collection: its section, all of it, and the game in the hero.
    function showGame(game) {
        section = GameState.isDemo(game) ? LibraryState.LauncherSection.demos : LibraryState.LauncherSection.library
        filter = LibraryState.LibraryFilter.all
        search = ""
        model.selected = game.id
    }

    function focusSearch() {
        if (section === LibraryState.LauncherSection.friends)
            section = LibraryState.LauncherSection.library
        library.focusSearch()
    }

    Sidebar {
        id: sidebar
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Theme.sidebarWidth
        model: view.model
        section: view.section
        collection: view.collection
        selectedGame: view.selectedGame
        unreadCount: view.unreadCount
        reduceMotion: view.reduceMotion
        onSectionChosen: chosen => view.section = chosen
        onGameChosen: game => view.showGame(game)
        onSettingsRequested: view.showSettings = true
    }

    // Above every section: the offer of a newer launcher, when there is one.
    LauncherUpdateView {
        id: top
        objectName: "updateBanner"
        anchors.left: sidebar.right
        anchors.right: parent.right
        anchors.top: parent.top
        updater: view.updater
        library: view.model
    }

    LibraryContent {
        id: library
        anchors.left: sidebar.right
        anchors.right: parent.right
        anchors.top: top.bottom
        anchors.topMargin: 10
        anchors.bottom: downloadBar.visible ? downloadBar.top : parent.bottom
        visible: view.section !== LibraryState.LauncherSection.friends
        model: view.model
        section: view.section
        filter: view.filter
        search: view.search
        games: view.visibleGames
        selectedGame: view.selectedGame
        reduceMotion: view.reduceMotion
        onFilterChosen: chosen => view.filter = chosen
        onSearchEdited: text => view.search = text
        onGameChosen: id => view.model.selected = id
    }

    // The friends panel, made the first time the section is opened and kept afterwards (with what
    // the player typed in it); hidden, it tells the social model that the chat is not on screen.
    KeptLoader {
        id: friends
        objectName: "friendsArea"
        anchors.fill: library
        anchors.topMargin: 12
        anchors.leftMargin: Theme.contentPadding
        anchors.rightMargin: Theme.contentPadding
        anchors.bottomMargin: Theme.contentPadding
        visible: view.section === LibraryState.LauncherSection.friends
        needed: visible
        sourceComponent: SocialView {
            objectName: "socialView"
            social: view.social
            games: view.model ? view.model.libraryGames : []
        }
    }

    DownloadBar {
        id: downloadBar
        objectName: "downloadBar"
        anchors.left: sidebar.right
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        visible: shown
        model: view.model
    }

    // The alert and the settings sheet are made when first needed (the first error, the first
    // opening) and kept afterwards.
    KeptLoader {
        needed: !!view.model && view.model.error !== ""
        sourceComponent: ErrorAlert {
            objectName: "errorAlert"
            model: view.model
        }
    }

    KeptLoader {
        id: settings
        sourceComponent: SettingsView {
            objectName: "settingsSheet"
            model: view.model
            reduceMotion: view.reduceMotion
            onClosed: view.showSettings = false
        }
    }
}
