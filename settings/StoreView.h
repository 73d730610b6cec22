#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class QSettings;

namespace settings {

// QSettings on a copy of the store's contents, in a private folder that the view removes when
// it ends. QSettings never reads the store's own file: what it would decode from its binary
// serialisation of typed values is turned into plain text first (SerialisedValues), and a
// change is handed back as the contents to write. QSettings also keeps what it has read of a
// file in a cache of the process, by name, and reads the file again only when its size or its
// modification time in milliseconds has changed; a name never used before is read afresh each
// time. Its lock file goes into the private folder too.
class StoreView
{
public:
    explicit StoreView(const QByteArray& contents);
    ~StoreView();
    StoreView(const StoreView&) = delete;
    StoreView& operator=(const StoreView&) = delete;

    // Whether QSettings could read and parse the contents.
    bool isValid() const;
    // Whether QSettings read the contents and found them malformed.
    bool isUnparseable() const;

    QSettings& settings() { return *settings_; }

    // Whether the value of the key ("section/name") was serialised, and so reads as its text.
    bool wasSerialised(const QString& key) const { return serialisedKeys_.contains(key); }

    // The contents with the changes made through settings(), or nothing when QSettings could
    // not write them.
    std::optional<QByteArray> changedContents();

private:
    QTemporaryDir folder_;
    QString copyPath_;
    QSet<QString> serialisedKeys_;
    std::unique_ptr<QSettings> settings_;
};

} // namespace settings
