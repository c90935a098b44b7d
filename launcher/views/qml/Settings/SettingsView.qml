import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The settings sheet: where the games are stored and where builds come from. It edits a draft of
// the settings in force, taken when it opens, and hands the draft to the library model only on
// "Сохранить"; the model checks and applies it and reports a refusal itself. "Отмена", Escape
// and any other way of closing drop the draft. While the build source is unreachable, the sheet
// also says why.
Popup {
    id: sheet

    // The library model: settings, online, connectionDetail, busy, checking, saveSettings(map).
    property var model: null
    property bool reduceMotion: false

    // The draft; `draftSourceURL` is "" while builds come from the SSH source.
    property string draftSourceURL: ""
    property string draftHost: ""
    property string draftRemoteRoot: ""
    property string draftLibrary: ""
    property var draftVolumes: []
    property bool showConnection: false

    readonly property bool fromSite: draftSourceURL !== ""
    readonly property bool canSave: !!model && !model.busy && !model.checking

    function loadDraft() {
        const settings = model.settings
        draftSourceURL = settings.sourceURL || ""
        draftHost = settings.host || ""
        draftRemoteRoot = settings.remoteRoot || ""
        draftLibrary = settings.library || ""
        draftVolumes = settings.requiredVolumes || []
    }

    function draft() {
        const settings = { host: draftHost, remoteRoot: draftRemoteRoot, library: draftLibrary,
                           requiredVolumes: draftVolumes }
        if (fromSite)
            settings.sourceURL = draftSourceURL
        return settings
    }

    // The site switch: on, builds come from the studio's default address (whatever address the
    // draft had before); off, from the SSH source.
    function setFromSite(on) {
        draftSourceURL = on ? SettingsDraft.defaultSourceURL : ""
    }

    // The folder chooser's answer: the library moves there, and a library on the studio's cache
    // disk needs both of the studio's disks mounted.
    function chooseFolder(folder) {
        const path = SettingsDraft.folderPath(folder)
        if (path === "")
            return
        draftLibrary = path
        draftVolumes = SettingsDraft.requiredVolumes(path)
    }

    function save() {
        if (!canSave)
            return
        model.saveSettings(draft())
        close()
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 670
    height: 510
    modal: true
    focus: true
    padding: 0
    closePolicy: Popup.CloseOnEscape

    onAboutToShow: {
        loadDraft()
        showConnection = false
    }

    Overlay.modal: Rectangle { color: Theme.scrim }

    background: Rectangle {
        radius: 14
        color: Theme.sheet
        border.width: 1
        border.color: Theme.separator
    }

    contentItem: Item {
        Accessible.role: Accessible.Dialog
        Accessible.name: "Настройки"

        Row {
            id: header
            x: 26
            y: 26
            height: 44
            spacing: 13

            Rectangle {
                width: 44
                height: 44
                radius: 12
                color: Qt.rgba(Theme.save.r, Theme.save.g, Theme.save.b, 0.14)
                border.width: 1
                border.color: Qt.rgba(Theme.save.r, Theme.save.g, Theme.save.b, 0.22)

                SymbolIcon {
                    anchors.centerIn: parent
                    width: 20
                    height: 20
                    symbol: "network"
                    color: Theme.save
                }
            }

            Column {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 3

                Text {
                    text: "Настройки"
                    color: Theme.text
                    font.family: Theme.sans
                    font.pixelSize: 20
                    font.weight: Font.Bold
                }

                Text {
                    text: "Загрузки и хранение игр"
                    color: Theme.grey
                    font.family: Theme.sans
                    font.pixelSize: 13
                }
            }
        }

        Rectangle {
            id: topDivider
            y: header.y + header.height + 26
            width: parent.width
            height: 1
            color: Theme.outline
            opacity: 0.35
        }

        ScrollView {
            id: form
            anchors.top: topDivider.bottom
            anchors.bottom: bottomDivider.top
            width: parent.width
            contentWidth: availableWidth
            clip: true

            Column {
                x: 26
                width: form.availableWidth - 52
                topPadding: 20
                bottomPadding: 20
                spacing: 22

                SettingsGroup {
                    width: parent.width
                    caption: "БИБЛИОТЕКА НА ЭТОМ КОМПЬЮТЕРЕ"
                    note: "Сохранения остаются во внешних папках игр. Смена библиотеки не удаляет установленные версии."

                    SettingsRow {
                        label: "Папка игр"
                        first: true

                        Text {
                            objectName: "libraryPath"
                            anchors.verticalCenter: parent.verticalCenter
                            width: 260
                            text: sheet.draftLibrary
                            elide: Text.ElideMiddle
                            horizontalAlignment: Text.AlignRight
                            color: Theme.textSecondary
                            font.family: Theme.sans
                            font.pixelSize: 12
                        }

                        QuietButton {
                            objectName: "chooseFolder"
                            anchors.verticalCenter: parent.verticalCenter
                            implicitHeight: 30
                            text: "Выбрать…"
                            onClicked: folderDialog.open()
                        }
                    }
                }

                SettingsGroup {
                    width: parent.width

                    AbstractButton {
                        id: disclosure
                        objectName: "connectionGroup"
                        width: parent.width
                        implicitHeight: 48
                        text: "Подключение к серверу сборок"
                        hoverEnabled: true
                        focusPolicy: Qt.StrongFocus
                        onClicked: sheet.showConnection = !sheet.showConnection

                        Accessible.role: Accessible.Button
                        Accessible.name: text
                        Accessible.checkable: true
                        Accessible.checked: sheet.showConnection
                        Keys.onReturnPressed: clicked()
                        Keys.onEnterPressed: clicked()

                        background: Rectangle {
                            radius: 10
                            color: disclosure.hovered ? Qt.rgba(1, 1, 1, 0.03) : "transparent"
                            border.width: disclosure.visualFocus ? 2 : 0
                            border.color: Theme.accent
                        }

                        contentItem: Item {
                            Text {
                                x: 16
                                anchors.verticalCenter: parent.verticalCenter
                                text: disclosure.text
                                color: Theme.text
                                font.family: Theme.sans
                                font.pixelSize: 13
                            }

                            SymbolIcon {
                                anchors.right: parent.right
                                anchors.rightMargin: 16
                                anchors.verticalCenter: parent.verticalCenter
                                width: 14
                                height: 14
                                symbol: sheet.showConnection ? "chevron.down" : "chevron.right"
                                color: Theme.grey
                            }
                        }
                    }

                    SettingsRow {
                        visible: sheet.showConnection
                        fill: true

                        ToggleSwitch {
                            objectName: "siteSwitch"
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width
                            text: "Загружать с сайта NOVRA"
                            checked: sheet.fromSite
                            reduceMotion: sheet.reduceMotion
                            onToggled: sheet.setFromSite(checked)
                        }
                    }

                    SettingsRow {
                        visible: sheet.showConnection && sheet.fromSite
                        label: "Сайт"

                        Text {
                            objectName: "siteHost"
                            anchors.verticalCenter: parent.verticalCenter
                            text: SettingsDraft.studioHost
                            color: Theme.grey
                            font.family: Theme.sans
                            font.pixelSize: 13
                        }
                    }

                    SettingsRow {
                        visible: sheet.showConnection && !sheet.fromSite
                        label: "SSH"

                        FormField {
                            objectName: "sshField"
                            anchors.verticalCenter: parent.verticalCenter
                            width: 340
                            label: "SSH"
                            placeholderText: SettingsDraft.defaultHost
                            text: sheet.draftHost
                            onTextEdited: sheet.draftHost = text
                        }
                    }

                    SettingsRow {
                        visible: sheet.showConnection && !sheet.fromSite
                        label: "Каталог"

                        FormField {
                            objectName: "remoteRootField"
                            anchors.verticalCenter: parent.verticalCenter
                            width: 340
                            label: "Каталог"
                            placeholderText: "Абсолютный путь"
                            text: sheet.draftRemoteRoot
                            onTextEdited: sheet.draftRemoteRoot = text
                        }
                    }
                }

                SettingsGroup {
                    objectName: "stateSection"
                    width: parent.width
                    visible: !!sheet.model && !sheet.model.online
                    caption: "СОСТОЯНИЕ"

                    Column {
                        width: parent.width
                        padding: 16
                        spacing: 8

                        Row {
                            spacing: 8

                            SymbolIcon {
                                anchors.verticalCenter: parent.verticalCenter
                                width: 15
                                height: 15
                                symbol: "wifi.slash"
                                color: Theme.warning
                            }

                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: "Сейчас лаунчер работает автономно"
                                color: Theme.warning
                                font.family: Theme.sans
                                font.pixelSize: 13
                                font.weight: Font.DemiBold
                            }
                        }

                        TextEdit {
                            objectName: "connectionDetail"
                            width: parent.width - 32
                            readOnly: true
                            selectByMouse: true
                            wrapMode: TextEdit.Wrap
                            text: sheet.model && sheet.model.connectionDetail !== "" ? sheet.model.connectionDetail
                                : "Каталог сборок на выбранном источнике пока недоступен."
                            color: Theme.textSecondary
                            selectionColor: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
                            selectedTextColor: Theme.text
                            font.family: Theme.sans
                            font.pixelSize: 10

                            Accessible.role: Accessible.StaticText
                            Accessible.name: text
                        }
                    }
                }
            }
        }

        Rectangle {
            id: bottomDivider
            anchors.bottom: footer.top
            width: parent.width
            height: 1
            color: Theme.outline
            opacity: 0.35
        }

        Item {
            id: footer
            anchors.bottom: parent.bottom
            width: parent.width
            height: save.implicitHeight + 40

            QuietButton {
                objectName: "cancelSettings"
                x: 20
                anchors.verticalCenter: parent.verticalCenter
                text: "Отмена"
                onClicked: sheet.close()
            }

            PlayButtonStyle {
                id: save
                objectName: "saveSettings"
                anchors.right: parent.right
                anchors.rightMargin: 20
                anchors.verticalCenter: parent.verticalCenter
                implicitHeight: 34
                text: "Сохранить"
                accent: Theme.save
                enabled: sheet.canSave
                onClicked: sheet.save()
            }
        }
    }

    Loader {
        id: folderDialog
        objectName: "folderChooser"
        active: false
        source: "LibraryFolderDialog.qml"
        onLoaded: item.open()

        function open() {
            if (active)
                item.open()
            else
                active = true
        }

        Binding {
            when: folderDialog.item !== null
            target: folderDialog.item
            property: "folder"
            value: sheet.draftLibrary
        }

        Connections {
            target: folderDialog.item
            function onAccepted() { sheet.chooseFolder(folderDialog.item.selectedFolder) }
        }
    }
}
