"""Geometry, the canvas and the free functions from Python: custom painting checked by pixels."""

import pathlib
import re

import pytest
from PyQt6 import sip
from PyQt6.QtGui import QColor
from PyQt6.QtWidgets import QWidget

import kelvara
from kelvara import TPoint, TRect, kv

SIP_DIR = pathlib.Path(kelvara.__file__).parents[1] / "sip"


def rgb(colour):
    """The 0x00BBGGRR number of a colour the library hands out, as Qt's 0xRRGGBB."""
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF).rgb() & 0xFFFFFF


@pytest.mark.parametrize("made, fields", [
    (TRect(1, 2, 11, 22), (1, 2, 11, 22)),
    (kv.Rect(1, 2, 11, 22), (1, 2, 11, 22)),
    (kv.Bounds(1, 2, 10, 20), (1, 2, 11, 22)),
    (kv.Bounds(2 ** 31 - 5, 0, 10, 1), (2 ** 31 - 5, 0, 2 ** 31 - 1, 1)),  # saturates
    (TRect(), (0, 0, 0, 0)),
])
def test_rectangles_are_values_with_fields(made, fields):
    assert (made.Left, made.Top, made.Right, made.Bottom) == fields
    assert made == TRect(*fields) and made.Width() == fields[2] - fields[0]
    assert repr(made) == "TRect(%d, %d, %d, %d)" % fields


def test_values_copy_and_functions_change_them_in_place():
    r = TRect(0, 0, 10, 10)
    kv.InflateRect(r, 2, 3)
    assert r == TRect(-2, -3, 12, 13), "a reference parameter changes the caller's value"
    kv.OffsetRect(r, 2, 3)
    assert r == TRect(0, 0, 14, 16)
    meet = TRect()
    assert kv.IntersectRect(meet, r, TRect(10, 10, 30, 30)) and meet == TRect(10, 10, 14, 16)
    assert not kv.IntersectRect(meet, r, TRect(20, 20, 30, 30)) and kv.IsRectEmpty(meet)
    assert kv.PtInRect(r, TPoint(0, 0)) and not kv.PtInRect(r, TPoint(14, 0)), "right edge out"
    p = kv.Point(3, 4)
    q = TPoint(p)
    q.X = 9
    assert p == TPoint(3, 4) and r.TopLeft() == TPoint(0, 0) and repr(q) == "TPoint(9, 4)"


def test_plain_values_a_method_writes_back_come_back_as_results():
    slider = kelvara.TKvSlider()
    slider.SetBounds(0, 0, 200, 30)
    travel, start, length = slider.GetTravelRect(-1, -1)
    assert isinstance(travel, TRect) and travel.Width() <= 200
    assert start == max(0, travel.Left) and 0 < length < travel.Width()


@pytest.fixture
def bitmap():
    picture = kelvara.TBitmap()
    picture.SetSize(40, 30)
    return picture


def test_bitmap_canvas_draws_what_python_asks(bitmap):
    canvas = bitmap.Canvas()
    canvas.Brush().SetColor(kelvara.clWhite)
    canvas.FillRect(TRect(0, 0, 40, 30))
    canvas.Brush().SetColor(kelvara.clRed)
    canvas.Pen().SetColor(kelvara.clBlue)
    canvas.Polygon([TPoint(2, 2), TPoint(20, 2), TPoint(2, 20)])
    canvas.Pen().SetColor(kelvara.clLime)
    canvas.MoveTo(0, 25)
    canvas.LineTo(40, 25)
    assert canvas.PenPos() == TPoint(40, 25)
    image = bitmap.Image()
    expected = {(5, 5): kelvara.clRed, (2, 2): kelvara.clBlue, (30, 5): kelvara.clWhite,
                (39, 25): kelvara.clLime, (10, 26): kelvara.clWhite}
    for (x, y), colour in expected.items():
        assert canvas.Pixels(x, y) == colour, (x, y)
        assert image.pixel(x, y) & 0xFFFFFF == rgb(colour), (x, y)
    assert canvas.Pixels(40, 0) == -1, "outside the surface"
    extent = canvas.TextExtent("Kv")
    assert extent.cx == canvas.TextWidth("Kv") > 0 and extent.cy == canvas.TextHeight("Kv") > 0


def test_points_that_are_not_points_are_refused(bitmap):
    with pytest.raises(TypeError):
        bitmap.Canvas().Polyline([TPoint(0, 0), (5, 5)])


def freed_by_parent(make):
    """Owner and canvas made on a parent widget, which is then deleted from C++."""
    parent = QWidget()
    owner = make(parent)
    canvas = owner.Canvas()
    sip.delete(parent)
    return canvas


def dropped(make, canvas_of=lambda owner: owner.Canvas()):
    """The canvas of an owner Python made and let go."""
    return canvas_of(make())


def handed_to_on_draw():
    """The canvas a user LED's OnDraw handed a slot, kept after the LED is freed."""
    parent = QWidget()
    led = kelvara.TKvUserLed(parent)
    led.SetDrawStyle(kelvara.TKvDrawStyle.dsOwnerDraw)
    handed = []
    led.OnDraw.connect(lambda sender, canvas, rect: handed.append(canvas))
    led.grab()
    sip.delete(parent)
    return handed[0]


def sized_bitmap():
    bitmap = kelvara.TBitmap()
    bitmap.SetSize(8, 8)
    return bitmap


@pytest.mark.parametrize("kept", [
    lambda: dropped(sized_bitmap),
    lambda: dropped(kelvara.TKvMeter),
    lambda: dropped(kelvara.TKvWheel, lambda wheel: wheel.BitmapCanvas()),
    lambda: dropped(kelvara.TKvWheel, lambda wheel: wheel.BackImage().Canvas()),
    lambda: freed_by_parent(kelvara.TKvShadowButton),
    lambda: freed_by_parent(kelvara.TKvLedClock),
    handed_to_on_draw,
], ids=["bitmap", "control", "image-control-image", "control-bitmap", "freed-by-parent",
        "windowed-freed-by-parent", "handed-to-a-slot"])
def test_canvas_kept_beyond_its_owner_raises(app, kept):
    canvas = kept()
    assert sip.isdeleted(canvas)
    for touch in (lambda: canvas.Pixels(0, 0), lambda: canvas.Brush(),
                  lambda: kv.DrawText(canvas, "Kv", TRect(0, 0, 8, 8), 0)):
        with pytest.raises(RuntimeError, match="TCanvas has been deleted"):
            touch()


def test_canvas_of_a_live_owner_is_one_object_and_a_new_owner_gets_a_live_one(app):
    bitmap = sized_bitmap()
    canvas = bitmap.Canvas()
    assert bitmap.Canvas() is canvas and not sip.isdeleted(canvas)
    del bitmap
    # A new canvas may take the freed one's address: it must not be taken for the dead one.
    for _ in range(20):
        again = sized_bitmap()
        again.Canvas().SetPixels(1, 1, kelvara.clRed)
        assert again.Canvas().Pixels(1, 1) == kelvara.clRed
    assert sip.isdeleted(canvas)


def test_owner_drawn_control_paints_from_a_python_handler(app):
    led = kelvara.TKvUserLed()
    led.SetBounds(0, 0, 30, 20)
    led.SetDrawStyle(kelvara.TKvDrawStyle.dsOwnerDraw)
    handed = []

    def draw(sender, canvas, rect):
        handed.append((sender, rect.Width(), rect.Height()))
        canvas.Brush().SetColor(kelvara.clYellow)
        canvas.FillRect(TRect(rect.Left, rect.Top, rect.Left + 10, rect.Bottom))
        canvas.SetPixels(20, 5, kelvara.clNavy)

    led.OnDraw.connect(draw)
    image = led.grab().toImage()
    assert handed and handed[0] == (led, 30, 20)
    assert image.pixel(3, 10) & 0xFFFFFF == rgb(kelvara.clYellow)
    assert image.pixel(20, 5) & 0xFFFFFF == rgb(kelvara.clNavy)


def test_stubs_name_every_enumeration_by_its_short_name():
    stubs = (pathlib.Path(kelvara.__file__).parent / "__init__.pyi").read_text()
    short = {name for name, value in vars(kelvara).items()
             if isinstance(value, type) and value.__module__ == "kelvara._kelvara"
             and name not in vars(kelvara._kelvara)}
    named = set(re.findall(r"^(\w+) = _kelvara\.", stubs, re.M))
    assert short and short == named


def test_what_stays_unbound_says_why_and_no_geometry_or_canvas_is_among_it():
    lines = (SIP_DIR / "unbound.txt").read_text().splitlines()
    assert all(" -- " in line for line in lines), "every entry gives its reason"
    reasons = [line.split(" -- ", 1)[1] for line in lines]
    for name in ("TRect", "TPoint", "TSize", "TCanvas", "TRegion", "TBitmap", "TStream"):
        assert name + " is not bound" not in reasons
