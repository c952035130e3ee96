// Saving a .rfc file so that it is never left half written: the keys go
// into a copy in the same folder, which then takes the file's place in one
// rename. Whatever happens, the file is the old one or the new one.
#pragma once

#include "ConfigFile.h"

#include <string>

namespace korvelctl {

// As WriteConfigFile (other sections and keys of an existing file are kept,
// and so is its mode); a link is followed and stays a link. Throws
// std::runtime_error naming the file and the reason; the file is then as it was.
void ReplaceConfigFile(const std::string &fileName, const TKeyboardConfig &config);

} // namespace korvelctl
