import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The launcher's menus: entries (QuietMenuItem, also for the menu's Actions) on a dark rounded
// surface.
Menu {
    padding: 5

    background: Rectangle {
        implicitWidth: 210
        radius: Theme.radiusControl
        color: Theme.raised
        border.width: 1
        border.color: Theme.outline
    }

    delegate: QuietMenuItem {}
}
