#include "IntegerText.h"

namespace tone {

namespace {

std::optional<unsigned> DigitValue(QChar c, unsigned radix)
{
    const char16_t u = c.unicode();
    unsigned value = 0;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    else
        return std::nullopt;
    if (value >= radix)
        return std::nullopt;
    return value;
}

// One or more digits running to the end of the text, as long as the value stays within
// limit.
std::optional<std::uint64_t> ReadDigits(QStringView digits, unsigned radix, std::uint64_t limit)
{
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : digits) {
        const std::optional<unsigned> digit = DigitValue(c, radix);
        if (!digit)
            return std::nullopt;
        value = value * radix + *digit;
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

// The text after a hexadecimal prefix, or nothing when the text has none.
std::optional<QStringView> HexadecimalDigitsAfterPrefix(QStringView text)
{
    if (text.startsWith(u"0x") || text.startsWith(u"0X"))
        return text.sliced(2);
    if (text.startsWith(u'$') || text.startsWith(u'x') || text.startsWith(u'X'))
        return text.sliced(1);
    return std::nullopt;
}

} // namespace

std::optional<std::int32_t> ParseIntegerText(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start] == u' ')
        ++start;
    const QStringView number = text.sliced(start);

    if (const std::optional<QStringView> hex = HexadecimalDigitsAfterPrefix(number)) {
        if (const std::optional<std::uint64_t> pattern = ReadDigits(*hex, 16, 0xFFFF'FFFFu))
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(*pattern));
        return std::nullopt;
    }

    const bool negative = number.startsWith(u'-');
    const QStringView digits = (negative || number.startsWith(u'+')) ? number.sliced(1) : number;
    // The magnitude may reach 2^31 only for a negative number.
    const std::uint64_t limit = negative ? 0x8000'0000u : 0x7FFF'FFFFu;
    const std::optional<std::uint64_t> magnitude = ReadDigits(digits, 10, limit);
    if (!magnitude)
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(*magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace tone
