import QtQuick
import QtQuick.Controls
import Novra.Launcher

// The launcher's one window, "NOVRA": the library. Closing it only hides it; the launcher keeps
// running in the tray. The application shows it once its place on the screen is restored.
ApplicationWindow {
    id: window
    objectName: "library"

    title: "NOVRA"
    width: Theme.defaultWidth
    height: Theme.defaultHeight
    minimumWidth: Theme.minimumWidth
    minimumHeight: Theme.minimumHeight
    color: Theme.background
    visible: false

    // Closing the window puts the view back to its start; every appearance checks the library,
    // once the window's first frame is on the screen (the check must not hold that frame up).
    onVisibleChanged: {
        if (visible) {
            appearance.arm()
        } else {
            appearance.disarm()
            view.reset()
        }
    }

    AfterFrame {
        id: appearance
        window: window
        onFramePresented: view.appeared()
    }

    LibraryView {
        id: view
        anchors.fill: parent
        model: LibraryModel
        social: SocialModel
        updater: LauncherSelfUpdate
        reduceMotion: MotionPreference.reduceMotion
    }

    Connections {
        target: LauncherLifecycle
        function onOpenFriends() { view.openFriends() }
    }

    Shortcut {
        sequence: "Ctrl+F"
        onActivated: view.focusSearch()
    }
    Shortcut {
        sequences: ["Ctrl+R", "F5"]
        onActivated: LibraryModel.refresh()
    }
    Shortcut {
        sequence: "Ctrl+,"
        onActivated: view.showSettings = true
    }
    Shortcut {
        sequence: "Ctrl+W"
        onActivated: window.hide()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: AppDelegate.terminate()
    }
}
