import QtQuick
import QtQuick.Dialogs
import Novra.Launcher

// The chooser of the library folder: folders only, starting at the current one. Loaded only when
// it is first asked for, so that the window starts without the dialogs' modules.
FolderDialog {
    property string folder: ""

    title: "Папка игр"
    currentFolder: SettingsDraft.folderUrl(folder)
}
