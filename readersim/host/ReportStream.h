// Input reports through the PTY behind an emulated hidraw node.
//
// umockdev backs each /dev/hidrawN with a PTY, and poll() on the node sees
// only bytes written to its master side. A PTY is a byte stream shared by
// every descriptor that has the node open, so the bus keeps report
// boundaries itself: the line discipline is raw (no byte is translated),
// each report goes in with one write(), and a reader wakes only when a
// whole report is there (VMIN). Readers must read one report at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace readersim {

class ReportStream {
public:
    // `master`: the PTY master (umockdev's, not owned); `pty`: its slave,
    // which every descriptor of the node has open.
    ReportStream(int master, std::string pty);

    // Raw mode; poll() and read() on the node wait for `reportLength` bytes
    // (1 for nodes that carry no reports). Also makes the master
    // non-blocking, so that a full PTY never blocks the bus. Throws
    // std::runtime_error.
    void configure(size_t reportLength) const;

    // Appends one report. false when it was dropped: the PTY is full (like
    // the kernel's per-reader queue) or a partial write could not be
    // completed (the queue is discarded then, so no reader sees part of a
    // report).
    bool write(const uint8_t *report, size_t length) const;

    // Drops every byte queued in either direction.
    void discard() const;


    // Whether any process has the node open now. Cheap: asks the master,
    // which reports a hang-up while no slave is open (exact once the slave
    // has been opened at least once, as discard() does).
    bool opened() const;

private:
    int master_;
    std::string pty_;
};

} // namespace readersim
