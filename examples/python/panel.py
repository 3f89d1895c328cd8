#!/usr/bin/python3
"""A small instrument panel in Python: a meter following a slider, an LED clock, a scope fed
from a timer and a switch driving a lamp.

Run from the repository, once the default build is made:
    PYTHONPATH=build/python /usr/bin/python3 examples/python/panel.py
(--screenshot FILE saves the panel's picture and quits.)
"""

import math
import sys

from PyQt6.QtCore import Qt, QTimer
from PyQt6.QtWidgets import QApplication, QGridLayout, QHBoxLayout, QSlider, QWidget

import kelvara


class Panel(QWidget):
    def __init__(self):
        super().__init__()
        self.setWindowTitle("Kelvara from Python")
        grid = QGridLayout(self)

        # A meter following a slider: the slider's valueChanged drives the meter's slot.
        meter = kelvara.TKvMeter(self)
        meter.SetCaption("Volts")
        slider = QSlider(Qt.Orientation.Horizontal, self)
        slider.setRange(meter.MinValue(), meter.MaxValue())
        slider.valueChanged.connect(meter.SetPosition)
        slider.setValue(65)
        grid.addWidget(meter, 0, 0, Qt.AlignmentFlag.AlignCenter)
        grid.addWidget(slider, 1, 0)

        # An LED clock that runs by itself.
        clock = kelvara.TKvLedClock(self)
        clock.SetActive(True)
        grid.addWidget(clock, 0, 1, 2, 1)

        # A scope with one channel, fed a sine from a timer.
        self.scope = kelvara.TKvScope(self)
        self.scope.Channels().Add().SetColor(kelvara.clLime)
        self.phase = 0.0
        feed = QTimer(self)
        feed.timeout.connect(self.feed_scope)
        feed.start(40)
        grid.addWidget(self.scope, 2, 0)

        # A switch driving a lamp: the lamp is on whenever the switch is off its first stop.
        switch = kelvara.TKvSwitch(self)
        switch.SetPositions(2)
        lamp = kelvara.TKvUserLed(self)
        lamp.setFixedSize(30, 30)
        switch.OffsetChanged.connect(lambda offset: lamp.SetActive(offset > 0))
        switch.SetOffset(1)
        row = QHBoxLayout()
        row.addStretch()
        row.addWidget(switch)
        row.addWidget(lamp)
        row.addStretch()
        grid.addLayout(row, 2, 1)

    def feed_scope(self):
        middle = (self.scope.MinValue() + self.scope.MaxValue()) // 2
        swing = (self.scope.MaxValue() - self.scope.MinValue()) * 0.4
        self.scope.AddValue(int(middle + swing * math.sin(self.phase)))
        self.phase += 0.3


def main():
    app = QApplication(sys.argv)
    panel = Panel()
    panel.show()
    if "--screenshot" in sys.argv:
        path = sys.argv[sys.argv.index("--screenshot") + 1]
        QTimer.singleShot(1500, lambda: (panel.grab().save(path), app.quit()))
    return app.exec()


if __name__ == "__main__":
    sys.exit(main())
