#include "SettingsError.h"

#include <utility>

namespace settings {

SettingsError::SettingsError(QString message)
    : message_(std::move(message)), utf8_(message_.toUtf8())
{
}

const char* SettingsError::what() const noexcept
{
    return utf8_.constData();
}

} // namespace settings
