#include "StoreView.h"

#include "SerialisedValues.h"

#include "identity/ProgramIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace settings {

namespace {

// The session's runtime folder is kept in memory, where the files that QSettings writes and
// syncs to disk, its lock file among them, cost nothing.
QString PrivateFolderTemplate()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString parent =
        !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
    return parent + u'/' + QString::fromUtf8(identity::kDesktopId) +
           QStringLiteral("-settings-XXXXXX");
}

} // namespace

StoreView::StoreView(const QByteArray& contents) : folder_(PrivateFolderTemplate())
{
    if (!folder_.isValid())
        return;
    const SerialisedValues serialised(contents, folder_.path());
    if (!serialised.isValid())
        return;
    serialisedKeys_ = serialised.keys();
    copyPath_ =
        folder_.filePath(QString::fromUtf8(identity::kApplicationName) + QStringLiteral(".conf"));
    QFile copy(copyPath_);
    const QByteArray& disarmed = serialised.disarmed();
    if (!copy.open(QIODevice::WriteOnly) || copy.write(disarmed) != disarmed.size() ||
        !copy.flush())
        return;
    copy.close();
    settings_ = std::make_unique<QSettings>(copyPath_, QSettings::IniFormat);
    // QSettings parses the file's sections, and finds a malformed one, only when their keys
    // are first asked for.
    (void)settings_->allKeys();
}

StoreView::~StoreView() = default;

bool StoreView::isValid() const
{
    return settings_ && settings_->status() == QSettings::NoError;
}

bool StoreView::isUnparseable() const
{
    return settings_ && settings_->status() == QSettings::FormatError;
}

std::optional<QByteArray> StoreView::changedContents()
{
    settings_->sync();
    if (settings_->status() != QSettings::NoError)
        return std::nullopt;
    QFile copy(copyPath_);
    if (!copy.open(QIODevice::ReadOnly))
        return std::nullopt;
    return copy.readAll();
}

} // namespace settings
