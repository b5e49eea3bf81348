// This program and the copies of it a capture runs side by side.
//
// OrvSweptDirectory is a working directory that goes when this process and
// every copy started with it have ended, however they ended: killed outright
// too. OrvSweep lists other things to put right in that case. OrvProgramCopy is this program started again with other arguments,
// its standard output discarded and its standard error in a file; it dies
// with this process.
//
// Threads: use from one thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// What this process leaves on the way, to be put right should it end without
// doing so itself: killed outright too. On Linux a sweeper process does it,
// started on first use in a session of its own (neither a terminal's Ctrl+C
// nor a kill of our process group or of our name reaches it); it waits until
// this process and every copy of it (OrvProgramCopy) have ended, then ends the
// process groups and removes the files listed at that moment. Elsewhere the
// list is kept by nobody (only OrvSweptDirectory is swept there).
class OrvSweep {
public:
    enum class Kind : char {
        File = 'f',            // a file, removed
        Tree = 't',            // a directory, removed with all it holds
        EmptyDirectory = 'e',  // a directory, removed when empty (the innermost first)
        ProcessGroup = 'g',    // a process group by its number, killed (before any file goes)
    };
    static void Add(Kind kind, const std::string& what);
    // Takes back an Add: the thing is gone, or kept on purpose.
    static void Drop(Kind kind, const std::string& what);
};

// The running program's own file; empty when the system does not say.
std::string OrvThisProgram();

// This process's number, for names no other process uses at the same time.
long OrvProcessId();

class OrvSweptDirectory {
public:
    OrvSweptDirectory() = default;
    // Removes the directory; the sweeper watching it ends soon after.
    ~OrvSweptDirectory();

    OrvSweptDirectory(const OrvSweptDirectory&) = delete;
    OrvSweptDirectory& operator=(const OrvSweptDirectory&) = delete;

    // Makes the directory `where` (readable by this user only; one left by an
    // earlier run that was killed outright is replaced) and starts the sweeper
    // that removes it once this process and the copies holding it are gone.
    // False with `error` when the directory cannot be made; without a sweeper
    // it still works, but only the destructor removes it.
    bool Create(const std::filesystem::path& where, std::string* error);

    const std::filesystem::path& Path() const { return path; }

    // The directory's name as its copies are told it: plain characters only,
    // whatever its own name holds (a line break in it would split the lines
    // of what they write about their files). Valid in a copy only.
    std::string NameForCopies() const;

private:
    friend class OrvProgramCopy;

    std::filesystem::path path;
    // What every copy inherits to keep the directory (the sweeper's socket
    // on Linux), and the sweeper process; -1 when there is none.
    intptr_t hold = -1;
    intptr_t sweeper = -1;
    intptr_t handle = -1;  // the directory, opened for the copies to inherit; -1 when not needed
};

class OrvProgramCopy {
public:
    // Starts this program with `args` (after the program's name), standard
    // output discarded, standard error written to `logPath`; it holds `keep`
    // until it ends. False with `error` when it cannot be started.
    bool Start(const std::vector<std::string>& args, const std::string& logPath, const OrvSweptDirectory& keep,
               std::string* error);

    // True from Start until it has ended and been collected.
    bool Running() const { return process > 0; }

    // Collects it when it has ended, without waiting: true then.
    bool Ended();

    // Asks it to end (SIGTERM); Wait collects it.
    void Terminate();
    void Wait();

    // How it ended, once it has: exited with status 0; the signal that ended
    // it (0 when none did); its exit status.
    bool Succeeded() const;
    int Signal() const;
    int ExitStatus() const;

private:
    intptr_t process = -1;  // the process id
    int status = 0;         // as waitpid reports it
};
