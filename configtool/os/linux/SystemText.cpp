// The system's error texts and debugger output on Linux: errno's text
// (strerror) and a line on stderr.
#include "os/SystemText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

TString LastErrorText()
{
    const int error = errno; // before anything else can change it
    const char *text = std::strerror(error);
    const TString result = FromSystem8Bit(text ? text : "");
    errno = error;
    return result;
}

void WriteDebugOutput(const TString &text)
{
    const std::string bytes = text.toLocal8Bit().toStdString();
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    if (bytes.empty() || bytes.back() != '\n')
        std::fputc('\n', stderr);
    std::fflush(stderr);
}
