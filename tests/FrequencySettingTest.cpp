#include "settings/FrequencySetting.h"
#include "SettingsStoreSupport.h"
#include "settings/SettingsStore.h"

#include <limits>

namespace {

using settings::ReadFrequencySetting;
using settings::SettingsStore;
using settings::WriteFrequencySetting;

class FrequencySettingTest : public SettingsStoreTest
{
protected:
    const ScopedDefaultLocale commaLocale_{QLocale(QLocale::German, QLocale::Germany)};
};

TEST_F(FrequencySettingTest, MissingValueReadsTheBuiltInDefaultInAnyLocale)
{
    EXPECT_EQ(ReadFrequencySetting(SettingsStore(), u"Setting", u"F_Sound", u"440.0"), 440.0L);
}

TEST_F(FrequencySettingTest, StoredTextFollowsTheLocale)
{
    writeStoreFile("[Setting]\nF_Sound=440.0\n");

    EXPECT_TRUE(RaisesSettingsError(
        [] { ReadFrequencySetting(SettingsStore(), u"Setting", u"F_Sound", u"440.0"); },
        "'440.0' は浮動小数点数ではありません"));
}

TEST_F(FrequencySettingTest, WrittenFrequenciesReadBack)
{
    SettingsStore store;
    WriteFrequencySetting(store, u"Setting", u"F_Sound", 261.6255653005986L);
    WriteFrequencySetting(store, u"Setting", u"F_Sound_Old",
                          std::numeric_limits<long double>::infinity());

    EXPECT_EQ(storeFileContents(), "[Setting]\nF_Sound=\"261,625565300599\"\nF_Sound_Old=440\n");
    EXPECT_EQ(ReadFrequencySetting(store, u"Setting", u"F_Sound", u"440.0"), 261.625565300599L);
    EXPECT_EQ(ReadFrequencySetting(store, u"Setting", u"F_Sound_Old", u"440.0"), 440.0L);
}

} // namespace
