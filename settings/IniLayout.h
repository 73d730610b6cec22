#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <vector>

namespace settings {

// Where the lines of a file in QSettings' INI format lie, split as QSettings splits them, so
// that a value can be looked at before QSettings reads it. A line may go on past a line break
// inside quotes or after a backslash, and ends early at a semicolon outside quotes; a line that
// starts with a semicolon is a comment. A line that starts with "[" heads a section; any other
// line is a value when it holds an "=" outside quotes, and the value is a list of items
// separated by commas outside quotes (one item when there is no such comma).
class IniLayout
{
public:
    struct Line
    {
        // The line's first byte and the byte after its last, in the text.
        qsizetype start = 0;
        qsizetype end = 0;
        // The "=" after the name, or -1 in a section's head and in a line that is neither.
        qsizetype equals = -1;
        // Where each item of a value starts, after the blanks before it.
        std::vector<qsizetype> items;
        // The head of the section the line is in, as an index into lines(), or -1 before the
        // first head.
        qsizetype section = -1;

        bool isValue() const { return equals >= 0; }
    };

    explicit IniLayout(QByteArrayView text);

    const std::vector<Line>& lines() const { return lines_; }

    // The bytes of a line, of a value's name (without the blanks around it) and of its value.
    QByteArrayView text(const Line& line) const;
    QByteArrayView name(const Line& line) const;
    QByteArrayView value(const Line& line) const;

    // Whether a section of that name, written plainly in its head, holds a value.
    bool hasValuesIn(QStringView section) const;

private:
    void addLine(qsizetype start, qsizetype end, qsizetype equals);

    QByteArrayView text_;
    std::vector<Line> lines_;
    qsizetype section_ = -1;
};

} // namespace settings
