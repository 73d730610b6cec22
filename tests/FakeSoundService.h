#pragma once

#include "tone/SoundService.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

// One request made of the sound service, as the fake records it.
struct SoundCall
{
    enum class Kind { PlayLooped, Stop, ReadVolume, SetVolume, Pause };

    Kind kind;
    // PlayLooped: a copy of the image handed over, and where it lay in memory.
    QByteArray image;
    const std::uint8_t* imageAddress = nullptr;
    // SetVolume: the packed volume.
    std::uint32_t volume = 0;
    // Pause: how long.
    std::chrono::milliseconds pause{0};

    static SoundCall setVolume(std::uint32_t v) { return {Kind::SetVolume, {}, nullptr, v, {}}; }
    static SoundCall stop() { return {Kind::Stop, {}, nullptr, 0, {}}; }
    static SoundCall readVolume() { return {Kind::ReadVolume, {}, nullptr, 0, {}}; }
    static SoundCall pauseFor(std::chrono::milliseconds d)
    {
        return {Kind::Pause, {}, nullptr, 0, d};
    }

    // Images compare by content; where they lay does not matter.
    bool operator==(const SoundCall& other) const
    {
        return kind == other.kind && image == other.image && volume == other.volume &&
               pause == other.pause;
    }
};

inline std::ostream& operator<<(std::ostream& os, const SoundCall& call)
{
    switch (call.kind) {
    case SoundCall::Kind::PlayLooped:
        return os << "playLooped(" << call.image.size() << " bytes)";
    case SoundCall::Kind::Stop:
        return os << "stop()";
    case SoundCall::Kind::ReadVolume:
        return os << "volume()";
    case SoundCall::Kind::SetVolume:
        return os << "setVolume(0x" << std::hex << call.volume << std::dec << ")";
    case SoundCall::Kind::Pause:
        return os << "pause(" << call.pause.count() << " ms)";
    }
    return os;
}

// A sound service that plays nothing and waits for nothing, but records every request in
// order, so that the engine and the window can be tested without sound.
class FakeSoundService : public tone::SoundService
{
public:
    // What volume() reports; nothing stands for a volume that cannot be read.
    std::optional<std::uint32_t> outputVolume = 0xFFFFFFFFu;
    mutable std::vector<SoundCall> calls;

    void playLooped(std::span<const std::uint8_t> image) override
    {
        calls.push_back({SoundCall::Kind::PlayLooped,
                         QByteArray(reinterpret_cast<const char*>(image.data()),
                                    static_cast<qsizetype>(image.size())),
                         image.data(),
                         0,
                         {}});
    }
    void stop() override { calls.push_back(SoundCall::stop()); }
    std::optional<std::uint32_t> volume() const override
    {
        calls.push_back(SoundCall::readVolume());
        return outputVolume;
    }
    void setVolume(std::uint32_t packedVolume) override
    {
        calls.push_back(SoundCall::setVolume(packedVolume));
        if (outputVolume)
            outputVolume = packedVolume;
    }
    void pause(std::chrono::milliseconds duration) override
    {
        calls.push_back(SoundCall::pauseFor(duration));
    }

    // The volume set last, if any was set.
    std::optional<std::uint32_t> lastVolumeSet() const
    {
        for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
            if (call->kind == SoundCall::Kind::SetVolume)
                return call->volume;
        }
        return std::nullopt;
    }
};
