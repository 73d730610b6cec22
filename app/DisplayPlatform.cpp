#include "app/DisplayPlatform.h"

#include <QByteArray>
#include <QtGlobal>

namespace {

constexpr char kPlatformVariable[] = "QT_QPA_PLATFORM";
// Whether PreferXDisplay() set the variable.
bool gPreferred = false;

} // namespace

void PreferXDisplay()
{
    if (!qEnvironmentVariableIsEmpty(kPlatformVariable) || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    // Qt tries the platforms in turn.
    gPreferred = qputenv(kPlatformVariable, QByteArrayLiteral("xcb;wayland"));
}

void ForgetDisplayPreference()
{
    if (gPreferred)
        qunsetenv(kPlatformVariable);
    gPreferred = false;
}
