// korvelctl's main() under another name, so that a harness can call it.
#define main KorvelctlMain
#include KORVELCTL_MAIN
#undef main
