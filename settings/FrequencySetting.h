#pragma once

#include <QStringView>

namespace settings {

class SettingsStore;

// A frequency stored as its text in the user's locale (FrequencyText.h). A missing value
// gives builtInDefault, which the program writes with a full stop as decimal separator, so
// that a first run reads its defaults on every locale. A stored text that is not a number
// raises SettingsError, as do the store's own failures.
long double ReadFrequencySetting(const SettingsStore& store, QStringView section, QStringView name,
                                 QStringView builtInDefault);

void WriteFrequencySetting(SettingsStore& store, QStringView section, QStringView name,
                           long double frequency);

} // namespace settings
