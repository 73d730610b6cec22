#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

namespace settings {

// What stands where the settings store keeps its file, looked at and read without waiting, so
// that a FIFO in its place cannot block the program and a device behind a symlink is never
// written.
class StoreFile
{
public:
    // The program's own values take about 300 bytes, and other programs' sections beside them
    // may grow when QSettings writes them back (a tab as "\t", a byte that is no UTF-8 in a
    // name as "%UFFFD"). A file larger than this was not written by the program, and each of
    // the 13 writes of a save would read and write it whole. Writing never looks at the size.
    static constexpr qint64 kLargestPlausibleSize = 64 * 1024;

    enum class State {
        // Neither a file nor a symlink is there (or the folder is missing).
        Missing,
        // A regular file of a plausible size, itself or behind symlinks.
        Plausible,
        // A regular file larger than kLargestPlausibleSize.
        Oversized,
        // Not a regular file once symlinks are followed (a folder, a FIFO, a device, a
        // dangling or looping symlink).
        NotASettingsFile,
        // The path cannot be looked at (a folder on the way may not be searched).
        Unreachable,
    };

    explicit StoreFile(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    State state() const;

    // Whether something other than a regular file stands at the path itself: a folder, a
    // FIFO, a device or a symlink, whatever it points to.
    bool holdsOtherThanAFile() const;

    // The file's contents, or nothing when it is no regular file once symlinks are followed,
    // is larger than largestSize or cannot be read.
    std::optional<QByteArray> read(qint64 largestSize) const;

    // Replaces the file (the one a symlink points to, where one stands at the path) by one
    // holding the contents, all at once: the file stays as it was when that fails.
    bool replace(const QByteArray& contents) const;

    // Creates an empty file where nothing is, following no symlink.
    void createEmpty() const;

    // Renames whatever stands at the path (a symlink itself, not its target) to
    // "<name>.damaged", or, where earlier ones are kept, to the first free name of
    // "<name>.damaged.2" to "<name>.damaged.9" (the last is replaced when all are taken).
    // Gives the new name, or nothing when the rename failed.
    std::optional<QString> setAside() const;

private:
    QString path_;
};

} // namespace settings
