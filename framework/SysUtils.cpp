#include "SysUtils.h"

#include <QDateTime>
#include <QLocale>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>

using kv::DecimalSeparator, kv::FloatToStrF, kv::Now, kv::RandSeed;

kv::Exception::Exception(QString message)
    : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}

namespace kv {

int SaturateToInt(long double v) noexcept {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<long double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (v <= static_cast<long double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

}  // namespace kv

int kv::Round(long double v) noexcept {
  if (std::isnan(v)) return 0;
  // nearbyint rounds half to even in the default rounding mode.
  return kv::SaturateToInt(std::nearbyint(v));
}

int kv::Trunc(long double v) noexcept { return kv::SaturateToInt(v); }

int kv::Div(int a, int b) {
  if (b == 0) throw EInvalidOperation(QStringLiteral("Division by zero"));
  return kv::SaturateToInt(int64_t(a) / b);
}

QString kv::IntToStr(int64_t v) { return QString::number(v); }

QChar kv::DecimalSeparator() {
  const QString sep = QLocale().decimalPoint();
  return sep.isEmpty() ? QChar('.') : sep.at(0);
}

namespace {

QString LocalizeDecimal(QString text) {
  const QChar sep = DecimalSeparator();
  if (sep != QChar('.')) text.replace(QChar('.'), sep);
  return text;
}

// Scientific notation as the framework writes it: d.dddE+xxx with Precision digits.
QString Scientific(long double value, int precision, int expDigits) {
  precision = std::clamp(precision, 1, 18);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*LE", precision - 1, value);
  QString s = QString::fromLatin1(buf);
  const int e = s.indexOf('E');
  if (e < 0) return s;
  QString mant = s.left(e);
  const QString expPart = s.mid(e + 1);
  const QChar sign = expPart.at(0);
  QString digits = expPart.mid(1);
  while (digits.size() > expDigits && digits.startsWith('0')) digits.remove(0, 1);
  while (digits.size() < expDigits) digits.prepend('0');
  return mant + 'E' + sign + digits;
}

}  // namespace

QString kv::FloatToStrF(long double value, TFloatFormat format, int precision, int digits) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
  precision = std::clamp(precision, 1, 18);
  digits = std::clamp(digits, 0, 18);
  switch (format) {
    case TFloatFormat::ffExponent:
      return LocalizeDecimal(Scientific(value, precision, std::max(digits, 1)));
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
    case TFloatFormat::ffCurrency: {
      // More integer digits than the precision: scientific notation instead.
      const long double mag = std::fabs(value);
      if (mag >= 1 && std::floor(std::log10(mag)) + 1 > precision)
        return LocalizeDecimal(Scientific(value, precision, 1));
      char buf[96];
      std::snprintf(buf, sizeof buf, "%.*Lf", digits, value);
      QString s = QString::fromLatin1(buf);
      if (s.startsWith('-') && s.mid(1).toDouble() == 0.0) s.remove(0, 1);
      return LocalizeDecimal(s);
    }
    case TFloatFormat::ffGeneral:
    default: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*Lg", precision, value);
      QString s = QString::fromLatin1(buf);
      if (s.contains('e')) {
        return LocalizeDecimal(Scientific(value, precision, 1));
      }
      return LocalizeDecimal(s);
    }
  }
}

namespace {

[[noreturn]] void BadFormat(const QString& format) {
  throw EConvertError(
      QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
}

bool IsIntegral(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: return true;
    default: return false;
  }
}

bool IsFloating(const QVariant& v) {
  return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

// Widths and precisions are capped so that a hostile format cannot ask for gigabytes.
constexpr int kMaxFieldWidth = 4096;

}  // namespace

QString kv::Format(const QString& format, std::initializer_list<QVariant> argList) {
  const std::vector<QVariant> args(argList);
  QString out;
  size_t argIndex = 0;
  const int n = format.size();
  auto next = [&]() -> const QVariant& {
    if (argIndex >= args.size()) BadFormat(format);
    return args[argIndex++];
  };
  for (int i = 0; i < n; ++i) {
    const QChar c = format.at(i);
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= n) BadFormat(format);
    if (format.at(i) == '%') {
      out += '%';
      continue;
    }
    // [index:] [-] [width] [.prec] type
    auto readNumber = [&](int& value) -> bool {
      if (i < n && format.at(i) == '*') {
        const QVariant& a = next();
        if (!IsIntegral(a)) BadFormat(format);
        value = int(std::clamp<long long>(a.toLongLong(), -kMaxFieldWidth, kMaxFieldWidth));
        ++i;
        return true;
      }
      if (i >= n || !format.at(i).isDigit()) return false;
      long long v = 0;
      while (i < n && format.at(i).isDigit()) {
        v = std::min<long long>(v * 10 + format.at(i).digitValue(), kMaxFieldWidth);
        ++i;
      }
      value = int(v);
      return true;
    };
    int number = 0;
    const int save = i;
    if (readNumber(number) && i < n && format.at(i) == ':') {
      if (number < 0 || size_t(number) >= args.size()) BadFormat(format);
      argIndex = size_t(number);
      ++i;
    } else {
      i = save;
    }
    bool left = false;
    if (i < n && format.at(i) == '-') {
      left = true;
      ++i;
    }
    int width = 0;
    readNumber(width);
    if (width < 0) {
      left = true;
      width = -width;
    }
    int prec = -1;
    if (i < n && format.at(i) == '.') {
      ++i;
      prec = 0;
      if (!readNumber(prec)) prec = 0;
      prec = std::clamp(prec, 0, kMaxFieldWidth);
    }
    if (i >= n) BadFormat(format);
    const QChar type = format.at(i).toLower();
    const QVariant& a = next();
    QString field;
    switch (type.unicode()) {
      case 'd':
      case 'u': {
        if (!IsIntegral(a)) BadFormat(format);
        const long long v = a.toLongLong();
        QString digits =
            QString::number(v < 0 ? -(unsigned long long)(v) : (unsigned long long)(v));
        if (prec > 0) digits = digits.rightJustified(prec, '0');
        field = (v < 0 ? QStringLiteral("-") : QString()) + digits;
        break;
      }
      case 'x': {
        if (!IsIntegral(a)) BadFormat(format);
        field = QString::number(a.toULongLong(), 16).toUpper();
        if (prec > 0) field = field.rightJustified(prec, '0');
        break;
      }
      case 's': {
        if (a.typeId() != QMetaType::QString && a.typeId() != QMetaType::QChar &&
            a.typeId() != QMetaType::QByteArray)
          BadFormat(format);
        field = a.toString();
        if (prec >= 0 && field.size() > prec) field.truncate(prec);
        break;
      }
      case 'f':
      case 'n':
      case 'm':
      case 'e':
      case 'g': {
        if (!IsFloating(a) && !IsIntegral(a)) BadFormat(format);
        const double v = a.toDouble();
        if (type == 'e') {
          field = FloatToStrF(v, TFloatFormat::ffExponent, prec < 0 ? 15 : std::max(prec, 1), 3);
        } else if (type == 'g') {
          field = FloatToStrF(v, TFloatFormat::ffGeneral, prec < 0 ? 15 : std::max(prec, 1), 3);
        } else {
          field = FloatToStrF(v, TFloatFormat::ffFixed, 18, prec < 0 ? 2 : std::min(prec, 18));
        }
        break;
      }
      case 'p': {
        field = QString::number(a.toULongLong(), 16).toUpper().rightJustified(16, '0');
        break;
      }
      default: BadFormat(format);
    }
    if (field.size() < width)
      field = left ? field.leftJustified(width) : field.rightJustified(width);
    out += field;
  }
  return out;
}

bool kv::IsAccel(QChar ch, const QString& caption) {
  const QChar want = ch.toUpper();
  for (int i = 0; i + 1 < caption.size(); ++i) {
    if (caption.at(i) != '&') continue;
    if (caption.at(i + 1) == '&') {
      ++i;  // "&&" is a literal ampersand
      continue;
    }
    return caption.at(i + 1).toUpper() == want;
  }
  return false;
}

namespace {
// The framework's linear congruential generator (RandSeed * 134775813 + 1).
std::atomic<uint32_t> gRandSeed{0};
TDateTime (*gClock)() = nullptr;

TDateTime FromQDateTime(const QDateTime& dt) {
  static const QDate epoch(1899, 12, 30);
  const qint64 days = epoch.daysTo(dt.date());
  const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
  return double(days) + frac;
}
}  // namespace

int kv::Random(int n) {
  if (n <= 0) return 0;
  uint32_t seed = gRandSeed.load(std::memory_order_relaxed);
  seed = seed * 134775813u + 1u;
  gRandSeed.store(seed, std::memory_order_relaxed);
  return int((uint64_t(seed) * uint64_t(n)) >> 32);
}

void kv::Randomize() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  RandSeed(uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
}

void kv::RandSeed(uint32_t seed) { gRandSeed.store(seed, std::memory_order_relaxed); }

TDateTime kv::Now() { return gClock ? gClock() : FromQDateTime(QDateTime::currentDateTime()); }
TDateTime kv::Time() {
  const TDateTime t = Now();
  return t - std::floor(t);
}

TDateTime kv::EncodeTime(int hour, int min, int sec, int msec) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    throw EConvertError(QStringLiteral("Invalid argument to time encode"));
  return (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / 86400000.0;
}

TDateTime kv::EncodeDate(int year, int month, int day) {
  const QDate d(year, month, day);
  if (!d.isValid()) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
  return double(QDate(1899, 12, 30).daysTo(d));
}

void kv::DecodeTime(TDateTime t, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  if (!std::isfinite(t)) t = 0;
  const double frac = std::fabs(t - std::trunc(t));
  long long ms = std::llround(frac * 86400000.0);
  if (ms >= 86400000) ms = 86399999;
  hour = uint16_t(ms / 3600000);
  min = uint16_t(ms / 60000 % 60);
  sec = uint16_t(ms / 1000 % 60);
  msec = uint16_t(ms % 1000);
}

void kv::DecodeDate(TDateTime t, uint16_t& year, uint16_t& month, uint16_t& day) {
  if (!std::isfinite(t) || std::fabs(t) > 2.9e6) t = 0;
  const QDate d = QDate(1899, 12, 30).addDays(qint64(std::floor(t)));
  year = uint16_t(d.year());
  month = uint16_t(d.month());
  day = uint16_t(d.day());
}

namespace kv {
void SetClockForTesting(TDateTime (*clock)()) { gClock = clock; }
}  // namespace kv
