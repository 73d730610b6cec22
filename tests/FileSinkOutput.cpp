#include "FileSinkOutput.h"

#include "playback/PlaybackRequests.h"

#include <QFile>
#include <QtEndian>

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Only a hung service comes near this; a healthy one answers within milliseconds.
constexpr int kSafetyTimeoutMs = 30'000;
// The WAV header the file plugin writes each time the PCM is set up.
constexpr std::size_t kWavHeaderSize = 44;
constexpr std::size_t kFrameSize = 4;
constexpr std::size_t kPipeReadSize = 64 * 1024;

std::string DefaultAsoundrc(const std::string& pipePath)
{
    return "pcm.!default {\n"
           "    type file\n"
           "    slave.pcm \"null\"\n"
           "    file \"" +
           pipePath +
           "\"\n"
           "    format \"wav\"\n"
           "}\n";
}

// The pipe holds one page (kPipeFrames frames) instead of 64 KiB, so that the service can
// be only that far, and the PCM's own buffer, ahead of what the test has read.
void ShrinkPipe(int fd)
{
    EXPECT_GE(fcntl(fd, F_SETPIPE_SZ, static_cast<int>(FileSinkOutput::kPipeFrames * kFrameSize)),
              0)
        << std::strerror(errno);
}

} // namespace

FileSinkOutput::FileSinkOutput(const std::string& asoundrc)
{
    EXPECT_TRUE(home_.isValid());
    const std::string home = home_.path().toStdString();
    pipePath_ = home + "/output.wav";
    EXPECT_EQ(mkfifo(pipePath_.c_str(), 0600), 0) << std::strerror(errno);

    QFile config(home_.filePath(".asoundrc"));
    EXPECT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(
        QByteArray::fromStdString(asoundrc.empty() ? DefaultAsoundrc(pipePath_) : asoundrc));
    config.close();

    // alsa-lib reads ~/.asoundrc (and $XDG_CONFIG_HOME/alsa/asoundrc) when it first loads
    // its configuration. The PulseAudio hook in the system configuration must not reach a
    // sound server that may run on this machine.
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + home + "/no-sound-server").c_str(), 1);
    // Forget a configuration loaded for an earlier test in this process.
    snd_config_update_free_global();

    // Opened before the service writes, so that the plugin's open of the pipe never waits.
    fd_ = open(pipePath_.c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_GE(fd_, 0) << std::strerror(errno);
    ShrinkPipe(fd_);
}

FileSinkOutput::~FileSinkOutput()
{
    if (fd_ >= 0)
        close(fd_);
}

bool FileSinkOutput::fill(std::size_t size)
{
    if (unread_ > 0 && unread_ >= buffer_.size() / 2) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(unread_));
        unread_ = 0;
    }
    while (buffer_.size() - unread_ < size) {
        if (pipeClosed_)
            return false;
        pollfd waiter{fd_, POLLIN, 0};
        const int ready = poll(&waiter, 1, kSafetyTimeoutMs);
        if (ready == 0) {
            ADD_FAILURE() << "no output from the sound service for " << kSafetyTimeoutMs << " ms";
            pipeClosed_ = true;
            return false;
        }
        if (ready < 0 && errno != EINTR) {
            ADD_FAILURE() << "poll: " << std::strerror(errno);
            pipeClosed_ = true;
            return false;
        }
        const std::size_t used = buffer_.size();
        buffer_.resize(used + kPipeReadSize);
        const ssize_t n = ::read(fd_, buffer_.data() + used, kPipeReadSize);
        buffer_.resize(used + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        // No bytes and no writer: the service closed the PCM.
        if (n == 0)
            pipeClosed_ = true;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            ADD_FAILURE() << "read: " << std::strerror(errno);
    }
    return true;
}

bool FileSinkOutput::startsWithWavHeader()
{
    // A PCM closed and opened again quickly may follow its predecessor's frames before the
    // pipe ever runs dry; the header of the new opening then shows where it starts.
    if (!fill(16))
        return false;
    const std::uint8_t* bytes = buffer_.data() + unread_;
    return std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WAVEfmt ", 8) == 0;
}

void FileSinkOutput::startNextOpening()
{
    if (pipeClosed_) {
        // The new descriptor is open before the old one closes, so the pipe never lacks a
        // reader; it reports the pipe closed only after another writer came and went.
        const int fresh = open(pipePath_.c_str(), O_RDONLY | O_NONBLOCK);
        EXPECT_GE(fresh, 0) << std::strerror(errno);
        close(fd_);
        fd_ = fresh;
        ShrinkPipe(fd_);
        pipeClosed_ = false;
    }
    ended_ = false;
    headerPending_ = true;
}

std::vector<Frame> FileSinkOutput::read(std::size_t count)
{
    if (ended_)
        startNextOpening();
    std::vector<Frame> frames;
    if (headerPending_) {
        if (!fill(kWavHeaderSize)) {
            EXPECT_EQ(buffer_.size(), unread_) << "the output ended inside a WAV header";
            ended_ = true;
            return frames;
        }
        const std::uint8_t* header = buffer_.data() + unread_;
        setups_.push_back({qFromLittleEndian<std::uint32_t>(header + 24),
                           qFromLittleEndian<std::uint16_t>(header + 22),
                           qFromLittleEndian<std::uint16_t>(header + 34)});
        unread_ += kWavHeaderSize;
        headerPending_ = false;
        leadInLeft_ = static_cast<std::size_t>(setups_.back().sampleRate *
                                               tone::PlaybackTiming{}.leadIn.count() / 1000);
    }
    frames.reserve(count);
    while (frames.size() < count) {
        if (!fill(kFrameSize)) {
            EXPECT_EQ(buffer_.size(), unread_) << "the output ended inside a frame";
            ended_ = true;
            break;
        }
        if (buffer_[unread_] == 'R' && startsWithWavHeader()) {
            ended_ = true;
            break;
        }
        const std::uint8_t* frame = buffer_.data() + unread_;
        const Frame next{qFromLittleEndian<std::int16_t>(frame),
                         qFromLittleEndian<std::int16_t>(frame + 2)};
        unread_ += kFrameSize;
        if (leadInLeft_ > 0 && next == Frame{}) {
            --leadInLeft_;
            continue;
        }
        leadInLeft_ = 0;
        frames.push_back(next);
    }
    return frames;
}

std::size_t FileSinkOutput::readUntilEnd(std::size_t atMost)
{
    std::size_t total = 0;
    while (!ended_ && total < atMost)
        total += read(std::min<std::size_t>(4096, atMost - total)).size();
    EXPECT_TRUE(ended_) << "the output went on for more than " << atMost << " frames";
    return total;
}
