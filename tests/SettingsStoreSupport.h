#pragma once

#include "settings/SettingsError.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <ostream>

// Shows a QString as its text in GoogleTest's messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Gives each test a configuration folder of its own. QSettings reads XDG_CONFIG_HOME only
// once per process, so the folder is set through QSettings::setPath.
class SettingsStoreTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(configFolder_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder_.path());
    }

    QString configFolder() const { return configFolder_.path(); }
    QString storeFolder() const { return configFolder_.filePath("Veltrane"); }
    QString storeFile() const { return configFolder_.filePath("Veltrane/ParvelloJr.conf"); }

    // Writes the store's file as a user editing it by hand would.
    void writeStoreFile(const QByteArray& contents) const
    {
        ASSERT_TRUE(QDir().mkpath(storeFolder()));
        QFile file(storeFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(contents), contents.size());
    }

    QByteArray storeFileContents() const
    {
        QFile file(storeFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir configFolder_;
};

// Sets the user's locale for one test.
class ScopedDefaultLocale
{
public:
    explicit ScopedDefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedDefaultLocale() { QLocale::setDefault(previous_); }
    ScopedDefaultLocale(const ScopedDefaultLocale&) = delete;
    ScopedDefaultLocale& operator=(const ScopedDefaultLocale&) = delete;

private:
    QLocale previous_;
};

// The message of the SettingsError that action raises, or a failure when it raises none.
inline testing::AssertionResult RaisesSettingsError(const std::function<void()>& action,
                                                    const QString& message)
{
    try {
        action();
    } catch (const settings::SettingsError& error) {
        if (error.message() == message)
            return testing::AssertionSuccess();
        return testing::AssertionFailure()
               << "raised \"" << error.what() << "\" instead of \"" << message.toStdString() << '"';
    }
    return testing::AssertionFailure()
           << "raised nothing instead of \"" << message.toStdString() << '"';
}
