import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The library window's left column, top to bottom: the studio's name, the sections (the friends
// item with its unread badge), "МОЯ КОЛЛЕКЦИЯ" with the games of the section, the state of the
// build source and "Настройки".
Rectangle {
    id: sidebar

    // The library model: checking, online, hasUpdate(id).
    property var model: null
    property string section: ""
    // The games of the section, and the one shown in the hero.
    property var collection: []
    property var selectedGame: null
    property int unreadCount: 0
    property bool reduceMotion: false

    signal sectionChosen(string section)
    signal gameChosen(var game)
    signal settingsRequested()

    color: Theme.sidebar

    Rectangle {
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: Theme.separator
    }

    Row {
        id: header
        objectName: "sidebarHeader"
        x: 22
        y: 26
        spacing: 4

        Text {
            id: name
            text: "NOVRA"
            color: Theme.text
            font.family: Theme.sans
            font.pixelSize: 25
            font.weight: Font.Black
            font.letterSpacing: -1.5
        }

        Rectangle {
            y: name.baselineOffset - height
            width: 6
            height: 6
            radius: 3
            color: Theme.accent
        }
    }

    Column {
        id: sections
        anchors.top: header.bottom
        anchors.topMargin: 24
        x: 12
        width: parent.width - 24
        spacing: 2

        Repeater {
            model: LibraryState.sections

            SectionItem {
                required property var modelData
                objectName: "section-" + modelData.section
                width: sections.width
                text: modelData.title
                symbol: modelData.symbol
                active: sidebar.section === modelData.section
                badge: modelData.section === LibraryState.LauncherSection.friends ? sidebar.unreadCount : 0
                reduceMotion: sidebar.reduceMotion
                onClicked: sidebar.sectionChosen(modelData.section)
            }
        }
    }

    Text {
        id: caption
        anchors.top: sections.bottom
        anchors.topMargin: 26
        x: 22
        text: "МОЯ КОЛЛЕКЦИЯ"
        color: Theme.grey
        font.family: Theme.sans
        font.pixelSize: 9
        font.weight: Font.DemiBold
        font.letterSpacing: 1.6
    }

    ListView {
        id: list
        objectName: "collection"
        anchors.top: caption.bottom
        anchors.topMargin: 10
        anchors.bottom: footer.top
        anchors.bottomMargin: 8
        x: 12
        width: parent.width - 24
        clip: true
        spacing: 2
        boundsBehavior: Flickable.StopAtBounds
        model: sidebar.collection
        activeFocusOnTab: false

        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

        delegate: CollectionRow {
            required property var modelData
            objectName: "collection-" + modelData.id
            width: list.width
            game: modelData
            selected: !!sidebar.selectedGame && sidebar.selectedGame.id === modelData.id
            updateAvailable: GameState.hasUpdate(sidebar.model, modelData)
            reduceMotion: sidebar.reduceMotion
            onClicked: sidebar.gameChosen(modelData)
        }
    }

    Column {
        id: footer
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 14
        x: 12
        width: parent.width - 24
        spacing: 8

        Rectangle {
            width: parent.width
            height: 1
            color: Theme.separator
        }

        Row {
            objectName: "statusLine"
            x: 10
            height: 22
            spacing: 8

            readonly property bool online: !!sidebar.model && sidebar.model.online

            Rectangle {
                objectName: "statusDot"
                anchors.verticalCenter: parent.verticalCenter
                width: 5
                height: 5
                radius: 2.5
                color: parent.online ? Theme.accent : Theme.grey
            }

            Text {
                objectName: "statusText"
                anchors.verticalCenter: parent.verticalCenter
                text: !sidebar.model ? ""
                    : sidebar.model.checking ? "Проверяем обновления"
                    : sidebar.model.online ? "Библиотека обновлена" : "Автономный режим"
                color: Theme.grey
                font.family: Theme.sans
                font.pixelSize: 11
            }
        }

        SectionItem {
            objectName: "settingsButton"
            width: parent.width
            text: "Настройки"
            symbol: "gearshape"
            reduceMotion: sidebar.reduceMotion
            onClicked: sidebar.settingsRequested()
        }
    }
}
