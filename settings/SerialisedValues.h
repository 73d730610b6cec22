#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

namespace settings {

// The values in a store's contents that QSettings would decode from its binary serialisation
// of typed values ("@Variant(...)" and "@DateTime(...)"), found without decoding any. That
// serialisation holds type numbers and counts that QSettings trusts: a damaged one reads as an
// empty text, or asks for gigabytes (a list that claims 2^31 items), and QSettings decodes
// every value of a file when it reads or writes any. None of them is the program's, which
// stores texts only.
//
// To see each item as QSettings sees it, after its quotes and escapes, the values that could
// hold one (those with an "@" or a backslash) are copied into a scratch file with "@@" before
// each item (as IniLayout finds them), which QSettings reads as the plain text of the item; no
// value is decoded there. The names of the values found are read from a second scratch file,
// which holds only those names and their sections' heads.
class SerialisedValues
{
public:
    // Looks at contents; the scratch files go into folder, and are needed only when a value
    // holds an "@" or a backslash.
    SerialisedValues(const QByteArray& contents, const QString& folder);

    // Whether the values could be looked at: false when a scratch file could not be written or
    // read, and disarmed() is then empty.
    bool isValid() const { return valid_; }

    // The contents with "@@" before each serialised item, so that QSettings reads it as the
    // plain text of its characters and writes it back as such, and without a byte order mark.
    // A line whose items QSettings splits otherwise than IniLayout is left out, since it could
    // not be looked at.
    const QByteArray& disarmed() const { return disarmed_; }

    // The keys ("section/name", as QSettings names them) whose value held a serialised item.
    const QSet<QString>& keys() const { return keys_; }

private:
    bool valid_ = true;
    QByteArray disarmed_;
    QSet<QString> keys_;
};

} // namespace settings
