// Run-time library: exceptions, numeric conversions, formatting, date and time,
// the pseudo-random generator.
#pragma once

#include "KvExport.h"

#include <QString>
#include <QVariant>

#include <cmath>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <limits>

// The 80-bit x87 extended type; GCC and Clang on x86-64 give it as long double.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the 80-bit x87 format (64-bit mantissa)");

// The framework's general exception: a message and nothing else.
class KV_EXPORT Exception : public std::exception {
public:
  explicit Exception(QString message);
  const QString& Message() const { return FMessage; }
  const char* what() const noexcept override { return FUtf8.constData(); }

private:
  QString FMessage;
  QByteArray FUtf8;
};

// Silent exception: the application's handler does not report it.
class KV_EXPORT EAbort : public Exception {
public:
  using Exception::Exception;
};
class KV_EXPORT EOutOfResources : public Exception {
public:
  using Exception::Exception;
};
class KV_EXPORT EConvertError : public Exception {
public:
  using Exception::Exception;
};
// Raised by the bitmap readers for data they cannot decode.
class KV_EXPORT EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
};
class KV_EXPORT EReadError : public Exception {
public:
  using Exception::Exception;
};
class KV_EXPORT EWriteError : public Exception {
public:
  using Exception::Exception;
};
class KV_EXPORT EFOpenError : public Exception {
public:
  using Exception::Exception;
};
class KV_EXPORT EListError : public Exception {
public:
  using Exception::Exception;
};
class KV_EXPORT EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

namespace kv {

// The one conversion from floating point to int: rounds toward zero,
// saturates at the int range, NaN gives 0.
KV_EXPORT int SaturateToInt(long double v) noexcept;
// Saturates a 64-bit value into the int range.
constexpr int SaturateToInt(int64_t v) noexcept {
  return v > std::numeric_limits<int>::max()   ? std::numeric_limits<int>::max()
         : v < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                               : static_cast<int>(v);
}
// Saturating int arithmetic for sums of user-set sizes.
constexpr int SatAdd(int a, int b) noexcept { return SaturateToInt(int64_t(a) + b); }
constexpr int SatSub(int a, int b) noexcept { return SaturateToInt(int64_t(a) - b); }
constexpr int SatMul(int a, int b) noexcept { return SaturateToInt(int64_t(a) * b); }

// True for values a double-valued property accepts (A6).
inline bool IsFinite(double v) noexcept { return std::isfinite(v); }

}  // namespace kv

// Round half to even, saturating (NaN gives 0).
KV_EXPORT int Round(long double v) noexcept;
// Toward zero, saturating (NaN gives 0).
KV_EXPORT int Trunc(long double v) noexcept;
// Integer division truncating toward zero; a zero divisor raises EInvalidOperation.
KV_EXPORT int Div(int a, int b);

KV_EXPORT QString IntToStr(int64_t v);

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The framework's float formatting: ffFixed with Digits decimals, falling back to
// scientific notation when the integer part has more digits than Precision.
// The decimal separator is the locale's.
KV_EXPORT QString FloatToStrF(long double value, TFloatFormat format, int precision, int digits);
KV_EXPORT QChar DecimalSeparator();

// The framework's format function. Each "%[index:][-][width][.precision]type" takes the next
// argument, or the one at Index (from 0; later specifiers go on from there). Types: d and u
// decimal (precision: fewest digits), x upper-case hexadecimal, s text (precision: most
// characters), f, n and m fixed-point (precision: decimals, 2 unless given), e scientific,
// g general, p a 16-digit hexadecimal pointer; "%%" is a percent sign. '-' or a negative
// width pads on the right, else on the left; '*' takes a width or precision from the
// arguments. Widths and precisions are capped at 4096. A specifier that does not fit its
// argument, or a missing argument, raises EConvertError.
KV_EXPORT QString Format(const QString& format, std::initializer_list<QVariant> args);

// True when Caption holds "&" followed by Ch (case-insensitive); "&&" is a literal.
KV_EXPORT bool IsAccel(QChar ch, const QString& caption);

// The framework's pseudo-random generator: Random(N) yields 0..N-1 (0 for N <= 0).
KV_EXPORT int Random(int n);
KV_EXPORT void Randomize();
KV_EXPORT void RandSeed(uint32_t seed);

// Days since 1899-12-30, the time of day as the fraction.
using TDateTime = double;
KV_EXPORT TDateTime Now();
KV_EXPORT TDateTime Time();
KV_EXPORT TDateTime EncodeTime(int hour, int min, int sec, int msec);
KV_EXPORT TDateTime EncodeDate(int year, int month, int day);
KV_EXPORT void DecodeTime(TDateTime t, uint16_t& hour, uint16_t& min, uint16_t& sec,
                          uint16_t& msec);
KV_EXPORT void DecodeDate(TDateTime t, uint16_t& year, uint16_t& month, uint16_t& day);

namespace kv {
// Overrides the clock behind Now and Time (tests); an empty function restores it.
KV_EXPORT void SetClockForTesting(TDateTime (*clock)());
}  // namespace kv
