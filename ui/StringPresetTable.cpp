#include "StringPresetTable.h"

#include <algorithm>
#include <array>
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

struct Instrument
{
    QStringView name;
    std::span<const StringPreset> strings;
};

constexpr std::array<Instrument, 6> kInstruments{{
    {u"Violin", kViolin},
    {u"Viola", kViola},
    {u"Cello", kCello},
    {u"ContraBass", kContraBass},
    {u"Guitar", kGuitar},
    {u"E.Bass", kElectricBass},
}};

std::span<const StringPreset> StringsOf(QStringView instrument)
{
    const auto found =
        std::find_if(kInstruments.begin(), kInstruments.end(),
                     [instrument](const Instrument& i) { return i.name == instrument; });
    return found == kInstruments.end() ? std::span<const StringPreset>() : found->strings;
}

} // namespace

int StringCount(QStringView instrument)
{
    return static_cast<int>(StringsOf(instrument).size());
}

std::optional<StringPreset> StringPresetCell(QStringView instrument, int string)
{
    const std::span<const StringPreset> strings = StringsOf(instrument);
    if (string < 1 || string > static_cast<int>(strings.size()))
        return std::nullopt;
    return strings[static_cast<std::size_t>(string - 1)];
}

} // namespace ui
