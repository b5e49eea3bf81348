// File operations whose safe form differs from system to system.
//
// The program writes only files of its own: a name already taken, a symbolic
// link above all, is never written through. Each call reports failure with
// errno set (or in words where it says so), as the C library does.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

// Every name in the program is UTF-8 text. These turn one into the path the
// system takes and back; a path built straight from a std::string (or read
// with .string()) would go through the system's narrow code page on Windows
// and lose every letter outside it.
inline std::filesystem::path OrvPath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string OrvPathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// fopen and remove for a UTF-8 name.
std::FILE* OrvOpenFile(const std::string& path, const char* mode);
bool OrvRemoveFile(const std::string& path);

// Creates `path` as a new file and opens it for binary writing (not inherited
// by child programs). Null with errno set when it cannot: EEXIST when anything,
// a symbolic link too (even one pointing nowhere), already has the name.
std::FILE* OrvCreateNewFile(const std::string& path);

// Creates or empties the file at `path` and opens it for binary writing (not
// inherited by child programs). A symbolic link in its place is refused, not
// followed. Null with `why` saying why in words.
std::FILE* OrvReplaceFile(const std::string& path, std::string* why);

// Makes the directory `path` (others may read it). False with errno set when
// it cannot: EEXIST when anything already has the name.
bool OrvMakeDirectory(const std::string& path);

// Moves the file `from` to `to` in one step, replacing a file already there.
// False with errno set when it cannot; `from` stays then.
bool OrvRenameOver(const std::string& from, const std::string& to);

// True when `stream` (stdout, stderr) goes to a terminal.
bool OrvIsTerminal(std::FILE* stream);
