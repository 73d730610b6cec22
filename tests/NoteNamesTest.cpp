#include "tone/NoteNames.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

using tone::ParseNoteName;
using tone::ParseOctaveText;

struct TextCase
{
    const char16_t* text;
    std::optional<std::int32_t> expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << '"' << QString::fromUtf16(c.text).toStdString() << '"';
}

class NoteNameParsing : public testing::TestWithParam<TextCase>
{
};

TEST_P(NoteNameParsing, GivesTheNoteOrNoMatch)
{
    EXPECT_EQ(ParseNoteName(QStringView(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(LettersOfEitherCaseAndWidth, NoteNameParsing,
                         testing::Values(TextCase{u"C", 1}, TextCase{u"c", 1}, TextCase{u"a#", 11},
                                         TextCase{u"A#", 11}, TextCase{u"b", 12},
                                         TextCase{u"Ｃ", 1}, TextCase{u"Ａ＃", 11},
                                         TextCase{u"Ｂ", 12},
                                         // Full-width small letters become full-width capitals.
                                         TextCase{u"ｃ", 1}, TextCase{u"ａ＃", 11},
                                         TextCase{u"ｇ", 8}));

INSTANTIATE_TEST_SUITE_P(
    AnythingElseMatchesNothing, NoteNameParsing,
    testing::Values(TextCase{u"", std::nullopt}, TextCase{u" C", std::nullopt},
                    TextCase{u"C ", std::nullopt}, TextCase{u"Db", std::nullopt},
                    TextCase{u"H", std::nullopt}, TextCase{u"C#4", std::nullopt},
                    TextCase{u"B#", std::nullopt}, TextCase{u"E#", std::nullopt},
                    TextCase{u"CC", std::nullopt}, TextCase{u"#", std::nullopt},
                    // A sharp must have the width of its letter.
                    TextCase{u"Ｃ#", std::nullopt}, TextCase{u"C＃", std::nullopt},
                    TextCase{u"c＃", std::nullopt}, TextCase{u"Ａ#", std::nullopt}));

TEST(NoteNameTable, EveryNameAndFullWidthNameParsesBackToItsIndex)
{
    std::int32_t expectedIndex = 1;
    for (const tone::NoteNameEntry& entry : tone::NoteNameTable) {
        EXPECT_EQ(entry.noteIndex, expectedIndex);
        EXPECT_EQ(ParseNoteName(entry.name), entry.noteIndex)
            << entry.name.toString().toStdString();
        EXPECT_EQ(ParseNoteName(entry.fullWidthName), entry.noteIndex);
        EXPECT_EQ(tone::NoteName(entry.noteIndex), entry.name);
        EXPECT_EQ(entry.semitonesFromA, entry.noteIndex - 10);
        ++expectedIndex;
    }
}

TEST(NoteNameTable, IndexOutsideTheOctaveHasNoName)
{
    EXPECT_TRUE(tone::NoteName(0).isEmpty());
    EXPECT_TRUE(tone::NoteName(13).isEmpty());
    EXPECT_TRUE(tone::NoteName(-1).isEmpty());
}

class OctaveTextParsing : public testing::TestWithParam<TextCase>
{
};

TEST_P(OctaveTextParsing, GivesTheOctaveOrNoMatch)
{
    EXPECT_EQ(ParseOctaveText(QStringView(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(AsciiAndFullWidthDigits, OctaveTextParsing,
                         testing::Values(TextCase{u"0", 0}, TextCase{u"０", 0}, TextCase{u"4", 4},
                                         TextCase{u"４", 4}, TextCase{u"7", 7},
                                         TextCase{u"７", 7}));

INSTANTIATE_TEST_SUITE_P(
    AnythingElseMatchesNothing, OctaveTextParsing,
    testing::Values(TextCase{u"8", std::nullopt}, TextCase{u"８", std::nullopt},
                    TextCase{u"04", std::nullopt}, TextCase{u"-1", std::nullopt},
                    TextCase{u" 4", std::nullopt}, TextCase{u"4 ", std::nullopt},
                    TextCase{u"", std::nullopt}, TextCase{u"A", std::nullopt},
                    TextCase{u"44", std::nullopt}));

} // namespace
