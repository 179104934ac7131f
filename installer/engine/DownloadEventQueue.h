#pragma once
// Download notifications on their way from the downloader's worker to the
// owner's thread, in order and with their values whole (a failure's value is
// the download's result code, which a window message could not carry).
#include <deque>
#include <mutex>

namespace ZKInstaller {

class CInstallSession;

class CDownloadEventQueue {
public:
    // Worker thread. True when the queue was empty: the owner's thread needs
    // one wake-up (a posted message) to drain it.
    bool Push(unsigned generation, int code, double value);
    // Owner's thread: hands every queued notification to the session, oldest first.
    void DrainInto(CInstallSession& session);

private:
    struct Event {
        unsigned generation;
        int code;
        double value;
    };
    std::mutex m_mutex;
    std::deque<Event> m_events;
};

}  // namespace ZKInstaller
