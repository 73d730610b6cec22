#include "ReferencePitch.h"

#include "IntegerText.h"

namespace tone {

std::int32_t ReadReferencePitch(QStringView text)
{
    return ParseIntegerText(text).value_or(kPitchWhenNotANumber);
}

} // namespace tone
