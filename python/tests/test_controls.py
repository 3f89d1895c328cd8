"""Every registered control from Python: made, laid out, drawn, signalling, freed."""

import pytest
from PyQt6 import sip
from PyQt6.QtCore import QMetaType
from PyQt6.QtGui import QImage
from PyQt6.QtWidgets import QApplication, QVBoxLayout, QWidget

import kelvara
from conftest import SETTINGS, VALUE, control_classes

CONTROLS = control_classes()
NAMES = [c.__name__ for c in CONTROLS]


def test_every_registered_control_is_bound():
    assert len(CONTROLS) >= 40
    for cls in CONTROLS:
        assert issubclass(cls, kelvara.TControl) and issubclass(cls, QWidget)


def value_property(cls):
    """The control's value property when it is a writable int, else None."""
    prop = cls.staticMetaObject.userProperty()
    if prop.isValid() and prop.isWritable() and prop.metaType().id() == QMetaType.Type.Int.value:
        return prop
    return None


def set_up(control):
    """The settings PythonPictures.cpp gives the same control, through the bound setters."""
    prop = value_property(type(control))
    if prop is not None:
        getattr(control, "Set" + prop.name())(VALUE)
    meta = type(control).staticMetaObject
    for name, setting in SETTINGS.items():
        if meta.indexOfProperty(name) >= 0:
            getattr(control, "Set" + name)(setting)


def settled_picture(host, control, rounds=5):
    """Laid out and drawn until the picture stays the same, as PythonPictures.cpp does."""
    picture = QImage()
    for _ in range(rounds):
        host.adjustSize()
        QApplication.processEvents()
        latest = control.grab().toImage()
        if latest == picture:
            break
        picture = latest
    return picture


@pytest.mark.parametrize("cls", CONTROLS, ids=NAMES)
def test_control_in_a_layout_draws_as_from_cpp(app, cpp_pictures, cls):
    host = QWidget()
    layout = QVBoxLayout(host)
    layout.setContentsMargins(0, 0, 0, 0)
    control = cls()
    layout.addWidget(control)
    set_up(control)
    picture = settled_picture(host, control).convertToFormat(QImage.Format.Format_RGB32)
    assert control.parentWidget() is host
    assert control.width() > 0 and control.height() > 0
    expected = QImage(str(cpp_pictures / (cls.__name__ + ".png")))
    assert not expected.isNull()
    assert picture.size() == expected.size()
    if cls.__name__ in (cpp_pictures / "unstable.txt").read_text().split():
        pytest.skip("the library draws two fresh %s differently" % cls.__name__)
    assert picture == expected.convertToFormat(QImage.Format.Format_RGB32)


# Every control may lie on a form (some need one), and a form is a widget like any other.
@pytest.mark.parametrize("cls", CONTROLS, ids=NAMES)
def test_control_freed_by_its_parent_raises_when_touched(app, cls):
    parent = kelvara.TForm(None)
    control = cls(parent)
    assert control.parentWidget() is parent
    sip.delete(parent)
    assert sip.isdeleted(control)
    with pytest.raises(RuntimeError, match="has been deleted"):
        control.Visible()


@pytest.mark.parametrize("cls", CONTROLS, ids=NAMES)
def test_parent_owns_the_control(app, cls):
    parent = kelvara.TForm(None)
    cls(parent)  # no Python reference is kept: the parent keeps the control alive
    children = parent.findChildren(cls)
    assert len(children) == 1 and type(children[0]) is cls


VALUED = [c for c in CONTROLS if value_property(c) is not None and value_property(c).hasNotifySignal()]


@pytest.mark.parametrize("cls", VALUED, ids=[c.__name__ for c in VALUED])
def test_value_signal_carries_the_new_value(app, cls):
    control = cls()
    prop = value_property(cls)
    heard, changes = [], []
    getattr(control, prop.notifySignal().name().data().decode()).connect(heard.append)
    if hasattr(control, "OnChange"):
        control.OnChange.connect(changes.append)
    setter = getattr(control, "Set" + prop.name())
    getter = getattr(control, prop.name())
    start = getter()
    setter(start - 1 if start > 0 else start + 1)
    assert heard == [getter()] and getter() != start
    if hasattr(control, "OnChange"):
        # The event names its sender as the control's own Python object.
        assert changes == [control]
    setter(getter())
    assert len(heard) == 1, "setting the same value again is no change"


class CountingMeter(kelvara.TKvMeter):
    """A Python subclass that takes over the paint and hands it on."""

    def __init__(self):
        super().__init__()
        self.paints = 0

    def paintEvent(self, event):
        self.paints += 1
        super().paintEvent(event)


def test_python_subclass_handing_an_event_on_reaches_the_control(app):
    plain, counting = kelvara.TKvMeter(), CountingMeter()
    for meter in (plain, counting):
        meter.SetPosition(VALUE)
    picture = counting.grab().toImage()
    assert counting.paints >= 1
    assert picture == plain.grab().toImage(), "the base class's paint is the control's, not QWidget's"
