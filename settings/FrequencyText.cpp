#include "FrequencyText.h"

#include "SettingsError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace settings {

namespace {

constexpr int kSignificantDigits = 15;
// Decimal exponents from -5 (0.00001) to 14 (15 integer digits) are written without one.
constexpr int kLowestFixedExponent = -5;
constexpr int kHighestFixedExponent = kSignificantDigits - 1;

// A number rounded to 15 significant digits: its sign, its digits without trailing zeros
// (at least one) and the decimal exponent of the first digit.
struct RoundedDecimal
{
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

RoundedDecimal RoundToSignificantDigits(long double value)
{
    // "-d.ddddddddddddddde-dddd" at most; std::to_chars is independent of the C locale.
    char buffer[48];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                      kSignificantDigits - 1);
    const std::string_view text(buffer, result.ptr);

    RoundedDecimal rounded;
    std::string_view mantissa = text.substr(0, text.find('e'));
    if (mantissa.front() == '-') {
        rounded.negative = true;
        mantissa.remove_prefix(1);
    }
    for (const char c : mantissa) {
        if (c != '.')
            rounded.digits.push_back(c);
    }
    const std::size_t lastNonZero = rounded.digits.find_last_not_of('0');
    rounded.digits.resize(lastNonZero == std::string::npos ? 1 : lastNonZero + 1);
    const std::string_view exponent = text.substr(text.find('e') + 1);
    const bool negativeExponent = exponent.front() == '-';
    std::from_chars(exponent.data() + 1, exponent.data() + exponent.size(), rounded.exponent);
    if (negativeExponent)
        rounded.exponent = -rounded.exponent;
    return rounded;
}

QString Layout(const RoundedDecimal& rounded, const QString& separator)
{
    const QString digits = QString::fromLatin1(rounded.digits);
    QString text = rounded.negative ? QStringLiteral("-") : QString();
    const int exponent = rounded.exponent;
    if (exponent < kLowestFixedExponent || exponent > kHighestFixedExponent) {
        text += digits.front();
        if (digits.size() > 1)
            text += separator + digits.sliced(1);
        return text + u'E' + QString::number(exponent);
    }
    if (exponent < 0)
        return text + u'0' + separator + QString(-exponent - 1, u'0') + digits;
    const qsizetype integerDigits = exponent + 1;
    if (digits.size() <= integerDigits)
        return text + digits + QString(integerDigits - digits.size(), u'0');
    return text + digits.first(integerDigits) + separator + digits.sliced(integerDigits);
}

// A stored text may be of any length; the message quotes its beginning, so that the error box
// stays readable.
constexpr qsizetype kLongestQuotedText = 100;

QString NotAFloatingPointNumber(QStringView text)
{
    QString quoted = text.first(std::min(text.size(), kLongestQuotedText)).toString();
    if (quoted.size() < text.size()) {
        // Not cut between the two halves of a character beyond the Basic Multilingual Plane.
        if (quoted.back().isHighSurrogate())
            quoted.chop(1);
        quoted += u'…';
    }
    return QStringLiteral("'%1' は浮動小数点数ではありません").arg(quoted);
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The C library's number reading in the C locale, whatever locale the program runs in.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return c;
}

} // namespace

QString FormatFrequencyText(long double frequency, const QLocale& locale)
{
    if (!std::isfinite(frequency))
        frequency = kFrequencyForNonFiniteValues;
    return Layout(RoundToSignificantDigits(frequency), locale.decimalPoint());
}

long double ParseFrequencyText(QStringView text, const QLocale& locale)
{
    const QString separator = locale.decimalPoint();
    // The text checked against the grammar and copied with a full stop as separator.
    std::string plain;
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < text.size() && text[i] == u' ')
            ++i;
    };
    const auto copySign = [&] {
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            plain.push_back(static_cast<char>(text[i++].unicode()));
    };
    const auto copyDigits = [&] {
        const qsizetype start = i;
        while (i < text.size() && IsDigit(text[i]))
            plain.push_back(static_cast<char>(text[i++].unicode()));
        return i - start;
    };

    skipSpaces();
    copySign();
    qsizetype mantissaDigits = copyDigits();
    if (text.sliced(i).startsWith(separator)) {
        plain.push_back('.');
        i += separator.size();
        mantissaDigits += copyDigits();
    }
    bool valid = mantissaDigits > 0;
    if (valid && i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
        plain.push_back('e');
        ++i;
        copySign();
        valid = copyDigits() > 0;
    }
    skipSpaces();
    if (!valid || i != text.size())
        throw SettingsError(NotAFloatingPointNumber(text));

    const long double value = strtold_l(plain.c_str(), nullptr, CLocale());
    // Too large a value reads as infinite; too small a value reads as 0 or denormal.
    if (!std::isfinite(value))
        throw SettingsError(NotAFloatingPointNumber(text));
    return value;
}

long double ParseBuiltInFrequencyText(QStringView text)
{
    return ParseFrequencyText(text, QLocale::c());
}

} // namespace settings
