"""The module against the library's meta-objects: no drift, enumerations, errors, colours."""

import enum

import pytest
from PyQt6 import sip
from PyQt6.QtCore import QMetaMethod, QObject, pyqtBoundSignal

import kelvara


def bound_classes():
    return [c for c in vars(kelvara).values()
            if isinstance(c, type) and issubclass(c, QObject) and c.__module__.startswith("kelvara")]


def own_members(cls):
    """The properties and methods a class's meta-object declares itself."""
    meta = cls.staticMetaObject
    props = [meta.property(i) for i in range(meta.propertyOffset(), meta.propertyCount())]
    methods = [meta.method(i) for i in range(meta.methodOffset(), meta.methodCount())]
    return props, methods


def carries_answers(method):
    """A signal whose handler answers through a reference: no Python callable can, so the
    module leaves it out."""
    types = [bytes(p).decode() for p in method.parameterTypes()]
    return any(t.endswith("&") for t in types)


@pytest.mark.parametrize("cls", bound_classes(), ids=lambda c: c.__name__)
def test_every_property_signal_and_slot_is_bound(cls):
    props, methods = own_members(cls)
    missing = []
    for prop in props:
        name = prop.name()
        if not callable(getattr(cls, name, None)):
            missing.append(name)
        if prop.isWritable() and not callable(getattr(cls, "Set" + name, None)):
            missing.append("Set" + name)
    instance = None
    for method in methods:
        name = bytes(method.name()).decode()
        if method.methodType() == QMetaMethod.MethodType.Signal:
            if not carries_answers(method) and not isinstance(getattr(cls, name, None), type(kelvara.TKvMeter.PositionChanged)):
                missing.append(name)
        elif method.access() == QMetaMethod.Access.Public and not callable(getattr(cls, name, None)):
            missing.append(name)
    assert missing == [], "%s lacks %s in Python" % (cls.__name__, missing)


def test_style_objects_and_framework_classes_are_bound():
    for name in ("TKvBevel", "TKvMeterScale", "TFont", "TPen", "TBrush", "TPicture", "TBitmap",
                 "TKvPalette", "TControl", "TForm", "TKvTimer"):
        assert issubclass(getattr(kelvara, name), QObject), name


def test_enumerations_are_python_enums_in_their_units_and_by_name():
    orientation = kelvara.KvControls.TKvOrientation
    assert issubclass(orientation, enum.Enum)
    assert kelvara.TKvOrientation is orientation
    bar = kelvara.TKvTrackBar()
    bar.SetOrientation(orientation.voVertical)
    assert bar.Orientation() is orientation.voVertical
    options = kelvara.TKvTrackBarOption.toActiveClick | kelvara.TKvTrackBarOption.toHandPoint
    bar.SetOptions(options)
    assert bar.Options() == options
    with pytest.raises(TypeError):
        bar.SetOrientation(1)


def test_seek_origin_is_an_enumeration_of_its_unit():
    stream = kelvara.TMemoryStream(b"0123456789")
    assert kelvara.TSeekOrigin is kelvara.Classes.TSeekOrigin
    assert stream.Seek(-2, kelvara.TSeekOrigin.soEnd) == 8
    assert stream.Seek(-3, kelvara.TSeekOrigin.soCurrent) == 5
    assert stream.Seek(1, kelvara.TSeekOrigin.soBeginning) == stream.Position() == 1
    with pytest.raises(TypeError):
        stream.Seek(0, 2)


@pytest.mark.parametrize("unit, name, setting", [
    ("Graphics", "SysColorSource", "SysColorSource"),
    ("Rendering", "RenderQuality", "RenderQuality"),
])
def test_application_wide_settings_take_every_value_of_their_enumeration(unit, name, setting):
    values = getattr(kelvara, name)
    assert values is getattr(getattr(kelvara, unit), name)
    set_it = getattr(kelvara.kv, "Set" + setting)
    get_it = getattr(kelvara.kv, "Get" + setting)
    before = get_it()
    try:
        for value in values:
            set_it(value)
            assert get_it() is value
    finally:
        set_it(before)
    with pytest.raises(TypeError):
        set_it(1)


def test_style_object_belongs_to_its_control():
    meter = kelvara.TKvMeter()
    bevel = meter.Bevel()
    assert isinstance(bevel, kelvara.TKvBevel)
    assert meter.Bevel() is bevel, "one Python object per C++ object"
    other = kelvara.TKvGauge()
    other.Bevel().SetOuterStyle(kelvara.KvClasses.TKvBevelStyle.bsRaised)
    meter.SetBevel(other.Bevel())
    assert bevel.OuterStyle() is kelvara.KvClasses.TKvBevelStyle.bsRaised


@pytest.mark.parametrize("kept", [
    lambda: kelvara.TKvMeter().Bevel(),
    lambda: kelvara.TKvLedClock().Font(),
    lambda: kelvara.TKvJogMeter().Scale(),
])
def test_style_object_kept_beyond_its_control_raises(kept):
    style = kept()  # its control went at the end of the lambda
    assert sip.isdeleted(style)
    with pytest.raises(RuntimeError, match="has been deleted"):
        style.objectName()


def test_item_kept_beyond_its_collection_raises():
    scope = kelvara.TKvScope()
    channel = scope.Channels().Add()
    del scope
    with pytest.raises(RuntimeError, match="has been deleted"):
        channel.Color()


@pytest.mark.parametrize("call, message", [
    (lambda m: m.SetMaxValue(-5), "Value out of range."),
    (lambda m: m.SetMinValue(500), "Value out of range."),
])
def test_raised_error_arrives_as_python_exception(call, message):
    meter = kelvara.TKvMeter()
    with pytest.raises(kelvara.KvError, match=message):
        call(meter)
    assert meter.MinValue() == 0 and meter.MaxValue() == 100, "a refused value changes nothing"


def test_colours_are_numbers():
    meter = kelvara.TKvMeter()
    meter.SetNeedleColor(kelvara.clRed)
    assert meter.NeedleColor() == 0x0000FF == kelvara.clRed
    meter.SetNeedleColor(-0x7FFFFFF1)  # a system colour
    assert meter.NeedleColor() == -0x7FFFFFF1
    for bad in (2 ** 31, -2 ** 31 - 1):
        with pytest.raises(OverflowError):
            meter.SetNeedleColor(bad)
    with pytest.raises(TypeError):
        meter.SetNeedleColor("red")


def test_sender_is_the_control_itself():
    meter = kelvara.TKvMeter()
    senders = []
    meter.OnChange.connect(senders.append)
    meter.SetPosition(10)
    assert senders == [meter]


def test_item_made_from_python_belongs_to_its_collection():
    scope = kelvara.TKvScope()
    channel = kelvara.TKvChannel(scope.Channels())
    channel.SetColor(kelvara.clAqua)
    del channel
    assert scope.Channels().Count() == 1
    assert scope.Channels().Items(0).Color() == kelvara.clAqua
