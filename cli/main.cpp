// korvelctl: the reader's settings, its configuration files and its raw
// channel from the command line.
#include "CommandLine.h"

int main(int argc, char **argv)
{
    return korvelctl::Main({argv + 1, argv + argc});
}
