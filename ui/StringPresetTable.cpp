#include "StringPresetTable.h"

#include <span>

namespace ui {

namespace {

// Each instrument's open strings from the lowest button up. The frequencies at A = 440 are
// given for the reader.
constexpr std::array<StringPreset, 4> kViolin{{
    {u"G", 8, 3},  // 196.00 Hz
    {u"D", 3, 4},  // 293.66 Hz
    {u"A", 10, 4}, // 440.00 Hz
    {u"E", 5, 5},  // 659.26 Hz
}};
constexpr std::array<StringPreset, 4> kViola{{
    {u"C", 1, 3},  // 130.81 Hz
    {u"G", 8, 3},  // 196.00 Hz
    {u"D", 3, 4},  // 293.66 Hz
    {u"A", 10, 4}, // 440.00 Hz
}};
constexpr std::array<StringPreset, 4> kCello{{
    {u"C", 1, 2},  // 65.41 Hz
    {u"G", 8, 2},  // 98.00 Hz
    {u"D", 3, 3},  // 146.83 Hz
    {u"A", 10, 3}, // 220.00 Hz
}};
constexpr std::array<StringPreset, 5> kContraBass{{
    {u"B", 12, 1}, // 61.74 Hz
    {u"E", 5, 2},  // 82.41 Hz
    {u"A", 10, 2}, // 110.00 Hz
    {u"D", 3, 3},  // 146.83 Hz
    {u"G", 8, 3},  // 196.00 Hz
}};
constexpr std::array<StringPreset, 6> kGuitar{{
    {u"E", 5, 2},  // 82.41 Hz
    {u"A", 10, 2}, // 110.00 Hz
    {u"D", 3, 3},  // 146.83 Hz
    {u"G", 8, 3},  // 196.00 Hz
    {u"B", 12, 3}, // 246.94 Hz
    {u"E", 5, 4},  // 329.63 Hz
}};
constexpr std::array<StringPreset, 4> kElectricBass{{
    {u"E", 5, 2},  // 82.41 Hz
    {u"A", 10, 2}, // 110.00 Hz
    {u"D", 3, 3},  // 146.83 Hz
    {u"G", 8, 3},  // 196.00 Hz
}};

std::span<const StringPreset> StringsOf(int instrument)
{
    switch (instrument) {
    case 1:
        return kViolin;
    case 2:
        return kViola;
    case 3:
        return kCello;
    case 4:
        return kContraBass;
    case 5:
        return kGuitar;
    case 6:
        return kElectricBass;
    default:
        return {};
    }
}

} // namespace

int StringCount(int instrument)
{
    return static_cast<int>(StringsOf(instrument).size());
}

std::optional<StringPreset> StringPresetCell(int instrument, int string)
{
    const std::span<const StringPreset> strings = StringsOf(instrument);
    if (string < 1 || string > static_cast<int>(strings.size()))
        return std::nullopt;
    return strings[static_cast<std::size_t>(string - 1)];
}

} // namespace ui
