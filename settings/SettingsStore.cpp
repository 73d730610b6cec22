#include "SettingsStore.h"

#include "tone/IntegerText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

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
    // Absolute, as the symlink to it in a private folder needs it.
    return QFileInfo(folder + u'/' + kOrganisationName.toString() + u'/' +
                     kApplicationName.toString() + QStringLiteral(".conf"))
        .absoluteFilePath();
}

// QSettings on the store's file, reached through a symlink in a private folder. QSettings
// keeps what it has read of a file in a cache of the process, by name, and reads the file
// again only when its size or its modification time in milliseconds has changed; under its
// own name, a file that this program replaces twice within a millisecond by contents of the
// same length would read back stale. A name never used before is read afresh each time. And
// QSettings takes its lock file beside the name it is given, waiting for it as long as it
// takes: beside the symlink the lock is private, while the store takes the one beside its
// file with a wait that ends. QSettings writes by way of QSaveFile, which follows the
// symlink and replaces the store's file by a new one written beside it.
class StoreView
{
public:
    explicit StoreView(const QString& storePath) : folder_(PrivateFolderTemplate())
    {
        if (!folder_.isValid())
            return;
        const QString link = folder_.filePath(QStringLiteral("ParvelloJr.conf"));
        if (!QFile::link(storePath, link))
            return;
        settings_ = std::make_unique<QSettings>(link, QSettings::IniFormat);
        // QSettings parses the file's sections, and finds a malformed one, only when their
        // keys are first asked for.
        (void)settings_->allKeys();
    }

    // Whether QSettings could read and parse the file (a missing one reads as empty).
    bool isValid() const { return settings_ && settings_->status() == QSettings::NoError; }
    // Whether QSettings read the file and found it malformed.
    bool isUnparseable() const
    {
        return settings_ && settings_->status() == QSettings::FormatError;
    }
    QSettings& settings() { return *settings_; }

private:
    // The session's runtime folder is kept in memory, where the lock file that QSettings
    // writes and syncs to disk at each write costs nothing.
    static QString PrivateFolderTemplate()
    {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString parent =
            !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
        return parent + QStringLiteral("/parvello-settings-XXXXXX");
    }

    QTemporaryDir folder_;
    std::unique_ptr<QSettings> settings_;
};

// A file that no reading can make sense of. A missing file is created, and one that cannot
// be reached or read reports itself at each read.
bool IsDamaged(const StoreFile& file)
{
    switch (file.state()) {
    case StoreFile::State::NotASettingsFile:
        return true;
    case StoreFile::State::Plausible:
        return StoreView(file.path()).isUnparseable();
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
    StoreView view(file_.path());
    if (!view.isValid())
        throw SettingsError(failed);
    const QString key = Key(section, name);
    if (!view.settings().contains(key))
        return std::nullopt;
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
    bool sectionExisted = false;
    const StoreFile::State state = file_.state();
    if (state == StoreFile::State::Plausible || state == StoreFile::State::Missing) {
        StoreView view(file_.path());
        if (view.isValid()) {
            QSettings& settings = view.settings();
            sectionExisted = settings.childGroups().contains(section.toString());
            const QString key = Key(section, name);
            const std::optional<QVariant> previous =
                settings.contains(key) ? std::optional(settings.value(key)) : std::nullopt;
            settings.setValue(key, text);
            settings.sync();
            if (settings.status() == QSettings::NoError)
                return;
            // QSettings tries an unwritten change again when it is destroyed; put back what
            // the file holds instead, so that a write reported as failed stays undone.
            if (previous)
                settings.setValue(key, *previous);
            else
                settings.remove(key);
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
