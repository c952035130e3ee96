// Owning pointers for the GLib objects the bus holds.
#pragma once

#include <glib-object.h>

#include <memory>

namespace readersim {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GErrorFree {
    void operator()(GError *error) const { g_error_free(error); }
};
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;
using GCharPtr = std::unique_ptr<gchar, GFree>;

// Receives a GError from a C call: `call(..., GErrorOut(error))`.
class GErrorOut {
public:
    explicit GErrorOut(GErrorPtr &target) : target_(target) {}
    ~GErrorOut() { target_.reset(raw_); }
    operator GError **() { return &raw_; }

private:
    GErrorPtr &target_;
    GError *raw_ = nullptr;
};

} // namespace readersim
