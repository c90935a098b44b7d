import QtQuick

// "Поймай искры": sparks fall, the basket catches them. A click or the space bar starts a round;
// the mouse or the arrow keys (A and D too) move the basket, the space bar pauses; five missed
// sparks end the round.
Item {
    id: field

    property color light
    property color dark
    property int caught: 0
    property int missed: 0
    readonly property int allowedMisses: 5
    readonly property bool over: missed >= allowedMisses
    property bool started: false
    property bool paused: false
    property real fallSpeed: 150 // pixels per second; each catch makes it faster
    property real basketX: width / 2
    property int heading: 0 // -1, 0 or 1 while an arrow key is held
    property real nextSpark: 0

    clip: true

    function clamp(x) {
        return Math.max(basket.width / 2, Math.min(width - basket.width / 2, x))
    }

    // A click or the space bar: start, go on after a pause, or play again.
    function proceed() {
        if (over)
            restart()
        else if (!started)
            started = true
        else
            paused = !paused
    }

    function restart() {
        sparks.clear()
        caught = 0
        missed = 0
        fallSpeed = 150
        paused = false
        nextSpark = 0
    }

    function step(seconds) {
        basketX = clamp(basketX + heading * 560 * seconds)
        nextSpark -= seconds
        if (nextSpark <= 0) {
            const size = 10 + Math.random() * 8
            sparks.append({ sx: size + Math.random() * (width - 2 * size), sy: -size, size: size,
                            vy: fallSpeed * (0.8 + Math.random() * 0.5) })
            nextSpark = Math.max(0.3, 0.9 - caught * 0.02)
        }
        for (let i = sparks.count - 1; i >= 0; --i) {
            const spark = sparks.get(i)
            const y = spark.sy + spark.vy * seconds
            const inBasket = y + spark.size / 2 >= basket.y && spark.sy <= basket.y + basket.height
                             && Math.abs(spark.sx - basketX) <= basket.width / 2 + spark.size / 2
            if (inBasket) {
                sparks.remove(i)
                caught += 1
                fallSpeed += 5
            } else if (y > height + spark.size) {
                sparks.remove(i)
                missed += 1
            } else {
                sparks.setProperty(i, "sy", y)
            }
        }
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.darker(field.dark, 1.6) }
            GradientStop { position: 1; color: field.dark }
        }
    }

    ListModel { id: sparks }

    Repeater {
        model: sparks
        delegate: Rectangle {
            required property real sx
            required property real sy
            required property real size
            x: sx - size / 2
            y: sy - size / 2
            width: size
            height: size
            radius: size / 2
            color: Qt.lighter(field.light, 1.25)
            border.color: "white"
            border.width: 1
        }
    }

    Rectangle {
        id: basket
        width: 120
        height: 16
        radius: 8
        x: field.basketX - width / 2
        y: field.height - 44
        color: field.light
    }

    Text {
        anchors { left: parent.left; top: parent.top; margins: 16 }
        text: "Поймано: " + field.caught + "    Упущено: " + field.missed + " из " + field.allowedMisses
        color: field.light
        font.pixelSize: 18
        font.bold: true
    }
    Text {
        anchors { right: parent.right; top: parent.top; margins: 16 }
        text: "Поймай искры · ← → или мышь — корзина · пробел — пауза"
        color: Qt.rgba(1, 1, 1, 0.6)
        font.pixelSize: 14
    }

    Rectangle {
        anchors.fill: parent
        visible: !field.started || field.over || field.paused
        color: Qt.rgba(0, 0, 0, 0.55)
        Column {
            anchors.centerIn: parent
            spacing: 10
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: field.over ? "Искры погасли! Поймано: " + field.caught
                                 : field.started ? "Пауза" : "Поймай искры"
                color: "white"
                font.pixelSize: 30
                font.bold: true
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Щёлкните или нажмите пробел, чтобы "
                      + (field.over ? "сыграть ещё раз" : field.started ? "продолжить" : "начать")
                color: Qt.rgba(1, 1, 1, 0.8)
                font.pixelSize: 16
            }
        }
    }

    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        onPositionChanged: (mouse) => field.basketX = field.clamp(mouse.x)
        // During a round a click does nothing; the space bar pauses.
        onClicked: if (!field.started || field.over || field.paused) field.proceed()
    }

    Keys.onPressed: (event) => {
        if (event.key === Qt.Key_Left || event.key === Qt.Key_A) {
            field.heading = -1
        } else if (event.key === Qt.Key_Right || event.key === Qt.Key_D) {
            field.heading = 1
        } else if (event.key === Qt.Key_Space && !event.isAutoRepeat) {
            field.proceed()
        } else {
            return
        }
        event.accepted = true
    }
    Keys.onReleased: (event) => {
        if (event.isAutoRepeat)
            return
        if ((event.key === Qt.Key_Left || event.key === Qt.Key_A) && field.heading < 0)
            field.heading = 0
        if ((event.key === Qt.Key_Right || event.key === Qt.Key_D) && field.heading > 0)
            field.heading = 0
    }

    Timer {
        interval: 16
        repeat: true
        running: field.started && !field.over && !field.paused && field.width > 0 && field.height > 0
        onTriggered: field.step(interval / 1000)
    }
}
