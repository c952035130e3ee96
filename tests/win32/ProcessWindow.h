/* The window of a class that belongs to this process, for the tests that
 * look for the library's hidden window while other test programs make and
 * destroy theirs. EnumWindows walks a snapshot of the top-level windows; a
 * walk with FindWindowEx from one window to the next ends early, as if
 * there were no more, when the window it stands on has just been destroyed
 * by another process. Plain C, for the C clients too. */
#pragma once

#include <windows.h>

#include <string.h>

typedef struct {
    const char *className;
    HWND found;
} ProcessWindowSearch;

static inline BOOL CALLBACK ProcessWindowVisit(HWND window, LPARAM data)
{
    ProcessWindowSearch *search = (ProcessWindowSearch *)data;
    DWORD process = 0;
    char name[64];
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && GetClassNameA(window, name, sizeof name) > 0 &&
        strcmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static inline HWND FindProcessWindow(const char *className)
{
    ProcessWindowSearch search = {className, NULL};
    EnumWindows(ProcessWindowVisit, (LPARAM)&search);
    return search.found;
}
