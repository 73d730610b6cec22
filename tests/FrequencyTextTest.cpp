#include "settings/FrequencyText.h"
#include "NamedCase.h"
#include "SettingsStoreSupport.h"

#include <cmath>
#include <limits>

namespace {

using settings::FormatFrequencyText;
using settings::ParseFrequencyText;

const QLocale kFullStopLocale = QLocale::c();
const QLocale kCommaLocale{QLocale::German, QLocale::Germany};

struct FormatCase
{
    const char* name;
    long double frequency;
    QLocale locale;
    QString text;
};

class FrequencyTextFormat : public testing::TestWithParam<FormatCase>
{
};

TEST_P(FrequencyTextFormat, RoundsTo15SignificantDigits)
{
    EXPECT_EQ(FormatFrequencyText(GetParam().frequency, GetParam().locale), GetParam().text);
}

constexpr long double kInfinity = std::numeric_limits<long double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Frequencies, FrequencyTextFormat,
    testing::Values(
        FormatCase{"WholeNumberHasNoSeparator", 440.0L, kFullStopLocale, "440"},
        FormatCase{"MiddleC", 261.6255653005986L, kFullStopLocale, "261.625565300599"},
        FormatCase{"CommaLocale", 261.6255653005986L, kCommaLocale, "261,625565300599"},
        FormatCase{"RoundingCarriesIntoANewDigit", 9.9999999999999999L, kFullStopLocale, "10"},
        // As a double it would be 1.0000000000000051 and round up.
        FormatCase{"RoundedFromTheLongDouble", 1.000000000000004999L, kFullStopLocale, "1"},
        FormatCase{"Negative", -0.25L, kFullStopLocale, "-0.25"},
        FormatCase{"SmallestFixed", 0.00001L, kFullStopLocale, "0.00001"},
        FormatCase{"BelowSmallestFixed", 0.0000015L, kCommaLocale, "1,5E-6"},
        FormatCase{"FifteenIntegerDigits", 123456789012345.0L, kFullStopLocale, "123456789012345"},
        FormatCase{"SixteenIntegerDigits", -1234567890123456.0L, kFullStopLocale,
                   "-1.23456789012346E15"},
        FormatCase{"LargestFinite", std::numeric_limits<long double>::max(), kFullStopLocale,
                   "1.18973149535723E4932"},
        FormatCase{"InfinityAsTheDefault", kInfinity, kCommaLocale, "440"},
        FormatCase{"NaNAsTheDefault", std::numeric_limits<long double>::quiet_NaN(),
                   kFullStopLocale, "440"}),
    CaseName<FormatCase>);

TEST(FrequencyTextRoundTrip, EveryWrittenTextReadsBackInItsLocale)
{
    const long double frequencies[] = {261.6255653005986L, 0.0000015L,
                                       std::numeric_limits<long double>::max(),
                                       std::numeric_limits<long double>::denorm_min(), -kInfinity};
    for (const QLocale& locale : {kFullStopLocale, kCommaLocale}) {
        for (const long double frequency : frequencies) {
            const QString text = FormatFrequencyText(frequency, locale);
            EXPECT_EQ(FormatFrequencyText(ParseFrequencyText(text, locale), locale), text);
        }
    }
}

struct ParseCase
{
    const char* name;
    QString text;
    QLocale locale;
    long double frequency;
};

class FrequencyTextParse : public testing::TestWithParam<ParseCase>
{
};

TEST_P(FrequencyTextParse, ReadsTheWholeTextInExtendedPrecision)
{
    EXPECT_EQ(ParseFrequencyText(GetParam().text, GetParam().locale), GetParam().frequency);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FrequencyTextParse,
    testing::Values(ParseCase{"Digits", "440", kFullStopLocale, 440.0L},
                    // 0.1 as a double would differ from the nearest extended-precision value.
                    ParseCase{"NotThroughDouble", "0.1", kFullStopLocale, 0.1L},
                    ParseCase{"FifteenDigits", "261.625565300599", kFullStopLocale,
                              261.625565300599L},
                    ParseCase{"CommaLocale", "261,6", kCommaLocale, 261.6L},
                    ParseCase{"OuterSpacesAndSigns", "  +2.5e-1  ", kFullStopLocale, 0.25L},
                    ParseCase{"UpperCaseExponent", "-1,5E+2", kCommaLocale, -150.0L},
                    ParseCase{"NoIntegerDigits", ".5", kFullStopLocale, 0.5L},
                    ParseCase{"UnderflowToZero", "1e-99999", kFullStopLocale, 0.0L}),
    CaseName<ParseCase>);

class FrequencyTextRejection : public testing::TestWithParam<ParseCase>
{
};

TEST_P(FrequencyTextRejection, RaisesTheConversionErrorWithTheText)
{
    const QString& text = GetParam().text;
    EXPECT_TRUE(RaisesSettingsError([&] { ParseFrequencyText(text, GetParam().locale); },
                                    "'" + text + "' は浮動小数点数ではありません"));
}

INSTANTIATE_TEST_SUITE_P(
    NotNumbers, FrequencyTextRejection,
    testing::Values(ParseCase{"Empty", "", kFullStopLocale, 0},
                    ParseCase{"OnlySeparator", ".", kFullStopLocale, 0},
                    ParseCase{"OtherLocalesSeparator", "261,6", kFullStopLocale, 0},
                    ParseCase{"FullStopInCommaLocale", "440.0", kCommaLocale, 0},
                    ParseCase{"TwoSeparators", "1.2.3", kFullStopLocale, 0},
                    ParseCase{"Unit", "440Hz", kFullStopLocale, 0},
                    ParseCase{"SpaceInside", "4 40", kFullStopLocale, 0},
                    ParseCase{"ExponentWithoutDigits", "1e+", kFullStopLocale, 0},
                    ParseCase{"ExponentWithoutMantissa", "e5", kFullStopLocale, 0},
                    ParseCase{"Hexadecimal", "0x1B8", kFullStopLocale, 0},
                    ParseCase{"Infinity", "inf", kFullStopLocale, 0},
                    ParseCase{"BeyondExtendedPrecision", "1e5000", kFullStopLocale, 0}),
    CaseName<ParseCase>);

} // namespace
