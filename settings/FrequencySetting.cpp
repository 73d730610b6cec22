#include "FrequencySetting.h"

#include "FrequencyText.h"
#include "SettingsStore.h"

namespace settings {

long double ReadFrequencySetting(const SettingsStore& store, QStringView section, QStringView name,
                                 QStringView builtInDefault)
{
    if (const std::optional<QString> text = store.ReadStoredText(section, name))
        return ParseFrequencyText(*text);
    return ParseBuiltInFrequencyText(builtInDefault);
}

void WriteFrequencySetting(SettingsStore& store, QStringView section, QStringView name,
                           long double frequency)
{
    store.WriteTextSetting(section, name, FormatFrequencyText(frequency));
}

} // namespace settings
