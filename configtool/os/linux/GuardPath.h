// Where the instance guard keeps its files on Linux: $XDG_RUNTIME_DIR (else
// /tmp, with the user's id in the names), one name stem per guard.
#pragma once

#include <QString>

// The guard's file with `suffix` (".0.lock", ".sock"); the stem is a hash of
// the guard name when the path would not fit into a socket address.
QString GuardPath(const QString &guardName, const QString &suffix);
