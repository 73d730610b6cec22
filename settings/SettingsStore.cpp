#include "SettingsStore.h"

#include "IniLayout.h"
#include "StoreView.h"

#include "identity/ProgramIdentity.h"
#include "tone/IntegerText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <memory>

namespace settings {

namespace {

// QLockFile takes a lock for abandoned when the process it names has ended, and any lock
// (an empty one, or one holding garbage, too) once it is older than this. A save holds the
// lock for a few tens of milliseconds.
constexpr std::chrono::milliseconds kAbandonedLockAge{250};

QString StorePath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.config");
    // Absolute, so that a message names it in full.
    return QFileInfo(folder + u'/' + QString::fromUtf8(identity::kOrganisationName) + u'/' +
                     QString::fromUtf8(identity::kApplicationName) + QStringLiteral(".conf"))
        .absoluteFilePath();
}

// A file that no reading can make sense of. A missing file is created, and one that cannot
// be reached or read reports itself at each read.
bool IsDamaged(const StoreFile& file)
{
    switch (file.state()) {
    case StoreFile::State::Oversized:
    case StoreFile::State::NotASettingsFile:
        return true;
    case StoreFile::State::Plausible: {
        const std::optional<QByteArray> contents = file.read(StoreFile::kLargestPlausibleSize);
        return contents && StoreView(*contents).isUnparseable();
    }
    case StoreFile::State::Missing:
    case StoreFile::State::Unreachable:
        break;
    }
    return false;
}

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

SettingsError WrongTypeError(QStringView name)
{
    return SettingsError(QStringLiteral("'%1' のデータ型が不正です").arg(name));
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
        throw WrongTypeError(name);
    }
}

} // namespace

SettingsStore::SettingsStore()
    : file_(StorePath()),
      lock_(std::make_unique<QLockFile>(file_.path() + QStringLiteral(".lock"))),
      lockDeadline_(kLongestLockWait)
{
    lock_->setStaleLockTime(kAbandonedLockAge);
    QDir().mkpath(QFileInfo(file_.path()).absolutePath());
    if (file_.state() == StoreFile::State::Missing)
        file_.createEmpty();
    else if (IsDamaged(file_))
        setAside();
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const
{
    return file_.path();
}

bool SettingsStore::takeLock()
{
    if (lock_->isLocked())
        return true;
    // QLockFile reads what stands at the lock's path to tell whether its holder has ended, and
    // opens it for writing to remove it: through a FIFO either would block for ever, and a
    // folder or a dangling symlink it can never remove. Since it only ever makes a regular
    // file there, anything else holds no lock and is set aside as a damaged store is, which
    // renames it without following it. What cannot be set aside is not waited for.
    const StoreFile lockPath(lock_->fileName());
    if (lockPath.holdsOtherThanAFile() && !lockPath.setAside())
        return true;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        lockDeadline_.remainingTimeAsDuration());
    return lock_->tryLock(wait) || lock_->error() != QLockFile::LockFailedError;
}

void SettingsStore::setAside()
{
    if (!takeLock())
        return;
    // Looked at again under the lock: another instance may have set the file aside meanwhile.
    if (!IsDamaged(file_))
        return;
    const std::optional<QString> damaged = file_.setAside();
    if (!damaged)
        return;
    file_.createEmpty();
    setAsideNotice_ =
        SettingsError(QStringLiteral("読み込めない設定ファイルを %1 に移しました").arg(*damaged));
}

std::optional<QString> SettingsStore::ReadStoredText(QStringView section, QStringView name) const
{
    const StoreFile::State state = file_.state();
    if (state == StoreFile::State::Missing)
        return std::nullopt;
    const QString failed = QStringLiteral("'%1' の取得に失敗しました").arg(name);
    if (state != StoreFile::State::Plausible)
        throw SettingsError(failed);
    const std::optional<QByteArray> contents = file_.read(StoreFile::kLargestPlausibleSize);
    if (!contents)
        throw SettingsError(failed);
    StoreView view(*contents);
    if (!view.isValid())
        throw SettingsError(failed);
    const QString key = Key(section, name);
    if (!view.settings().contains(key))
        return std::nullopt;
    if (view.wasSerialised(key))
        throw WrongTypeError(name);
    return TextOfValue(view.settings().value(key), name);
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
    if (!takeLock()) {
        throw SettingsError(
            QStringLiteral("ロックファイル %1 を取得できないため、設定を保存できませんでした")
                .arg(lock_->fileName()));
    }
    // A failed write cannot tell a section that could not be added from a value that could
    // not be set; the section's presence before the write decides which is reported. A file
    // that could not be read shows no sections. Only a regular file, or none, is written.
    std::optional<QByteArray> contents;
    switch (file_.state()) {
    case StoreFile::State::Missing:
        contents = QByteArray();
        break;
    case StoreFile::State::Plausible:
    case StoreFile::State::Oversized:
        // The program's own writes may take a file past the size that reading allows.
        contents = file_.read(std::numeric_limits<qint64>::max());
        break;
    case StoreFile::State::NotASettingsFile:
    case StoreFile::State::Unreachable:
        break;
    }
    const bool sectionExisted = contents && IniLayout(*contents).hasValuesIn(section);
    if (contents) {
        StoreView view(*contents);
        if (view.isValid()) {
            view.settings().setValue(Key(section, name), text);
            const std::optional<QByteArray> changed = view.changedContents();
            if (changed && file_.replace(*changed))
                return;
        }
    }
    if (sectionExisted)
        throw SettingsError(QStringLiteral("'%1' の設定に失敗しました").arg(name));
    throw SettingsError(QStringLiteral("キー %1 の作成に失敗しました").arg(section));
}

void SettingsStore::WriteIntegerSetting(QStringView section, QStringView name, std::int32_t value)
{
    WriteTextSetting(section, name, QString::number(value));
}

} // namespace settings
