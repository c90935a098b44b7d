import QtQuick

// Makes its component the first time it is needed and keeps it afterwards: menus, sheets and
// alerts hidden at start cost nothing until they are first shown.
Loader {
    // True (or bound true) once the component must exist.
    property bool needed: false

    active: false
    onNeededChanged: if (needed) active = true
    Component.onCompleted: if (needed) active = true

    // The component, made now if it was not yet.
    function make() {
        active = true
        return item
    }
}
