#pragma once

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// One output frame as the sound service writes it.
struct Frame
{
    std::int16_t left = 0;
    std::int16_t right = 0;
    friend bool operator==(const Frame&, const Frame&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Frame& frame)
    {
        return os << '(' << frame.left << ", " << frame.right << ')';
    }
};

// How the service set up one opening of the PCM, from the WAV header that ALSA's file
// plugin writes at its start.
struct PcmSetup
{
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;
};

// Gives this test process a sound output without a sound card: a fresh HOME whose .asoundrc
// routes ALSA's PCM "default" through the file plugin into a named pipe, with the null PCM
// behind it, so that everything the service writes comes out here in order. The pipe also
// paces the service: once it is full, the service's writes block until the test reads, so
// tests are bounded by frame counts, never by time. Construct before the service's first
// ALSA call; every test gets its own folder, so tests may run in parallel processes.
class FileSinkOutput
{
public:
    // The frames that the pipe holds.
    static constexpr std::size_t kPipeFrames = 1024;

    // `asoundrc` replaces the configuration when given, for devices that cannot work.
    explicit FileSinkOutput(const std::string& asoundrc = {});
    ~FileSinkOutput();
    FileSinkOutput(const FileSinkOutput&) = delete;
    FileSinkOutput& operator=(const FileSinkOutput&) = delete;

    // Reads up to `count` more frames of the PCM opening under way (waiting for a new
    // opening first when the last one ended). The silence that the service writes before the
    // first sound of an opening (PlaybackTiming::leadIn) is left out. Returns fewer when the
    // service closes the PCM; ended() then says so until the next read. Gives up after a generous
    // safety timeout, which fails the test.
    std::vector<Frame> read(std::size_t count);
    // Reads and discards frames until the service closes the PCM; returns how many.
    std::size_t readUntilEnd(std::size_t atMost);

    bool ended() const { return ended_; }
    // One entry for each opening of the PCM seen so far.
    const std::vector<PcmSetup>& setups() const { return setups_; }

private:
    // Makes at least `size` unread bytes available; false when the pipe has no writer left
    // before that.
    bool fill(std::size_t size);
    bool startsWithWavHeader();
    void startNextOpening();

    QTemporaryDir home_;
    std::string pipePath_;
    int fd_ = -1;
    // Bytes read from the pipe, the unread ones from `unread_` on.
    std::vector<std::uint8_t> buffer_;
    std::size_t unread_ = 0;
    bool headerPending_ = true;
    // Silent frames still to be left out at the start of the opening.
    std::size_t leadInLeft_ = 0;
    bool ended_ = false;
    bool pipeClosed_ = false;
    std::vector<PcmSetup> setups_;
};
