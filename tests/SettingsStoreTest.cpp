#include "settings/SettingsStore.h"
#include "NamedCase.h"
#include "SettingsStoreSupport.h"

#include <QFileInfo>

#include <cstdint>
#include <limits>

namespace {

using settings::SettingsStore;

constexpr QStringView kSection = u"Setting";

TEST_F(SettingsStoreTest, OpeningCreatesAnEmptyStoreThatGivesTheDefaults)
{
    const SettingsStore store;

    EXPECT_EQ(store.fileName(), storeFile());
    EXPECT_TRUE(QFileInfo(storeFile()).isFile());
    EXPECT_EQ(storeFileContents(), QByteArray());
    EXPECT_EQ(store.ReadTextSetting(kSection, u"ToneText", u"A"), "A");
    EXPECT_EQ(store.ReadIntegerSetting(u"Locate", u"Top", 20), 20);
}

TEST_F(SettingsStoreTest, OpeningKeepsTheStoreAndIgnoresTheOrganisationsCommonFile)
{
    writeStoreFile("[Locate]\nTop=5\n");
    QFile common(configFolder() + "/Veltrane.conf");
    ASSERT_TRUE(common.open(QIODevice::WriteOnly));
    common.write("[Locate]\nLeft=7\n");
    common.close();

    const SettingsStore store;

    EXPECT_EQ(storeFileContents(), "[Locate]\nTop=5\n");
    EXPECT_EQ(store.ReadIntegerSetting(u"Locate", u"Top", 20), 5);
    EXPECT_EQ(store.ReadIntegerSetting(u"Locate", u"Left", 20), 20);
}

struct StoredTextCase
{
    const char* name;
    QString text;
};

class StoredTextRoundTrip : public SettingsStoreTest,
                            public testing::WithParamInterface<StoredTextCase>
{
};

TEST_P(StoredTextRoundTrip, ReadsBackTheWrittenText)
{
    SettingsStore().WriteTextSetting(kSection, u"F_Sound", GetParam().text);

    EXPECT_EQ(SettingsStore().ReadTextSetting(kSection, u"F_Sound", u"default"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoredTextRoundTrip,
    testing::Values(StoredTextCase{"CommaSeparator", "261,625565300599"},
                    StoredTextCase{"Empty", ""}, StoredTextCase{"OuterSpaces", "  A "},
                    StoredTextCase{"FullWidthAndKana", "Ａ＃ラ"},
                    StoredTextCase{"LooksLikeATypedValue", "@Variant(\\0\\0\\0\\x2)"},
                    StoredTextCase{"IniPunctuation", "a;b=c\"d\"[e]\\f"}),
    CaseName<StoredTextCase>);

TEST_F(SettingsStoreTest, StoresTextsAsUtf8)
{
    SettingsStore store;
    store.WriteTextSetting(kSection, u"ToneText", "ラ");

    EXPECT_TRUE(storeFileContents().contains("ToneText=\xE3\x83\xA9\n"));
}

TEST_F(SettingsStoreTest, StoresIntegersAsDecimalTextAndCreatesEachSectionOnce)
{
    SettingsStore store;
    store.WriteIntegerSetting(u"Locate", u"Top", 20);
    store.WriteIntegerSetting(kSection, u"Volume", -1);
    store.WriteIntegerSetting(kSection, u"Pitch", std::numeric_limits<std::int32_t>::min());

    EXPECT_EQ(storeFileContents(), "[Locate]\nTop=20\n\n[Setting]\nPitch=-2147483648\nVolume=-1\n");
    EXPECT_EQ(store.ReadIntegerSetting(kSection, u"Volume", 200), -1);
    EXPECT_EQ(store.ReadIntegerSetting(kSection, u"Pitch", 440),
              std::numeric_limits<std::int32_t>::min());
}

// A value as a hand-edited or foreign file holds it, and what reading it gives.
struct StoredValueCase
{
    const char* name;
    QByteArray line;
    QString text;
    std::int32_t integer;
    QString error;
};

class HandEditedValue : public SettingsStoreTest,
                        public testing::WithParamInterface<StoredValueCase>
{
protected:
    void SetUp() override
    {
        SettingsStoreTest::SetUp();
        writeStoreFile("[Setting]\nOctave=" + GetParam().line + "\n");
    }
};

TEST_P(HandEditedValue, ReadsAsTextAndInteger)
{
    const SettingsStore store;
    const StoredValueCase& c = GetParam();
    if (c.error.isEmpty()) {
        EXPECT_EQ(store.ReadTextSetting(kSection, u"Octave", u"4"), c.text);
        EXPECT_EQ(store.ReadIntegerSetting(kSection, u"Octave", 4), c.integer);
    } else {
        EXPECT_TRUE(RaisesSettingsError([&] { store.ReadTextSetting(kSection, u"Octave", u"4"); },
                                        c.error));
        EXPECT_TRUE(RaisesSettingsError([&] { store.ReadIntegerSetting(kSection, u"Octave", 4); },
                                        c.error));
    }
}

const QString kDataTypeError = "'Octave' のデータ型が不正です";

INSTANTIATE_TEST_SUITE_P(
    Values, HandEditedValue,
    testing::Values(StoredValueCase{"PlainNumber", "5", "5", 5, {}},
                    StoredValueCase{"HexadecimalAfterDollar", "$C", "$C", 12, {}},
                    StoredValueCase{"Letters", "abc", "abc", 4, {}},
                    StoredValueCase{"UnquotedComma", "261,6", "261,6", 4, {}},
                    StoredValueCase{"EmptyText", "", "", 4, {}},
                    StoredValueCase{"EmptyByteArray", "@ByteArray()", "", 4, {}},
                    StoredValueCase{"EmptyOfUnknownType", "@Invalid()", "", 4, {}},
                    StoredValueCase{"TextUpToItsFirstZero", "7\\0 8", "7", 7, {}},
                    StoredValueCase{"UnescapedUtf8", "\xE3\x83\xA9", "ラ", 4, {}},
                    StoredValueCase{
                        "Number", "@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)", {}, 0, kDataTypeError},
                    StoredValueCase{"ByteArray", "@ByteArray(5)", {}, 0, kDataTypeError}),
    CaseName<StoredValueCase>);

// The failures a store can meet even when the program runs as root, which reads and writes
// files whatever their modes.

TEST_F(SettingsStoreTest, StoreFileThatIsAFolderIsSetAsideBesideAnEarlierOneAndStartedAfresh)
{
    writeStoreFile("earlier");
    ASSERT_TRUE(QFile::rename(storeFile(), storeFile() + ".damaged"));
    ASSERT_TRUE(QDir().mkpath(storeFile()));
    SettingsStore store;

    ASSERT_TRUE(store.setAsideNotice());
    EXPECT_EQ(store.setAsideNotice()->message(),
              "読み込めない設定ファイルを " + storeFile() + ".damaged.2 に移しました");
    EXPECT_TRUE(QFileInfo(storeFile() + ".damaged.2").isDir());
    EXPECT_EQ(QFileInfo(storeFile() + ".damaged").size(), 7);
    EXPECT_EQ(store.ReadIntegerSetting(u"Locate", u"Top", 20), 20);
    store.WriteIntegerSetting(u"Locate", u"Top", 5);
    EXPECT_EQ(storeFileContents(), "[Locate]\nTop=5\n");
}

TEST_F(SettingsStoreTest, StoreFolderThatIsAFileGivesDefaultsAndFailsToCreateSections)
{
    QFile blocker(storeFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store;

    EXPECT_EQ(store.ReadIntegerSetting(u"Locate", u"Top", 20), 20);
    EXPECT_TRUE(RaisesSettingsError([&] { store.WriteIntegerSetting(u"Locate", u"Top", 20); },
                                    "キー Locate の作成に失敗しました"));
    EXPECT_TRUE(RaisesSettingsError([&] { store.WriteTextSetting(kSection, u"ToneText", "A"); },
                                    "キー Setting の作成に失敗しました"));
}

TEST_F(SettingsStoreTest, FailedWriteNamesTheValueInAnExistingSectionAndLeavesTheStoreAsItWas)
{
    writeStoreFile("[Setting]\nPitch=440\n");
    SettingsStore store;
    {
        const FullDisk fullDisk;
        EXPECT_TRUE(RaisesSettingsError([&] { store.WriteIntegerSetting(kSection, u"Pitch", 450); },
                                        "'Pitch' の設定に失敗しました"));
        EXPECT_TRUE(RaisesSettingsError([&] { store.WriteTextSetting(kSection, u"Octave", "3"); },
                                        "'Octave' の設定に失敗しました"));
        EXPECT_TRUE(RaisesSettingsError([&] { store.WriteIntegerSetting(u"Locate", u"Top", 5); },
                                        "キー Locate の作成に失敗しました"));
    }

    EXPECT_EQ(storeFileContents(), "[Setting]\nPitch=440\n");
    EXPECT_EQ(store.ReadIntegerSetting(kSection, u"Pitch", 0), 440);
    EXPECT_EQ(store.ReadIntegerSetting(kSection, u"Octave", 4), 4);
    EXPECT_EQ(store.ReadIntegerSetting(u"Locate", u"Top", 20), 20);
}

} // namespace
