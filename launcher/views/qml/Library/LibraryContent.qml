import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Novra.Launcher

// The library part of the content: the filter tabs, the search, "Проверить обновления", and
// below them either the games (hero, screenshots, grid) or the empty state that says why there
// are none.
Item {
    id: content

    // The library model: checking, busy, refresh() and what the game views read.
    property var model: null
    property string section: ""
    property string filter: ""
    property string search: ""
    property var games: []
    property var selectedGame: null
    property bool reduceMotion: false

    signal filterChosen(string filter)
    signal searchEdited(string text)
    signal gameChosen(string id)

    function focusSearch() {
        searchField.forceActiveFocus()
        searchField.selectAll()
    }

    Item {
        id: toolbar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: Theme.contentPadding
        anchors.rightMargin: Theme.contentPadding
        height: 56

        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 1
            color: Theme.separator
        }

        Row {
            id: tabs
            anchors.bottom: parent.bottom
            spacing: 24

            Repeater {
                model: LibraryState.filters

                FilterTab {
                    required property string modelData
                    objectName: "filter-" + LibraryState.filters.indexOf(modelData)
                    text: LibraryState.filterTitle(modelData, content.section)
                    active: content.filter === modelData
                    onClicked: content.filterChosen(modelData)
                }
            }
        }

        RowLayout {
            anchors.right: parent.right
            anchors.left: tabs.right
            anchors.leftMargin: 24
            anchors.verticalCenter: tabs.verticalCenter
            spacing: 10

            Item { Layout.fillWidth: true }

            SearchField {
                id: searchField
                objectName: "searchField"
                Layout.fillWidth: true
                Layout.maximumWidth: 260
                Layout.minimumWidth: 150
                placeholderText: LibraryState.searchPlaceholder(content.section)
                text: content.search
                onTextEdited: content.searchEdited(text)
            }

            QuietButton {
                objectName: "refreshButton"
                text: "Проверить обновления"
                symbol: "arrow.clockwise"
                enabled: !!content.model && !content.model.checking && !content.model.busy
                onClicked: content.model.refresh()
            }
        }
    }

    EmptyState {
        objectName: "emptyState"
        anchors.top: toolbar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        visible: content.games.length === 0
        message: LibraryState.emptyState(content.filter, content.section, content.search)
    }

    GameGrid {
        id: grid
        objectName: "games"
        anchors.top: toolbar.bottom
        anchors.topMargin: 22
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.leftMargin: Theme.contentPadding
        // One column gap past the content's edge: see GameGrid.
        width: parent.width - 2 * Theme.contentPadding + Theme.gridColumnSpacing
        visible: content.games.length > 0
        library: content.model
        games: content.games
        selectedGame: content.selectedGame
        reduceMotion: content.reduceMotion
        onGameChosen: id => {
            content.gameChosen(id)
            grid.scrollToTop()
        }
    }
}
