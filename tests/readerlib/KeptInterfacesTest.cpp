// Discovery on a platform that keeps its interface list between calls: a
// kept list that has gone stale never changes a result, a debug line or
// the last error, compared with a platform that enumerates afresh.
#include "FirmwarePlatform.h"
#include "HidApi.h"
#include "RWApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace korvel;
using korvel::testing::FirmwarePlatform;
using korvel::testing::MousePath;
using korvel::testing::ReaderPath0;
using korvel::testing::ReaderPath1;

namespace {

const std::string MovedPath0 = "\\\\?\\hid#vid_1209&pid_0001&mi_00#9&77&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const std::string MovedPath1 = "\\\\?\\hid#vid_1209&pid_0001&mi_01#9&77&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// Answers from `kept` until told to forget it; paths no longer present
// (not in `paths`) fail to open, as a removed device node does.
class KeepingPlatform : public FirmwarePlatform {
public:
    using FirmwarePlatform::FirmwarePlatform;
    std::vector<std::string> kept;
    bool keeping = true;
    int forgotten = 0;

    bool listInterfaces(std::vector<std::string> &out) override
    {
        if (!keeping)
            return FirmwarePlatform::listInterfaces(out);
        out = kept;
        return true;
    }
    bool keepsInterfaces() override { return keeping; }
    void forgetInterfaces() override
    {
        keeping = false;
        ++forgotten;
    }
    int64_t lastErrorValue() override { return lastError; }
    void restoreLastError(int64_t value) override { lastError = static_cast<int>(value); }
    std::unique_ptr<os::HidDevice> open(const std::string &path, os::Access access) override
    {
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
            opened.push_back(path);
            lastError = 2; // ENOENT
            return nullptr;
        }
        return FirmwarePlatform::open(path, access);
    }
    std::shared_ptr<os::RawDevice> openRaw(const std::string &path) override
    {
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
            lastError = 2;
            return nullptr;
        }
        return FirmwarePlatform::openRaw(path);
    }
};

struct Scenario {
    const char *name;
    std::vector<std::string> kept;    // what the platform kept
    std::vector<std::string> present; // what is there now
    std::set<std::string> reader;     // paths that reach the reader now
};

const Scenario scenarios[] = {
    {"kept list current", {MousePath, ReaderPath0, ReaderPath1}, {MousePath, ReaderPath0, ReaderPath1}, {ReaderPath0}},
    {"reader gone", {MousePath, ReaderPath0, ReaderPath1}, {MousePath}, {}},
    {"reader moved", {MousePath, ReaderPath0, ReaderPath1}, {MovedPath0, MovedPath1, MousePath}, {MovedPath0}},
    {"reader new", {MousePath}, {MousePath, ReaderPath0, ReaderPath1}, {ReaderPath0}},
};

void present(FirmwarePlatform &platform, const Scenario &s)
{
    platform.paths = s.present;
    platform.readerPaths = s.reader;
    platform.instanceIds.clear();
    for (const std::string &path : s.present)
        if (path.find("mi_01") != std::string::npos)
            platform.instanceIds[path] = "USB\\VID_1209&PID_0001&MI_01\\1-1:1.1";
}

TEST(KeptInterfaces, AStaleListNeverDecidesAConnect)
{
    for (const Scenario &s : scenarios) {
        SCOPED_TRACE(s.name);
        readersim::ReaderFirmware firmware;
        FirmwarePlatform fresh{firmware};
        KeepingPlatform keeping{firmware};
        present(fresh, s);
        present(keeping, s);
        keeping.kept = s.kept;
        fresh.lastError = keeping.lastError = 99;
        THidApi a{fresh}, b{keeping};
        const bool expected = a.Connect(0x1209, 1);
        EXPECT_EQ(b.Connect(0x1209, 1), expected);
        EXPECT_EQ(keeping.debugLines, fresh.debugLines);
        EXPECT_EQ(keeping.lastError, fresh.lastError);
        EXPECT_EQ(b.DevHandle != nullptr, a.DevHandle != nullptr);
        if (expected) {
            EXPECT_EQ(b.DevIdentStr, a.DevIdentStr);
        }
        EXPECT_EQ(keeping.forgotten > 0, s.kept != s.present);
    }
}

TEST(KeptInterfaces, AStaleListNeverDecidesARawOpen)
{
    for (const Scenario &s : scenarios) {
        SCOPED_TRACE(s.name);
        readersim::ReaderFirmware firmware;
        FirmwarePlatform fresh{firmware};
        KeepingPlatform keeping{firmware};
        present(fresh, s);
        present(keeping, s);
        keeping.kept = s.kept;
        TUSBReaderComm a{fresh}, b{keeping};
        EXPECT_EQ(b.OpenUSBReader(), a.OpenUSBReader());
        EXPECT_EQ(keeping.lastError, fresh.lastError);
        EXPECT_EQ(keeping.forgotten > 0, s.kept != s.present);
    }
}

TEST(KeptInterfaces, AFailedTransferForgetsTheList)
{
    readersim::ReaderFirmware firmware;
    KeepingPlatform platform{firmware};
    platform.kept = platform.paths;
    THidApi hid{platform};
    ASSERT_TRUE(hid.Connect(0x1209, 1));
    EXPECT_EQ(platform.forgotten, 0);
    std::vector<uint8_t> report(9, 0);
    platform.failTransfers = {0};
    EXPECT_FALSE(hid.SetFeatureReport(report));
    EXPECT_EQ(platform.forgotten, 1); // the reconnect of the next transfer enumerates afresh
}

} // namespace
