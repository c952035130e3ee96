// The reader's keyboard interface as the kernel's input layer shows it: the
// input device under interface 0's hid device with its event node
// /dev/input/eventN in sysfs, and the node itself. Its ioctls answer as the
// kernel's evdev does for what a listener asks (EVIOCGVERSION, EVIOCGID,
// EVIOCGNAME/PHYS/UNIQ, EVIOCGBIT, EVIOCGKEY/LED/SW, EVIOCGRAB and its
// release); what the reader types arrives as struct input_event records
// written to the node's PTY, where poll() sees them.
//
// Like HidrawNode, the node listens for the bus's whole life; each client is
// bound to the plug it connected under and gets ENODEV once that is gone.
// A key held down repeats as the kernel's input core repeats it (value 2,
// after 250 ms, then every 33 ms, the defaults hid-input keyboards get).
// A grab is held by one client until it lets go or closes the node. Unlike
// the kernel's, the queue of events is one for all readers (the PTY): what
// a reader left unread is there for the next one that opens the node.
#pragma once

#include "EvdevReports.h"
#include "GLibPtr.h"
#include "KeyboardOutput.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace readersim {

struct UsbDeviceModel;

class EvdevNode {
public:
    // Starts listening on the ioctl socket of /dev/input/event<number>.
    // Throws std::runtime_error.
    EvdevNode(UMockdevTestbed *testbed, int number);
    ~EvdevNode();
    EvdevNode(const EvdevNode &) = delete;
    EvdevNode &operator=(const EvdevNode &) = delete;

    // The sysfs records (umockdev format, parents first) and syspaths of the
    // input device under `hidSyspath` (/sys/devices/.../0003:VVVV:PPPP.NNNN)
    // for a plug of `device` at `port`; the device answers from now on. Call
    // before the records are added.
    struct Layout {
        std::string records;
        std::vector<std::string> syspaths;
    };
    Layout plug(const std::string &hidSyspath, const UsbDeviceModel &device, int port);
    // After the records were added: the PTY behind the node is ready.
    void plugged();
    void unplug();

    // Types boot keyboard reports, when a plug is there and someone has the
    // node open (the kernel drops events no one reads). Any thread.
    void type(const std::vector<BootReport> &reports);

    bool grabbed() const;
    std::string devnode() const;

    struct Device; // one plug's answers
    struct Shared;

private:
    UMockdevTestbed *testbed_;
    int number_;
    std::shared_ptr<Shared> shared_;
    GObjectPtr<UMockdevIoctlBase> base_;
    mutable std::mutex mutex_; // the members below
    int inputSequence_ = 0;    // inputN counts up with each plug (by 2: one per node)
    std::optional<std::string> pty_; // umockdev's, kept across plugs
    int master_ = -1;
    bool plugged_ = false;
    EvdevReports kernel_;
    // Key repeat: the next repeat is due at `repeatAt_` while kernel_ holds
    // a repeating key; the thread writes it.
    void repeatKeys();
    void writeEvents(const std::vector<input_event> &events); // under mutex_
    std::chrono::steady_clock::time_point repeatAt_;
    bool stopping_ = false;
    std::condition_variable repeatChanged_;
    std::thread repeater_;
};

} // namespace readersim
