#include "IniLayout.h"

#include <QString>

namespace settings {

namespace {

bool IsLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

// What is skipped before a line: blanks and line breaks.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || IsLineBreak(c);
}

// Blanks before an item of a value.
bool IsItemBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Where reading goes on after a backslash. A backslash takes the byte after it along, whatever
// it is (the digits of a numbered escape that may follow are no quote or comma); before a line
// break it joins the next line, and "\r\n" or "\n\r" is one break.
qsizetype AfterEscape(QByteArrayView text, qsizetype backslash, qsizetype end)
{
    qsizetype i = backslash + 1;
    if (i == end)
        return i;
    const char escaped = text[i++];
    if (i < end && IsLineBreak(escaped) && IsLineBreak(text[i]) && text[i] != escaped)
        ++i;
    return i;
}

std::vector<qsizetype> ItemStarts(QByteArrayView text, qsizetype i, qsizetype end)
{
    const auto skipBlanks = [&] {
        while (i < end && IsItemBlank(text[i]))
            ++i;
    };
    std::vector<qsizetype> starts;
    skipBlanks();
    starts.push_back(i);
    bool quoted = false;
    while (i < end) {
        const char c = text[i];
        if (c == '\\') {
            i = AfterEscape(text, i, end);
        } else if (c == '"') {
            quoted = !quoted;
            ++i;
        } else if (c == ',' && !quoted) {
            ++i;
            skipBlanks();
            starts.push_back(i);
        } else {
            ++i;
        }
    }
    return starts;
}

} // namespace

IniLayout::IniLayout(QByteArrayView text) : text_(text)
{
    const qsizetype size = text.size();
    // A byte order mark before the first line is no part of it.
    qsizetype i = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (true) {
        while (i < size && IsBlank(text[i]))
            ++i;
        qsizetype start = i;
        qsizetype equals = -1;
        bool quoted = false;
        while (i < size) {
            const char c = text[i];
            if (c == '\\') {
                i = AfterEscape(text, i, size);
                continue;
            }
            if (c == '"') {
                quoted = !quoted;
            } else if (c == '=') {
                if (!quoted && equals < 0)
                    equals = i;
            } else if (IsLineBreak(c) && !quoted) {
                break;
            } else if (c == ';' && i == start) {
                // A comment, up to the end of its line.
                while (i < size && !IsLineBreak(text[i]))
                    ++i;
                while (i < size && IsBlank(text[i]))
                    ++i;
                start = i;
                continue;
            } else if (c == ';' && !quoted) {
                break;
            }
            ++i;
        }
        if (i == start)
            return;
        addLine(start, i, equals);
    }
}

void IniLayout::addLine(qsizetype start, qsizetype end, qsizetype equals)
{
    Line line;
    line.start = start;
    line.end = end;
    line.section = section_;
    if (text_[start] == '[') {
        section_ = static_cast<qsizetype>(lines_.size());
        line.section = section_;
    } else if (equals >= 0) {
        line.equals = equals;
        line.items = ItemStarts(text_, equals + 1, end);
    }
    lines_.push_back(std::move(line));
}

QByteArrayView IniLayout::text(const Line& line) const
{
    return text_.sliced(line.start, line.end - line.start);
}

QByteArrayView IniLayout::name(const Line& line) const
{
    return text_.sliced(line.start, line.equals - line.start).trimmed();
}

QByteArrayView IniLayout::value(const Line& line) const
{
    return text_.sliced(line.equals + 1, line.end - line.equals - 1);
}

bool IniLayout::hasValuesIn(QStringView section) const
{
    for (const Line& line : lines_) {
        if (!line.isValue() || line.section < 0)
            continue;
        QByteArrayView head = text(lines_[static_cast<std::size_t>(line.section)]).sliced(1);
        if (const qsizetype close = head.indexOf(']'); close >= 0)
            head.truncate(close);
        if (QString::fromUtf8(head.trimmed()) == section)
            return true;
    }
    return false;
}

} // namespace settings
