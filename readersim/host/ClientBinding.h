// Binds each client of an emulated node to the device that was plugged when
// it connected, as a kernel binds an open file to its device: a client that
// opened the node before an unplug keeps the gone device (and gets its
// errors) even after a new one is plugged. `Shared` holds the node's
// `mutex` and its `current` device (a shared_ptr, null while unplugged);
// `key` names the binding on the client object, one per kind of node.
#pragma once

#include <umockdev.h>

#include <memory>
#include <mutex>

namespace readersim {

template <class Shared>
void bindClient(UMockdevIoctlClient *client, const char *key, Shared &shared)
{
    using DevicePtr = decltype(shared.current);
    std::lock_guard lock(shared.mutex);
    g_object_set_data_full(G_OBJECT(client), key, new DevicePtr(shared.current),
                           [](gpointer device) { delete static_cast<DevicePtr *>(device); });
}

// The device `client` is bound to; null when it connected while unplugged.
template <class Device>
Device *boundDevice(UMockdevIoctlClient *client, const char *key)
{
    const auto *bound = static_cast<std::shared_ptr<Device> *>(g_object_get_data(G_OBJECT(client), key));
    return bound ? bound->get() : nullptr;
}

} // namespace readersim
