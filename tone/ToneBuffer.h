#pragma once

#include <QBuffer>

#include <memory>

namespace tone {

// A tone image lives in a growable in-memory byte buffer with a position; its contents are
// one contiguous block that can be handed to the sound service.
using ToneBuffer = QBuffer;

// An empty buffer, open for reading and writing, with room for the largest tone image
// (kLargestToneImage, ToneImageBuilder.h), so that building an image never has to grow it.
std::unique_ptr<ToneBuffer> CreateToneBuffer();

} // namespace tone
