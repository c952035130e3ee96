// The tool's command line: --help and --version print and end the program;
// otherwise exactly one argument that names an existing file is a
// configuration file to load (at start-up, or by the instance that already
// runs). Anything else starts the tool with nothing to load.
#pragma once

#include "Text.h"

enum TStartAction { saRun, saHelp, saVersion };

// What the arguments (the program name first) ask for.
TStartAction StartAction(const TStringList &arguments);
TString HelpText();
TString VersionText();

// The configuration file that the arguments name, as given; empty when
// there is not exactly one argument or it names no file (a folder is none).
TString ConfigFileArgument(const TStringList &arguments);
