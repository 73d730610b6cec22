#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace settings {

// An error of the settings store or of a frequency text read from it. The message is the
// one the user sees; what() gives it in UTF-8.
class SettingsError : public std::exception
{
public:
    explicit SettingsError(QString message);

    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override;

private:
    QString message_;
    QByteArray utf8_;
};

} // namespace settings
