import QtQuick
import Novra.Launcher

// The caption of a group of rows in the friends column.
Text {
    color: Theme.grey
    font.family: Theme.sans
    font.pixelSize: 10
    font.weight: Font.Bold
    font.letterSpacing: 1.2
}
