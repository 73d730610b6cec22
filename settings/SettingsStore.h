#pragma once

#include "SettingsError.h"
#include "StoreFile.h"

#include <QDeadlineTimer>
#include <QString>
#include <QStringView>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class QLockFile;

namespace settings {

// The program's per-user store: the file Veltrane/ParvelloJr.conf in the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config), in the INI format of QSettings, where QSettings
// keeps the native settings of organisation "Veltrane" and application "ParvelloJr" on Linux
// (identity::kOrganisationName and identity::kApplicationName).
// Values live in named sections and are always written as plain text, integers included.
// Texts are UTF-8.
//
// Each read and write opens the store afresh, so a store object may live across a whole
// load or save and sees what other instances of the program wrote meanwhile; QSettings works
// on a copy of the file (StoreView). Every write replaces the file at once, so that its
// failure is known when the write returns; the first one takes the lock file beside the store,
// which the store keeps until it is destroyed. Failures raise SettingsError with the message
// the user sees; a missing section or value is no failure.
class SettingsStore
{
public:
    // Opens the store, creating its file and folder when absent, so that the store exists
    // after a first load. A file that cannot be a settings file (no regular file once
    // symlinks are followed, one larger than a settings file can be, or one that QSettings
    // cannot parse) is set aside beside itself as ParvelloJr.conf.damaged and replaced by an
    // empty one; setAsideNotice() then tells the user where it went. A store that can be
    // neither opened nor created is not reported here; its reads and writes report it.
    SettingsStore();
    ~SettingsStore();

    // Where the store lives.
    QString fileName() const;

    // "読み込めない設定ファイルを <new name> に移しました" when opening set the file aside.
    const std::optional<SettingsError>& setAsideNotice() const { return setAsideNotice_; }

    // The stored text, or defaultText when the section or the value is missing.
    QString ReadTextSetting(QStringView section, QStringView name, QStringView defaultText) const;

    // The stored text read as an integer (tone::ParseIntegerText), or defaultValue when the
    // section or the value is missing or its text is not a 32-bit integer.
    std::int32_t ReadIntegerSetting(QStringView section, QStringView name,
                                    std::int32_t defaultValue) const;

    // The stored text, or nothing when the section or the value is missing. Raises
    // "'name' の取得に失敗しました" when the store cannot be read and
    // "'name' のデータ型が不正です" when the value is not text (a number or a byte array
    // stored by another program, or any value in QSettings' binary serialisation of typed
    // values, which is never decoded: SerialisedValues). Empty data gives the empty text
    // whatever its type, and a list (an unquoted comma in a hand-edited file) gives its items
    // joined by commas. The text ends before its first zero character.
    std::optional<QString> ReadStoredText(QStringView section, QStringView name) const;

    // Stores the text, replacing any value of that name. Raises "キー section の作成に失敗しました"
    // when the section did not exist and the store could not be written,
    // "'name' の設定に失敗しました" when the section existed, and
    // "ロックファイル <lock file> を取得できないため、設定を保存できませんでした" when another
    // program held the lock file (or left one that cannot be removed) for as long as one store
    // object may wait for it (kLongestLockWait, counted from its opening).
    void WriteTextSetting(QStringView section, QStringView name, const QString& text);

    // Stores the integer as its decimal text.
    void WriteIntegerSetting(QStringView section, QStringView name, std::int32_t value);

    // Closing the window saves every value; waiting longer than this for the lock file would
    // keep the window from closing promptly.
    static constexpr std::chrono::milliseconds kLongestLockWait{500};

private:
    // Takes the lock file beside the store, as QSettings does, and keeps it until the store is
    // destroyed, so that the values of one save are written together. Gives false only when
    // the lock is held, or a lock file that cannot be removed stands in its place, until
    // lockDeadline_: a lock file that cannot be created at all (a folder that cannot be
    // written, a full disk) is no reason to wait, and whatever the store then cannot do
    // reports itself. Anything but a regular file at the lock's path (a folder, a FIFO, a
    // symlink) is set aside first, without waiting.
    bool takeLock();
    void setAside();

    StoreFile file_;
    std::unique_ptr<QLockFile> lock_;
    QDeadlineTimer lockDeadline_;
    std::optional<SettingsError> setAsideNotice_;
};

} // namespace settings
