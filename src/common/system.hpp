#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What differs between POSIX systems and Windows, behind one set of calls: system_posix.cpp and
// system_windows.cpp implement them, and the build takes the one for its system.
namespace tessary::sys {

// This program's own file name without folder or extension ("tessary-cli"); "tessary" when the
// system cannot say.
std::string ProgramName();

// The arguments after the program's name, as UTF-8 text (Windows hands them over in UTF-16).
std::vector<std::string> CommandLineArguments(int argc, char **argv);

// Standard output carries bytes exactly as written: no "\r" added before each "\n" on Windows.
void UseBinaryStandardOutput();

bool StandardErrorIsTerminal();

long ProcessId();

// Whether a process of that id runs (or may: one we may not ask about counts as running).
bool ProcessRuns(long pid);

// The system's text for the last failed call of this thread (errno, or GetLastError()).
std::string LastErrorText();

// A temporary folder of the system's, when TEMP says nothing: /tmp, or GetTempPath's folder.
std::filesystem::path SystemTemporaryFolder();

// Makes the folder private to this user: mode 0700, or an access list that admits the user
// alone. False (with the reason) when it cannot be made, or exists already.
bool MakePrivateFolder(const std::filesystem::path &folder, std::string &failure);

// True when the path is a real folder (no link or junction) owned by this user that nobody else
// may enter: mode 0700, or an access list that allows only the user (and the system's own
// accounts, which may read everything anyway).
bool IsPrivateFolder(const std::filesystem::path &folder);

// A fresh private folder with a name of the pattern prefix + six random characters; empty (with
// the reason) when none could be made.
std::filesystem::path MakeFreshPrivateFolder(const std::filesystem::path &root,
                                             const std::string &prefix, std::string &failure);

// `count` random lowercase letters and digits, for names no other process can guess; safe to call
// from several threads.
std::string RandomLetters(std::size_t count);

enum class NewFile { created, exists, failed };
// Creates an empty file only where none is (never through a link), so a name cannot be handed
// out twice; `failure` says why when it fails.
NewFile CreateNewFile(const std::filesystem::path &path, std::string &failure);

} // namespace tessary::sys
