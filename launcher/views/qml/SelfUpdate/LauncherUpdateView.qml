import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Novra.Launcher

// The offer of a newer launcher at the top of the library's content; nothing at all while none is
// offered. While the update installs, the row shows how far it has got; after a failed attempt
// the reason stays under the offer until the next attempt.
Rectangle {
    id: banner

    // The launcher's update model and the library model (their checking and busy marker keep the
    // button off).
    property var updater: LauncherSelfUpdate
    property var library: LibraryModel

    readonly property bool offered: !!updater && !!updater.available

    visible: offered
    implicitWidth: row.implicitWidth + 2 * Theme.spacing
    implicitHeight: offered ? row.implicitHeight + 2 * Theme.spacing : 0
    color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.15)

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: Theme.spacing
        spacing: Theme.spacing

        Column {
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            spacing: 2

            Text {
                objectName: "updateText"
                width: parent.width
                text: !banner.offered ? ""
                      : banner.updater.installing ? banner.updater.message
                      : "Доступен NOVRA Launcher " + banner.updater.available.release.version
                color: Theme.text
                font.family: Theme.sans
                font.pixelSize: 13
                font.weight: Font.DemiBold
                elide: Text.ElideRight
            }
            Text {
                objectName: "updateFailure"
                width: parent.width
                visible: text !== ""
                text: banner.offered && !banner.updater.installing && banner.updater.failure
                      ? banner.updater.failure : ""
                color: Theme.warning
                font.family: Theme.sans
                font.pixelSize: 11
                wrapMode: Text.Wrap
            }
        }

        QuietButton {
            objectName: "updateButton"
            Layout.alignment: Qt.AlignVCenter
            text: "Обновить и перезапустить"
            tint: Theme.accent
            enabled: banner.offered && !banner.updater.installing
                     && !banner.library.busy && !banner.library.checking
            onClicked: banner.updater.install()
        }
    }
}
