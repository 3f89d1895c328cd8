// A dashboard of Kelvara items: a meter and a level bar follow a slider, an LED clock runs,
// a scope is fed from a timer and a switch drives a lamp.
// Run from the build tree: build/qml/kv-qmlview examples/qml/dashboard.qml
import QtQuick
import QtQuick.Controls as Controls
import Kelvara

Rectangle {
    width: 560
    height: 420
    color: "#d4d0c8"

    Row {
        x: 12
        y: 12
        spacing: 16

        Column {
            spacing: 8

            Meter {
                id: meter
                position: input.value
                caption: "Load"
            }
            Controls.Slider {
                id: input
                width: meter.width
                from: 0
                to: 100
                value: 40
            }
            LevelBar {
                position: input.value
            }
        }

        Column {
            spacing: 8

            LedClock {
                active: true
            }
            Scope {
                id: scope
                channelsCount: 1
                minValue: -100
                maxValue: 100
            }
            Row {
                spacing: 12

                Switch {
                    id: power
                }
                UserLed {
                    active: power.offset > 0
                }
            }
        }
    }

    // One sample per step of the scope's own clock (100 ms): every step is a frame of the
    // whole window, so a faster feed costs frames the trace hardly shows.
    Timer {
        property real phase: 0

        interval: scope.interval
        running: true
        repeat: true
        onTriggered: {
            phase += 0.2;
            scope.addValue(Math.round(90 * Math.sin(phase)));
        }
    }
}
