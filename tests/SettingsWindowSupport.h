#pragma once

#include "WindowFixture.h"

#include "settings/SettingsLayout.h"
#include "settings/SettingsStore.h"

#include <QDir>

#include <functional>
#include <string>

// A main window whose runs are followed across restarts of the program.
class SettingsWindowTest : public WindowTest
{
protected:
    // Starts the program on a store file written by hand; an empty text gives a first run,
    // with no store at all. placeMore, when given, then puts what else the test needs into
    // the store's folder (which it creates).
    void startWith(const QByteArray& storeFile,
                   const std::function<void(const TemporarySettingsFolder&)>& placeMore = {})
    {
        form.reset();
        ASSERT_TRUE(QDir(settingsFolder.storeFolder()).removeRecursively());
        if (!storeFile.isEmpty())
            settingsFolder.writeStoreFile(storeFile);
        if (placeMore) {
            ASSERT_TRUE(QDir().mkpath(settingsFolder.storeFolder()));
            placeMore(settingsFolder);
        }
        start();
    }

    // Closes the window, which saves its settings, and starts the program again.
    void restart()
    {
        form->close();
        start();
        forget();
    }

    // A stored text, or "<missing>".
    static QString stored(QStringView section, QStringView name)
    {
        return settings::SettingsStore().ReadTextSetting(section, name, u"<missing>");
    }
    static QString storedSetting(QStringView name)
    {
        return stored(settings::kSettingSection, name);
    }
    // The stored outer bounds.
    static QRect storedBounds()
    {
        const settings::SettingsStore store;
        const auto read = [&](QStringView name) {
            return store.ReadIntegerSetting(settings::kLocateSection, name, -99999);
        };
        return {read(settings::kLeftName), read(settings::kTopName), read(settings::kWidthName),
                read(settings::kHeightName)};
    }

    int visibleStringButtons() const
    {
        int visible = 0;
        for (const ui::RadioButton* button : stringButtons())
            visible += !button->isHidden();
        return visible;
    }
};
