// One emulated /dev/hidrawN, whose ioctls are answered like the kernel's
// hidraw driver: descriptor and identity queries, and feature reports,
// which reach the reader's firmware (or stall when the device has none).
// write() of an output report reaches the firmware too, through the same
// ioctl socket ("handle-write"); read() falls through to the node's PTY,
// where the bus writes input reports (see ReportStream.h).
//
// The node listens on its ioctl socket for the bus's whole life, and the
// device behind it changes with each plug. A client is bound to the device
// that was plugged when umockdev accepted its connection; once that device
// is unplugged the client gets ENODEV, as from the kernel. (Detaching the
// socket instead would drop connections not yet accepted, and the preload
// then ends the client process.)
#pragma once

#include "GLibPtr.h"
#include "SysfsLayout.h"

#include <memory>
#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace readersim {

class ReaderFirmware;

class HidrawNode {
public:
    // Starts listening on the ioctl socket of `devnode`; do this before the
    // node appears, so that a client reacting to its "add" uevent already
    // reaches us. Throws std::runtime_error.
    HidrawNode(UMockdevTestbed *testbed, std::string devnode);
    ~HidrawNode(); // stops listening
    HidrawNode(const HidrawNode &) = delete;
    HidrawNode &operator=(const HidrawNode &) = delete;

    // A device appears behind the node. `features` gets the feature reports
    // (null: they stall), `outputReports` the reports written to the node
    // (null: writes stall). Both must stay valid until unplug().
    void plug(HidrawIdentity identity, ReaderFirmware *features, ReaderFirmware *outputReports);
    // The device goes; an ioctl in progress is completed first.
    void unplug();


    struct Device; // one plug's answers, shared with the clients bound to it
    struct Shared; // what the signal handlers reach

private:
    UMockdevTestbed *testbed_;
    std::string devnode_;
    std::shared_ptr<Shared> shared_;
    GObjectPtr<UMockdevIoctlBase> base_;
};

} // namespace readersim
