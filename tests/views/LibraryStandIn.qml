import QtQuick

// The library model as the game views see it, in the views' tests: its properties, and its
// operations recorded in `calls` as "operation id".
QtObject {
    property var linked: ({})
    property var installed: ({})
    property var sizes: ({})
    property var previousVersions: ({})
    property string busy: ""
    property bool checking: false
    property string phase: ""
    property var updates: []
    // Stands for a model that answers without a property the view could follow.
    property var rule: null
    property var calls: []
    function hasUpdate(id) { return rule ? rule(id) : updates.indexOf(id) >= 0 }
    function record(call) { calls = calls.concat([call]) }
    function install(id) { record("install " + id) }
    function play(id) { record("play " + id) }
    function verify(id) { record("verify " + id) }
    function repair(id) { record("repair " + id) }
    function rollBack(id) { record("rollBack " + id) }
    function reclaim(id) { record("reclaim " + id) }
    function remove(id) { record("remove " + id) }
}
