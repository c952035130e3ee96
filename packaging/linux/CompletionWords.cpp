// Prints the words korvelctl's bash completion offers, from the lists
// korvelctl itself uses, one a line (GenerateCompletion.cmake reads them):
//   setting NAME WRITABLE VALUES   VALUES as `korvelctl help set` shows them
//   key NAME                       a modifier or key of a keyboard report
#include "KeyList.h"
#include "ReportText.h"
#include "Settings.h"

#include <cstdio>
#include <cstring>

int main()
{
    for (const korvelctl::Setting &setting : korvelctl::Settings())
        std::printf("setting %s %d %s\n", setting.name, setting.write ? 1 : 0, setting.values);
    for (const char *name : readerconfig::ModifierNames)
        std::printf("key %s\n", name);
    for (const char *name : KeyList)
        if (name && std::strchr(name, '\n') == nullptr && name[0] != '(')
            std::printf("key %s\n", name);
    return 0;
}
