#pragma once

#include "tone/StartTone.h"

#include <QLocale>
#include <QString>
#include <QStringView>

namespace settings {

// A frequency that is infinite or not a number is written as the frequency a run starts with
// instead, because its text would not read back as a frequency.
inline constexpr long double kFrequencyForNonFiniteValues = tone::kStartFrequency;

// The text of a frequency in hertz: rounded to 15 significant digits, written without
// trailing zeros or a trailing decimal separator, with the locale's decimal separator (so
// 440 gives "440" and 261.6255653005986 gives "261.625565300599"). Values below 0.00001 and
// values of 16 or more integer digits, which frequencies never reach, are written as a
// mantissa and an exponent of no minimum width: "1E-6", "-2.5E20". Infinite values and NaN
// are written as kFrequencyForNonFiniteValues, so that every text given here reads back with
// ParseFrequencyText in the same locale.
QString FormatFrequencyText(long double frequency, const QLocale& locale = QLocale());

// Reads a frequency text: optional spaces, an optional sign, digits with at most one of the
// locale's decimal separators, an optional exponent (E or e, an optional sign, digits) and
// optional spaces, to extended precision. Any other text, the empty text included, and a
// value too large for extended precision raise SettingsError
// "'text' は浮動小数点数ではありません", which quotes a text longer than 100 characters by its
// first 100 and "…".
long double ParseFrequencyText(QStringView text, const QLocale& locale = QLocale());

// Reads one of the program's own frequency texts, written with a full stop as decimal
// separator whatever the user's locale.
long double ParseBuiltInFrequencyText(QStringView text);

} // namespace settings
