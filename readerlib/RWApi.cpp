#include "RWApi.h"

#include "NullArguments.h"
#include "ReaderIds.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace korvel {

// The receive thread: while a callback is assigned and the channel is
// open, it reads input reports and hands each one to the window's thread.
class TGetThread {
public:
    explicit TGetThread(TUSBReaderComm &comm)
        : comm_(comm), thread_(comm.platform_.startThread([this] { Execute(); }))
    {
    }
    ~TGetThread()
    {
        Terminate();
        thread_.reset(); // returns once Execute has returned
    }
    void Terminate()
    {
        terminated_ = true;
        comm_.idle_.Notify();
    }
    bool Finished() const { return finished_; }

private:
    void Execute()
    {
        while (!terminated_) {
            const std::shared_ptr<os::RawDevice> device = comm_.DevHandle();
            if (!device || !comm_.GetDataEvent()) {
                // Idle until the channel opens, a callback comes or the thread is stopped.
                comm_.idle_.WaitUntil([this] { return terminated_ || comm_.Receiving(); });
                continue;
            }
            uint8_t report[RawReportLength];
            switch (device->readReport(report, sizeof report, ThreadReadMs)) {
            case os::RawDevice::ReadResult::Report:
                comm_.HandOff(report);
                break;
            case os::RawDevice::ReadResult::TimedOut:
                break; // nothing came and nothing failed: wait again at once, so no report waits for a pause
            case os::RawDevice::ReadResult::Failed:
                std::this_thread::sleep_for(std::chrono::milliseconds(ThreadRetryMs));
                break;
            }
        }
        finished_ = true;
    }

    TUSBReaderComm &comm_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::unique_ptr<os::WorkerThread> thread_; // last: starts once the flags exist
};

std::string RawInterfaceId()
{
    char id[32];
    std::snprintf(id, sizeof id, "vid_%04x&pid_%04x&mi_%s", unsigned{ReaderVendorId}, unsigned{ReaderProductId},
                  InterfaceDigits(RawInterface).c_str());
    return id;
}

bool MatchDeviceInstance(os::HidPlatform &platform, const std::string &Path, const std::string &Id)
{
    std::string instance;
    if (!platform.deviceInstanceId(Path, instance))
        return false;
    std::transform(instance.begin(), instance.end(), instance.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return instance.find(Id) != std::string::npos;
}

bool FindInterfacePath(os::HidPlatform &platform, std::string &Path)
{
    Path.clear();
    std::vector<std::string> paths;
    if (!platform.listInterfacesOf(ReaderVendorId, paths))
        return false;
    const std::string id = RawInterfaceId();
    for (const std::string &path : paths)
        if (MatchDeviceInstance(platform, path, id)) {
            Path = path;
            return true;
        }
    return false;
}

void BuildOutputReport(const uint8_t *PStr, uint32_t Size, uint8_t (&report)[RawReportLength])
{
    report[0] = 0;
    report[1] = static_cast<uint8_t>(Size);
    // The data area carries Size - 1 bytes (none for Size 0 or 1), at most 63.
    const uint32_t count = Size == 0 ? 0 : std::min<uint32_t>(Size - 1, RawDataLength);
    std::memset(report + 2, 0xFF, RawDataLength);
    if (count > 0)
        std::memcpy(report + 2, PStr, count);
}

uint32_t InputDataLength(const uint8_t (&report)[RawReportLength])
{
    return std::min<uint32_t>(report[1], RawDataLength);
}

TUSBReaderComm::TUSBReaderComm(os::HidPlatform &platform)
    : platform_(platform),
      FWinHandle(platform.createMessageWindow([this](const os::WindowMessage &m) { HandleMessage(m); }))
{
}

TUSBReaderComm::~TUSBReaderComm()
{
    getDataEvent_ = nullptr;
    {
        std::lock_guard guard(threadLock_);
        for (auto &thread : threads_)
            thread->Terminate();
    }
    CloseUSBReader();       // wakes a read in progress
    FWinHandle->shutdown(); // wakes a hand-off in progress
    std::lock_guard guard(threadLock_);
    threads_.clear(); // joins
}

std::shared_ptr<os::RawDevice> TUSBReaderComm::DevHandle() const
{
    std::lock_guard guard(handleLock_);
    return devHandle_;
}

bool TUSBReaderComm::FindReaderPath(std::string &Path)
{
    return FindInterfacePath(platform_, Path);
}

// The search and open on the interfaces the platform kept from an earlier
// call; null, with the last error as it was, when either fails, and the
// full search runs afresh.
std::shared_ptr<os::RawDevice> TUSBReaderComm::OpenByKeptList()
{
    if (!platform_.keepsInterfaces())
        return nullptr;
    const int64_t error = platform_.lastErrorValue();
    std::string path;
    std::shared_ptr<os::RawDevice> device = FindReaderPath(path) ? platform_.openRaw(path) : nullptr;
    if (!device) {
        platform_.forgetInterfaces();
        platform_.restoreLastError(error);
    }
    return device;
}

int32_t TUSBReaderComm::OpenUSBReader()
{
    std::shared_ptr<os::RawDevice> device = OpenByKeptList();
    if (!device) {
        std::string path;
        if (!FindReaderPath(path)) {
            platform_.forgetInterfaces();
            return RFID_RW_NOT_PRESENT;
        }
        if (!(device = platform_.openRaw(path)))
            platform_.forgetInterfaces();
    }
    const bool opened = device != nullptr;
    {
        std::lock_guard guard(handleLock_);
        std::swap(devHandle_, device);
    }
    if (device) // the handle this open replaces
        device->interrupt();
    idle_.Notify();
    return opened ? RFID_RW_OK : RFID_RW_IO_ERROR;
}

void TUSBReaderComm::CloseUSBReader()
{
    std::shared_ptr<os::RawDevice> device;
    {
        std::lock_guard guard(handleLock_);
        std::swap(devHandle_, device);
    }
    // The descriptor itself closes when the last user lets go of it.
    if (device)
        device->interrupt();
    idle_.Notify();
}

int32_t TUSBReaderComm::Write(const uint8_t *PStr, uint32_t Size)
{
    std::shared_ptr<os::RawDevice> device = DevHandle();
    if (!device) {
        if (const int32_t result = OpenUSBReader(); result != RFID_RW_OK)
            return result;
        if (!(device = DevHandle()))
            return RFID_RW_IO_ERROR; // closed again at once by a removal
    }
    uint8_t report[RawReportLength];
    BuildOutputReport(PStr, Size, report);
    if (!device->writeReport(report, sizeof report, WriteLimitMs)) {
        platform_.forgetInterfaces(); // the next open enumerates afresh
        return RFID_RW_IO_ERROR;
    }
    // Size itself, kept positive for sizes beyond the signed range.
    return static_cast<int32_t>(std::min<uint32_t>(Size, INT32_MAX));
}

int32_t TUSBReaderComm::Read(uint8_t *PStr, uint32_t &Size)
{
    Size = 0;
    std::shared_ptr<os::RawDevice> device = DevHandle();
    if (!device) {
        if (const int32_t result = OpenUSBReader(); result != RFID_RW_OK)
            return result;
        if (!(device = DevHandle()))
            return RFID_RW_IO_ERROR;
    }
    if (GetDataEvent())
        return RFID_RW_CALLBACK_ASSIGNED;
    uint8_t report[RawReportLength];
    switch (device->readReport(report, sizeof report, ReadPollMs)) {
    case os::RawDevice::ReadResult::TimedOut:
        return RFID_RW_OK;
    case os::RawDevice::ReadResult::Failed:
        platform_.forgetInterfaces();
        return RFID_RW_IO_ERROR;
    case os::RawDevice::ReadResult::Report:
        break;
    }
    Size = InputDataLength(report);
    std::memcpy(PStr, report + 2, Size);
    return RFID_RW_OK;
}

int32_t TUSBReaderComm::PutRawData(const char *Data, uint32_t Size)
{
    if (NullRefused(platform_, Data == nullptr && Size > 1)) // Size 0 and 1 send no data byte
        return RFID_RW_IO_ERROR;
    const int32_t result = Write(reinterpret_cast<const uint8_t *>(Data), Size);
    return result > 0 ? RFID_RW_OK : result;
}

int32_t TUSBReaderComm::GetRawData(char *Data, uint32_t *Size)
{
    if (NullRefused(platform_, Data == nullptr || Size == nullptr))
        return RFID_RW_IO_ERROR;
    uint8_t buffer[RawDataLength];
    uint32_t size = 0;
    const int32_t result = Read(buffer, size);
    *Size = size;
    if (size != 0)
        std::memcpy(Data, buffer, size);
    return result;
}

bool TUSBReaderComm::HandOff(const uint8_t (&report)[RawReportLength])
{
    const CopyDataRecord data{0, RawReportLength, report};
    return FWinHandle->sendMessage({wm::CopyData, InputDataLength(report), reinterpret_cast<intptr_t>(&data)});
}

void TUSBReaderComm::HandleMessage(const os::WindowMessage &Message)
{
    if (Message.Msg == wm::CopyData) {
        const auto *data = reinterpret_cast<const CopyDataRecord *>(Message.LParam);
        if (!data || !data->lpData || data->cbData < 2)
            return;
        // Never read past the report, whatever the length says.
        const uint32_t n = std::min<uint32_t>({static_cast<uint32_t>(std::min<uintptr_t>(Message.WParam, RawDataLength)),
                                               data->cbData - 2});
        char copy[RawDataLength + 1];
        std::memcpy(copy, static_cast<const uint8_t *>(data->lpData) + 2, n);
        copy[n] = '\0';
        if (const TRFID_RW_GetDataEvent callback = GetDataEvent())
            callback(copy, n);
        return;
    }
    if (Message.Msg == wm::DeviceChange &&
        (Message.WParam == dbt::DeviceArrival || Message.WParam == dbt::DeviceRemoveComplete)) {
        const auto *header = reinterpret_cast<const DeviceInterfaceBroadcast *>(Message.LParam);
        if (!header || header->dbcc_devicetype != dbt::DevTypDeviceInterface ||
            !(header->dbcc_classguid == HidClassGuid))
            return;
        if (Message.WParam == dbt::DeviceRemoveComplete)
            CloseUSBReader();
        else
            OpenUSBReader();
    }
}

void TUSBReaderComm::ReapFinishedThreads()
{
    threads_.remove_if([this](const std::unique_ptr<TGetThread> &t) { return t.get() != getThread_ && t->Finished(); });
}

void TUSBReaderComm::AssignGetEvent(TRFID_RW_GetDataEvent oGetDataEvent)
{
    std::lock_guard guard(threadLock_);
    ReapFinishedThreads();
    if (oGetDataEvent) {
        getDataEvent_ = oGetDataEvent;
        idle_.Notify();
        if (!getThread_) {
            threads_.push_back(std::make_unique<TGetThread>(*this));
            getThread_ = threads_.back().get();
        }
        return;
    }
    getDataEvent_ = nullptr;
    idle_.Notify();
    if (getThread_) {
        getThread_->Terminate(); // it ends by itself after its current pass
        getThread_ = nullptr;
    }
}

bool TUSBReaderComm::ReceiveThreadRunning() const
{
    std::lock_guard guard(threadLock_);
    return getThread_ != nullptr;
}

} // namespace korvel
