#include "SerialisedValues.h"

#include "IniLayout.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

namespace settings {

namespace {

using Line = IniLayout::Line;

bool MayHoldSerialisedItem(const IniLayout& layout, const Line& line)
{
    if (!line.isValue())
        return false;
    const QByteArrayView value = layout.value(line);
    return value.contains('@') || value.contains('\\');
}

// As QSettings tells a serialised value from a text.
bool IsSerialised(const QString& item)
{
    return (item.startsWith(QLatin1String("@Variant(")) ||
            item.startsWith(QLatin1String("@DateTime("))) &&
           item.endsWith(u')');
}

// Lines copied from the contents are parted by two line breaks: a line that ends in an escaped
// line break (whose end a semicolon or a line break of the other kind made) would take in the
// first. A value whose quote is never closed runs to the end of the file, so nothing follows
// the last line.
constexpr QByteArrayView kLineBreaks = "\n\n";

// Each value that may hold a serialised item, with "@@" before each item, named "#" and the
// number of its line. QSettings reads the items of a value alike whatever its name and
// section, and a name of this kind is asked for as it is written.
QByteArray ItemsText(const QByteArray& contents, const IniLayout& layout)
{
    QByteArray text;
    const std::vector<Line>& lines = layout.lines();
    for (std::size_t number = 0; number < lines.size(); ++number) {
        const Line& line = lines[number];
        if (!MayHoldSerialisedItem(layout, line))
            continue;
        if (!text.isEmpty())
            text += kLineBreaks;
        text += '#' + QByteArray::number(static_cast<qulonglong>(number)) + '=';
        qsizetype from = line.equals + 1;
        for (const qsizetype item : line.items) {
            text += QByteArrayView(contents).sliced(from, item - from);
            text += "@@";
            from = item;
        }
        text += QByteArrayView(contents).sliced(from, line.end - from);
    }
    return text;
}

// The section's head and the name of each of those lines, with a value that holds nothing. The
// blank before "=" keeps a backslash that ends a name from taking the "=" along, as the blanks
// after it in the contents did.
QByteArray NamesText(const IniLayout& layout, const std::vector<std::size_t>& numbers)
{
    QByteArray text;
    const std::vector<Line>& lines = layout.lines();
    for (const std::size_t number : numbers) {
        const Line& line = lines[number];
        text += line.section < 0 ? QByteArrayView("[General]")
                                 : layout.text(lines[static_cast<std::size_t>(line.section)]);
        text += kLineBreaks;
        text += layout.name(line);
        text += " =";
        text += kLineBreaks;
    }
    return text;
}

bool WriteScratch(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush();
}

// The items of a scratch value as QSettings reads them from the original line, or nothing when
// it did not read the "@@" before each of them.
std::optional<QStringList> ItemsOf(const QVariant& value)
{
    QStringList items;
    if (value.typeId() == QMetaType::QString)
        items = QStringList{value.toString()};
    else if (value.typeId() == QMetaType::QStringList)
        items = value.toStringList();
    else
        return std::nullopt;
    for (QString& item : items) {
        if (!item.startsWith(u'@'))
            return std::nullopt;
        item.remove(0, 1);
    }
    return items;
}

// For each line looked at, where "@@" goes in; nothing for a line that was not looked at or
// whose items QSettings split otherwise (which a byte that is no UTF-8 at the end of an item
// can do).
using Disarming = std::vector<std::optional<std::vector<qsizetype>>>;

Disarming SerialisedItems(const QSettings& items, const IniLayout& layout)
{
    const std::vector<Line>& lines = layout.lines();
    Disarming disarming(lines.size());
    for (std::size_t number = 0; number < lines.size(); ++number) {
        if (!MayHoldSerialisedItem(layout, lines[number]))
            continue;
        const std::vector<qsizetype>& starts = lines[number].items;
        const std::optional<QStringList> read =
            ItemsOf(items.value(u'#' + QString::number(number)));
        if (!read || read->size() != static_cast<qsizetype>(starts.size()))
            continue;
        std::vector<qsizetype>& serialised = disarming[number].emplace();
        for (std::size_t i = 0; i < starts.size(); ++i) {
            if (IsSerialised(read->at(static_cast<qsizetype>(i))))
                serialised.push_back(starts[i]);
        }
    }
    return disarming;
}

// The text with "@@" before each serialised item, and without the lines that could not be
// looked at.
QByteArray Disarmed(const QByteArray& text, const IniLayout& layout, const Disarming& disarming)
{
    QByteArray disarmed;
    qsizetype from = 0;
    const std::vector<Line>& lines = layout.lines();
    for (std::size_t number = 0; number < lines.size(); ++number) {
        const Line& line = lines[number];
        if (!MayHoldSerialisedItem(layout, line))
            continue;
        if (!disarming[number]) {
            disarmed += QByteArrayView(text).sliced(from, line.start - from);
            from = line.end;
            continue;
        }
        for (const qsizetype item : *disarming[number]) {
            disarmed += QByteArrayView(text).sliced(from, item - from);
            disarmed += "@@";
            from = item;
        }
    }
    disarmed += QByteArrayView(text).sliced(from);
    return disarmed;
}

} // namespace

SerialisedValues::SerialisedValues(const QByteArray& contents, const QString& folder)
{
    // QSettings skips a byte order mark before the first line only in part: a blank after it
    // goes into the first value's name, and a head or a comment right after it is malformed.
    // The copy goes without it.
    const QByteArray text = contents.startsWith("\xEF\xBB\xBF") ? contents.sliced(3) : contents;
    const IniLayout layout(text);
    const QByteArray itemsText = ItemsText(text, layout);
    if (itemsText.isEmpty()) {
        disarmed_ = text;
        return;
    }
    const QString itemsPath = folder + QStringLiteral("/items.conf");
    valid_ = WriteScratch(itemsPath, itemsText);
    if (!valid_)
        return;
    const QSettings items(itemsPath, QSettings::IniFormat);
    const Disarming disarming = SerialisedItems(items, layout);
    valid_ = items.status() != QSettings::AccessError;
    if (!valid_)
        return;

    std::vector<std::size_t> serialisedLines;
    for (std::size_t number = 0; number < disarming.size(); ++number) {
        if (disarming[number] && !disarming[number]->empty())
            serialisedLines.push_back(number);
    }
    if (!serialisedLines.empty()) {
        const QString namesPath = folder + QStringLiteral("/names.conf");
        valid_ = WriteScratch(namesPath, NamesText(layout, serialisedLines));
        if (!valid_)
            return;
        const QStringList keys = QSettings(namesPath, QSettings::IniFormat).allKeys();
        keys_ = QSet<QString>(keys.begin(), keys.end());
    }
    disarmed_ = Disarmed(text, layout, disarming);
}

} // namespace settings
