// Keeps a udev monitor that does not read from ending the bus process.
//
// umockdev 0.17 aborts when a uevent does not fit into a monitor's receive
// queue, which holds only net.unix.max_dgram_qlen datagrams (10 by
// default): any client with an unread monitor ends the bus after a few
// plugs. UeventGuard.cpp defines sendmsg() for the process: a uevent to a
// full monitor socket of the testbed waits briefly for room and is then
// dropped, as the kernel drops netlink messages to a full receiver. A
// monitor whose process has ended between umockdev's connect and its send
// (which umockdev also aborts on) gets nothing, as a closed socket would.
#pragma once

#include <cstddef>

namespace readersim {

// uevents dropped so far. Calling it also links the guard into the program.
size_t droppedUevents();

} // namespace readersim
