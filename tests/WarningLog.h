#pragma once

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

// Collects the warnings that the code under test logs through Qt, from any thread, while it
// exists. One at a time.
class WarningLog
{
public:
    WarningLog()
    {
        const std::lock_guard lock(mutex_);
        lines_.clear();
        previous_ = qInstallMessageHandler(&WarningLog::Record);
    }
    ~WarningLog() { qInstallMessageHandler(previous_); }
    WarningLog(const WarningLog&) = delete;
    WarningLog& operator=(const WarningLog&) = delete;

    std::vector<std::string> lines() const
    {
        const std::lock_guard lock(mutex_);
        return lines_;
    }
    // How many lines hold `text`.
    std::size_t count(const std::string& text) const
    {
        const std::lock_guard lock(mutex_);
        return CountHolding(text);
    }
    // Waits until a line holds `text`; false after a generous safety timeout.
    bool waitFor(const std::string& text) const
    {
        std::unique_lock lock(mutex_);
        return logged_.wait_for(lock, std::chrono::seconds(30),
                                [&] { return CountHolding(text) > 0; });
    }

private:
    static void Record(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        const std::lock_guard lock(mutex_);
        lines_.push_back(message.toStdString());
        logged_.notify_all();
    }
    static std::size_t CountHolding(const std::string& text)
    {
        return static_cast<std::size_t>(std::count_if(lines_.begin(), lines_.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }

    QtMessageHandler previous_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::vector<std::string> lines_;
    static inline std::condition_variable logged_;
};
