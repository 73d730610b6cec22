#include "WaveImageReader.h"

#include "tone/WaveFormat.h"

#include <QtEndian>

#include <algorithm>
#include <string_view>

namespace tone {

namespace {

using wave::kChunkHeaderSize;
using wave::kRiffHeaderSize;

// A bounds-checked view of the image: every read names the offset it wants and fails when
// the bytes are not all there.
class ByteReader
{
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool has(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    bool idAt(std::uint64_t offset, std::string_view id) const
    {
        return has(offset, id.size()) && std::equal(id.begin(), id.end(), bytes_.begin() + offset);
    }
    std::uint16_t u16At(std::uint64_t offset) const
    {
        return qFromLittleEndian<std::uint16_t>(bytes_.data() + offset);
    }
    std::uint32_t u32At(std::uint64_t offset) const
    {
        return qFromLittleEndian<std::uint32_t>(bytes_.data() + offset);
    }
    std::span<const std::uint8_t> sub(std::uint64_t offset, std::uint64_t length) const
    {
        return bytes_.subspan(offset, length);
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// Reads a PCM format chunk body of `size` bytes at `offset` into `image`, or fails when it is
// not one this program can play.
bool ReadFormat(const ByteReader& riff, std::uint64_t offset, std::uint32_t size, WaveImage& image)
{
    // Longer format chunks carry extensions that this reader ignores.
    if (size < wave::kFormatChunkSize)
        return false;
    const std::uint16_t formatTag = riff.u16At(offset);
    const std::uint16_t channels = riff.u16At(offset + 2);
    const std::uint32_t sampleRate = riff.u32At(offset + 4);
    const std::uint32_t byteRate = riff.u32At(offset + 8);
    const std::uint16_t blockAlign = riff.u16At(offset + 12);
    const std::uint16_t bitsPerSample = riff.u16At(offset + 14);

    if (formatTag != wave::kFormatPcm || (channels != 1 && channels != 2) || sampleRate == 0)
        return false;
    if (bitsPerSample == 8)
        image.sampleFormat = WaveSampleFormat::Unsigned8;
    else if (bitsPerSample == 16)
        image.sampleFormat = WaveSampleFormat::SignedLittle16;
    else
        return false;
    image.channels = channels;
    image.sampleRate = sampleRate;
    // The block and byte rates are redundant; a header where they disagree with the rest is
    // inconsistent, and nothing says which of its fields to believe.
    return blockAlign == image.bytesPerFrame() &&
           std::uint64_t{byteRate} == std::uint64_t{sampleRate} * blockAlign;
}

} // namespace

std::optional<WaveImage> ReadWaveImage(std::span<const std::uint8_t> image)
{
    const ByteReader bytes(image);
    if (!bytes.has(0, kRiffHeaderSize) || !bytes.idAt(0, wave::kRiffId) ||
        !bytes.idAt(wave::kFormTypeOffset, wave::kWaveFormType))
        return std::nullopt;
    // The RIFF size counts the bytes after its own field; all chunks must lie within them.
    const std::uint64_t riffEnd =
        std::uint64_t{kChunkHeaderSize} + bytes.u32At(wave::kRiffSizeOffset);
    if (!bytes.has(0, riffEnd))
        return std::nullopt;
    const ByteReader riff(image.first(riffEnd));

    WaveImage result;
    bool haveFormat = false;
    std::uint64_t offset = kRiffHeaderSize;
    // Fewer than a chunk header's bytes left over at the end are padding, not a chunk.
    while (riff.has(offset, kChunkHeaderSize)) {
        const std::uint32_t size = riff.u32At(offset + 4);
        const std::uint64_t body = offset + kChunkHeaderSize;
        if (!riff.has(body, size))
            return std::nullopt;
        if (riff.idAt(offset, wave::kFormatId)) {
            if (haveFormat || !ReadFormat(riff, body, size, result))
                return std::nullopt;
            haveFormat = true;
        } else if (riff.idAt(offset, wave::kDataId)) {
            if (!haveFormat || size == 0 || size % result.bytesPerFrame() != 0)
                return std::nullopt;
            result.data = riff.sub(body, size);
            return result;
        }
        // Chunk bodies of odd length are followed by a pad byte that keeps the next chunk
        // on an even offset.
        offset = body + size + (size & 1u);
    }
    return std::nullopt;
}

} // namespace tone
