#include "SettingsStore.h"

#include "SettingsError.h"
#include "tone/IntegerText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace settings {

namespace {

QString Key(QStringView section, QStringView name)
{
    return section.toString() + u'/' + name.toString();
}

QString UpToFirstZero(QString text)
{
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

bool HasEmptyData(const QVariant& value)
{
    if (!value.isValid())
        return true;
    return value.typeId() == QMetaType::QByteArray && value.toByteArray().isEmpty();
}

// The text of a stored value. The native format turns a text with an unquoted comma into a
// list of its items, which is joined again here.
QString TextOfValue(const QVariant& value, QStringView name)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return UpToFirstZero(value.toString());
    case QMetaType::QStringList:
        return UpToFirstZero(value.toStringList().join(u','));
    default:
        if (HasEmptyData(value))
            return {};
        throw SettingsError(QStringLiteral("'%1' のデータ型が不正です").arg(name));
    }
}

} // namespace

SettingsStore::SettingsStore()
{
    const QString path = fileName();
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    (void)file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const
{
    return open()->fileName();
}

std::unique_ptr<QSettings> SettingsStore::open() const
{
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    kOrganisationName.toString(), kApplicationName.toString());
    // Without this, values missing here would be looked up in the organisation's common file
    // and in the system-wide files.
    settings->setFallbacksEnabled(false);
    return settings;
}

std::optional<QString> SettingsStore::ReadStoredText(QStringView section, QStringView name) const
{
    const std::unique_ptr<QSettings> settings = open();
    if (settings->status() != QSettings::NoError)
        throw SettingsError(QStringLiteral("'%1' の取得に失敗しました").arg(name));
    const QString key = Key(section, name);
    if (!settings->contains(key))
        return std::nullopt;
    return TextOfValue(settings->value(key), name);
}

QString SettingsStore::ReadTextSetting(QStringView section, QStringView name,
                                       QStringView defaultText) const
{
    if (std::optional<QString> text = ReadStoredText(section, name))
        return *std::move(text);
    return defaultText.toString();
}

std::int32_t SettingsStore::ReadIntegerSetting(QStringView section, QStringView name,
                                               std::int32_t defaultValue) const
{
    const std::optional<QString> text = ReadStoredText(section, name);
    if (!text)
        return defaultValue;
    return tone::ParseIntegerText(*text).value_or(defaultValue);
}

void SettingsStore::WriteTextSetting(QStringView section, QStringView name, const QString& text)
{
    const std::unique_ptr<QSettings> settings = open();
    // A failed write cannot tell a section that could not be added from a value that could
    // not be set; the section's presence before the write decides which is reported. (A
    // file that could not be read shows no sections, and QSettings does not replace it: what
    // it cannot open for reading it cannot open for writing either.)
    const bool sectionExisted = settings->childGroups().contains(section.toString());
    const QString key = Key(section, name);
    const bool valueExisted = settings->contains(key);
    const QVariant previous = settings->value(key);
    settings->setValue(key, text);
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return;
    // QSettings keeps an unwritten change in its process-wide cache of the file, shows it to
    // later reads as if it had been stored and writes it with the next sync that succeeds;
    // put the value it had back instead.
    if (valueExisted)
        settings->setValue(key, previous);
    else
        settings->remove(key);
    if (sectionExisted)
        throw SettingsError(QStringLiteral("'%1' の設定に失敗しました").arg(name));
    throw SettingsError(QStringLiteral("キー %1 の作成に失敗しました").arg(section));
}

void SettingsStore::WriteIntegerSetting(QStringView section, QStringView name, std::int32_t value)
{
    WriteTextSetting(section, name, QString::number(value));
}

} // namespace settings
