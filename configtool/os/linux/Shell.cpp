// The About page's links on Linux: the desktop opens them (the default
// browser, the default mail program).
#include "os/Shell.h"

#include <QDesktopServices>
#include <QUrl>

void OpenDocument(const TString &address)
{
    QDesktopServices::openUrl(QUrl(address)); // a failure is not reported
}
