#pragma once

#include <QString>
#include <QtGlobal>

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

private:
    static void Record(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        const std::lock_guard lock(mutex_);
        lines_.push_back(message.toStdString());
    }

    QtMessageHandler previous_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::vector<std::string> lines_;
};
