#include "ToneBuffer.h"

#include "ToneImageBuilder.h"

namespace tone {

std::unique_ptr<ToneBuffer> CreateToneBuffer()
{
    auto buffer = std::make_unique<ToneBuffer>();
    buffer->buffer().reserve(kLargestToneImage);
    buffer->open(QIODevice::ReadWrite);
    return buffer;
}

} // namespace tone
