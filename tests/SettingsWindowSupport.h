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
    // Closes the window, which saves its settings, and starts the program again.
    void restart()
    {
        form->close();
        start();
        forget();
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
