// Thread sanitizer defaults for every program that runs the bus (built in
// only with KORVEL_TSAN). umockdev, GLib and libudev are not instrumented:
// the sanitizer sees their accesses (descriptor numbers reused across
// threads, their own static buffers) without the locking around them and
// reports races that are none. Accesses from those libraries are ignored;
// everything compiled here is still checked. TSAN_OPTIONS adds to this.
extern "C" const char *__tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
