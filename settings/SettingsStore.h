#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <optional>

class QSettings;

namespace settings {

inline constexpr QStringView kOrganisationName = u"Veltrane";
inline constexpr QStringView kApplicationName = u"ParvelloJr";

// The program's per-user store: Qt's native settings for organisation "Veltrane" and
// application "ParvelloJr", the file Veltrane/ParvelloJr.conf in the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config). Values live in named sections and are always
// written as plain text, integers included. Texts are UTF-8.
//
// Each read and write opens the store afresh, so a store object may live across a whole
// load or save and sees what other instances of the program wrote meanwhile. Every write is
// synchronised at once, so that its failure is known when the write returns. Failures raise
// SettingsError with the message the user sees; a missing section or value is no failure.
class SettingsStore
{
public:
    // Opens the store, creating its file and folder when absent, so that the store exists
    // after a first load. A store that can be neither opened nor created is not reported
    // here; its reads and writes report it.
    SettingsStore();
    ~SettingsStore();

    // Where the store lives.
    QString fileName() const;

    // The stored text, or defaultText when the section or the value is missing.
    QString ReadTextSetting(QStringView section, QStringView name, QStringView defaultText) const;

    // The stored text read as an integer (tone::ParseIntegerText), or defaultValue when the
    // section or the value is missing or its text is not a 32-bit integer.
    std::int32_t ReadIntegerSetting(QStringView section, QStringView name,
                                    std::int32_t defaultValue) const;

    // The stored text, or nothing when the section or the value is missing. Raises
    // "'name' の取得に失敗しました" when the store cannot be read and
    // "'name' のデータ型が不正です" when the value is not text (a number or a byte array
    // stored by another program). Empty data gives the empty text whatever its type, and a
    // list (an unquoted comma in a hand-edited file) gives its items joined by commas. The
    // text ends before its first zero character.
    std::optional<QString> ReadStoredText(QStringView section, QStringView name) const;

    // Stores the text, replacing any value of that name. Raises "キー section の作成に失敗しました"
    // when the section did not exist and the store could not be written, and
    // "'name' の設定に失敗しました" when the section existed.
    void WriteTextSetting(QStringView section, QStringView name, const QString& text);

    // Stores the integer as its decimal text.
    void WriteIntegerSetting(QStringView section, QStringView name, std::int32_t value);

private:
    std::unique_ptr<QSettings> open() const;
};

} // namespace settings
