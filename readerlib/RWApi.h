// The raw data channel of the reader's advanced mode: 65-byte output and
// input reports on interface 1 (report ID, length byte, 63 data bytes),
// polled or delivered to a callback by a receive thread, and opened and
// closed as HID devices come and go.
#pragma once

#include "WindowMessages.h"
#include "korvel.h"
#include "os/HidPlatform.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace korvel {

inline constexpr size_t RawDataLength = RFID_RW_DATA_SIZE;
inline constexpr size_t RawReportLength = RawDataLength + 2; // report ID, length byte, data
inline constexpr unsigned ReadPollMs = 10;     // a Read waits this long for a report
inline constexpr unsigned WriteLimitMs = 100;  // a Write must finish within this
inline constexpr unsigned ThreadReadMs = 100;  // the receive thread's wait per pass
inline constexpr unsigned ThreadRetryMs = 1;   // the pause before a failed read is retried

// "vid_" + the vendor ID in four lower-case hexadecimal digits + "&pid_0001&mi_01".
std::string RawInterfaceId();
// Whether Id occurs in the interface's device instance identifier, whose
// letter case is ignored (Id is lower case).
bool MatchDeviceInstance(os::HidPlatform &platform, const std::string &Path, const std::string &Id);
bool FindInterfacePath(os::HidPlatform &platform, std::string &Path);

// The 65-byte output report for Write(PStr, Size).
void BuildOutputReport(const uint8_t *PStr, uint32_t Size, uint8_t (&report)[RawReportLength]);
// The data bytes an input report carries: its length byte, cut to 63.
uint32_t InputDataLength(const uint8_t (&report)[RawReportLength]);

class TGetThread;

// What an idle receive thread sleeps on: whoever changes what keeps it idle
// (the channel opened or closed, a callback assigned or cleared, a thread
// told to stop) calls Notify, and the thread checks its condition again.
// Plain std primitives, so the same code serves every platform.
class TIdleSignal {
public:
    void Notify()
    {
        { std::lock_guard guard(lock_); } // a waiter is either asleep or has not yet looked
        changed_.notify_all();
    }
    template <typename Ready>
    void WaitUntil(Ready ready)
    {
        std::unique_lock guard(lock_);
        changed_.wait(guard, ready);
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
};

class TUSBReaderComm {
public:
    explicit TUSBReaderComm(os::HidPlatform &platform);
    ~TUSBReaderComm(); // stops the receive threads, the window, and closes the channel
    TUSBReaderComm(const TUSBReaderComm &) = delete;
    TUSBReaderComm &operator=(const TUSBReaderComm &) = delete;

    int32_t OpenUSBReader();
    void CloseUSBReader();
    // Returns Size on success, else a negative code. PStr holds the
    // min(Size - 1, 63) bytes that are sent.
    int32_t Write(const uint8_t *PStr, uint32_t Size);
    // Copies up to 63 data bytes to PStr; 0 with Size 0 when no report came.
    int32_t Read(uint8_t *PStr, uint32_t &Size);
    // RFID_RW_PutRawData and RFID_RW_GetRawData: the caller's buffers are
    // checked first, before the channel is opened or used.
    int32_t PutRawData(const char *Data, uint32_t Size);
    int32_t GetRawData(char *Data, uint32_t *Size);
    bool FindReaderPath(std::string &Path);

    void AssignGetEvent(TRFID_RW_GetDataEvent oGetDataEvent);
    // The hidden window's handler.
    void HandleMessage(const os::WindowMessage &Message);

    // The open raw interface, or null (closed).
    std::shared_ptr<os::RawDevice> DevHandle() const;
    TRFID_RW_GetDataEvent GetDataEvent() const { return getDataEvent_.load(); }
    bool ReceiveThreadRunning() const;

private:
    friend class TGetThread;
    std::shared_ptr<os::RawDevice> OpenByKeptList();
    bool Receiving() const { return GetDataEvent() && DevHandle(); } // what ends the idle wait
    bool HandOff(const uint8_t (&report)[RawReportLength]); // to the window's thread, synchronously
    void ReapFinishedThreads();

    os::HidPlatform &platform_;
    mutable std::mutex handleLock_; // guards the handle slot only, never held during I/O
    std::shared_ptr<os::RawDevice> devHandle_;
    std::atomic<TRFID_RW_GetDataEvent> getDataEvent_{nullptr};
    TIdleSignal idle_;

    mutable std::mutex threadLock_;
    std::list<std::unique_ptr<TGetThread>> threads_; // the running one last; ending ones before it
    TGetThread *getThread_ = nullptr;

    std::unique_ptr<os::MessageWindow> FWinHandle; // last: created after, destroyed before the rest
};

} // namespace korvel
