pragma Singleton
import QtQuick

// The window's look in one place: colours, type, spacing, radii and timings. Sizes are in points
// (Qt Quick's logical pixels).
QtObject {
    // Colours.
    readonly property color background: Qt.rgba(16 / 255, 18 / 255, 20 / 255, 1)
    readonly property color accent: Qt.rgba(219 / 255, 242 / 255, 153 / 255, 1)
    readonly property color surface: Qt.rgba(24 / 255, 27 / 255, 30 / 255, 1)        // cards, the hero
    readonly property color surfaceHover: Qt.rgba(30 / 255, 34 / 255, 38 / 255, 1)
    readonly property color raised: Qt.rgba(27 / 255, 30 / 255, 34 / 255, 1)         // sheets, tooltips
    readonly property color control: Qt.rgba(1, 1, 1, 0.08)                          // quiet buttons
    readonly property color controlHover: Qt.rgba(1, 1, 1, 0.13)
    readonly property color separator: Qt.rgba(1, 1, 1, 0.07)
    readonly property color outline: Qt.rgba(1, 1, 1, 0.18)
    readonly property color scrim: Qt.rgba(0, 0, 0, 0.6)                            // behind a sheet
    readonly property color text: "white"
    readonly property color textSummary: Qt.rgba(1, 1, 1, 0.78)
    readonly property color textFaint: Qt.rgba(1, 1, 1, 0.55)
    readonly property color grey: Qt.rgba(142 / 255, 148 / 255, 155 / 255, 1)
    readonly property color warning: Qt.rgba(255 / 255, 180 / 255, 100 / 255, 1)
    readonly property color onAccent: Qt.rgba(19 / 255, 23 / 255, 19 / 255, 1)      // labels on accent buttons
    readonly property color artworkEmpty: Qt.rgba(36 / 255, 40 / 255, 42 / 255, 1)  // artwork without image
    readonly property color iconShade: Qt.rgba(48 / 255, 54 / 255, 56 / 255, 1)     // end of an icon's gradient
    readonly property color sidebar: Qt.rgba(20 / 255, 22 / 255, 25 / 255, 1)
    readonly property color selection: Qt.rgba(1, 1, 1, 0.07)                       // active section, selected row
    readonly property color field: Qt.rgba(1, 1, 1, 0.06)                           // text fields, grouped rows
    readonly property color textSecondary: Qt.rgba(1, 1, 1, 0.72)
    readonly property color sheet: Qt.rgba(16 / 255, 19 / 255, 29 / 255, 1)         // the settings sheet
    readonly property color save: Qt.rgba(107 / 255, 220 / 255, 174 / 255, 1)       // its "Сохранить"

    // Type: faces with Cyrillic from the system's fonts.
    readonly property string sans: "Noto Sans"
    readonly property string serif: "Noto Serif"

    // Spacing.
    readonly property int spacingTight: 6
    readonly property int spacing: 12
    readonly property int spacingWide: 20
    readonly property int padding: 26

    // Radii.
    readonly property real radiusSmall: 7       // artwork in cards, thumbnails
    readonly property real radiusControl: 9     // buttons, fields
    readonly property real radiusCard: 12
    readonly property real radiusLarge: 16      // the hero, sheets

    // The grid of cards.
    readonly property int cardMinimumWidth: 350
    readonly property int gridColumnSpacing: 18
    readonly property int gridRowSpacing: 22

    // Window.
    readonly property int defaultWidth: 1280
    readonly property int defaultHeight: 820
    readonly property int minimumWidth: 1060
    readonly property int minimumHeight: 700
    readonly property int sidebarWidth: 240
    readonly property int contentPadding: 28

    // Timings (milliseconds) and motion.
    readonly property int hoverDuration: 220      // ease-out
    readonly property int selectDuration: 250     // ease-in-out
    readonly property int pressDuration: 90
    readonly property int driftFramesPerSecond: 24
    readonly property real driftPeriod: 9         // seconds per radian of the hero's drift
    readonly property real driftAmplitude: 5      // points
    readonly property real artworkZoom: 1.055
}
