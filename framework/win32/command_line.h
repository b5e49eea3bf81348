// Starting programs on Windows: a command line from an argument list, and the
// program file found in PATH.
#pragma once

#include <string>
#include <vector>

// UTF-8 to UTF-16 and back.
std::wstring OrvWide(const std::string& text);
std::string OrvNarrow(const std::wstring& text);

// One command line whose arguments the C runtime splits back into `argv`
// exactly (quotes and the backslashes before them escaped).
std::wstring OrvCommandLine(const std::vector<std::string>& argv);

// The file `name` names: as given when it holds a directory, else the first
// of PATH's directories holding it (with ".exe" added when it has no
// extension); empty when there is none.
std::wstring OrvProgramPath(const std::string& name);

// "text: the system's message for `code`".
std::string OrvWindowsError(const std::string& text, unsigned long code);
