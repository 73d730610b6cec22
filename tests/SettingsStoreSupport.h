#pragma once

#include "settings/SettingsError.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <optional>
#include <ostream>
#include <sys/resource.h>

// Shows a QString as its text in GoogleTest's messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// A configuration folder of the store's own for as long as the object lives: the store looks
// for its file in $XDG_CONFIG_HOME, which is set to the folder and put back afterwards.
class TemporarySettingsFolder
{
public:
    TemporarySettingsFolder()
    {
        if (qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
            previous_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder_.path()));
    }
    ~TemporarySettingsFolder()
    {
        if (previous_)
            qputenv("XDG_CONFIG_HOME", *previous_);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    TemporarySettingsFolder(const TemporarySettingsFolder&) = delete;
    TemporarySettingsFolder& operator=(const TemporarySettingsFolder&) = delete;

    bool isValid() const { return folder_.isValid(); }
    QString path() const { return folder_.path(); }
    QString storeFolder() const { return folder_.filePath("Veltrane"); }
    QString storeFile() const { return folder_.filePath("Veltrane/ParvelloJr.conf"); }

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
    std::optional<QByteArray> previous_;
    QTemporaryDir folder_;
};

// Gives each test a configuration folder of its own.
class SettingsStoreTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(configFolder_.isValid()); }

    QString configFolder() const { return configFolder_.path(); }
    QString storeFolder() const { return configFolder_.storeFolder(); }
    QString storeFile() const { return configFolder_.storeFile(); }
    void writeStoreFile(const QByteArray& contents) const
    {
        configFolder_.writeStoreFile(contents);
    }
    QByteArray storeFileContents() const { return configFolder_.storeFileContents(); }

private:
    TemporarySettingsFolder configFolder_;
};

// Makes every file write of this process fail, as a full disk would, root's included.
class FullDisk
{
public:
    FullDisk() : previousHandler_(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &previousLimit_);
        rlimit noBytes = previousLimit_;
        noBytes.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &noBytes);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &previousLimit_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    void (*previousHandler_)(int);
    rlimit previousLimit_{};
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
