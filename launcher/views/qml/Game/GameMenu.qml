import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The hero's "Ещё" button of an installed or linked game and its menu: check the files, repair
// them, return to the previous version, free the space of older versions, remove the game (after a
// confirmation). The entries wait while the library is busy or checking.
IconButton {
    id: button

    property var game: null
    // The library model: linked, installed, previousVersions, busy, checking and the operations
    // verify, repair, rollBack, reclaim and remove, which take a game identifier.
    property var library: null

    readonly property string gameId: game ? game.id : ""
    readonly property bool linked: has(library ? library.linked : null)
    // Installed in the library folder; a linked game plays its own application instead.
    readonly property bool inLibrary: !linked && has(library ? library.installed : null)
    readonly property bool idle: !!library && !library.busy && !library.checking

    function has(map) {
        return !!map && map[gameId] !== undefined && map[gameId] !== null
    }

    objectName: "heroMenuButton"
    visible: linked || inLibrary
    symbol: "ellipsis"
    help: "Ещё"

    onClicked: menu.make().opened ? menu.item.close() : menu.item.open()

    // The menu and the question before removing are made when first opened.
    KeptLoader {
        id: menu
        sourceComponent: QuietMenu {
            objectName: "heroMenu"
            y: button.height + 6
            implicitWidth: 260

            QuietMenuItem {
                objectName: "menuVerify"
                text: "Проверить файлы"
                shown: button.inLibrary
                enabled: button.idle
                onTriggered: button.library.verify(button.gameId)
            }
            QuietMenuItem {
                objectName: "menuRepair"
                text: "Восстановить файлы"
                shown: button.inLibrary
                enabled: button.idle
                onTriggered: button.library.repair(button.gameId)
            }
            QuietMenuItem {
                objectName: "menuRollBack"
                text: "Вернуть предыдущую версию"
                shown: button.inLibrary && button.has(button.library.previousVersions)
                enabled: button.idle
                onTriggered: button.library.rollBack(button.gameId)
            }
            QuietMenuItem {
                objectName: "menuReclaim"
                text: "Освободить место"
                shown: button.inLibrary
                enabled: button.idle
                onTriggered: button.library.reclaim(button.gameId)
            }
            MenuSeparator {
                visible: button.inLibrary
                height: visible ? implicitHeight : 0
                contentItem: Rectangle { implicitHeight: 1; color: Theme.separator }
            }
            QuietMenuItem {
                objectName: "menuRemove"
                text: "Удалить игру"
                tint: Theme.warning
                enabled: button.idle
                onTriggered: confirmation.make().open()
            }
        }
    }

    KeptLoader {
        id: confirmation
        sourceComponent: RemoveConfirmation {
            game: button.game
            linked: button.linked
            onConfirmed: button.library.remove(button.gameId)
        }
    }
}
