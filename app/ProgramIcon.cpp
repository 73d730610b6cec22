#include "app/ProgramIcon.h"

QIcon ProgramIcon()
{
    // A PNG rendered from icons/parvello.svg at build time and embedded as a resource.
    return QIcon(QStringLiteral(PARVELLO_PROGRAM_ICON_RESOURCE));
}
