#pragma once

#include "LinuxUniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

// The stat files of the listed processes, each kept open from one walk of /proc to the
// next and read again from its start: one system call a process instead of an open, a
// read and a close, and no path to look up.
//
// An open stat file belongs to the process it was opened for: once that process has
// ended (and been reaped), reading it fails with ESRCH, even when its id has gone to a new
// process. The file is then closed, and the new process gets one of its own. A walk closes
// the files of the processes it no longer lists.
//
// At most `budget` files are kept, numbered from `lowestFd` up, so that the descriptors
// the rest of the program opens keep the range they had; processes beyond the budget are
// read the plain way, and so is every process while the descriptors run short.
//
// The files are kept in a list ordered by process id, which a walk in ascending order
// (as /proc lists its folders) reads through from front to back.
class LinuxStatFiles {
public:
    LinuxStatFiles(std::size_t budget, int lowestFd);

    void beginWalk();
    // Reads the stat file of pid in the /proc of procFd into buffer; -1 when the process
    // is gone (or the file cannot be read). Only between beginWalk and endWalk.
    ssize_t read(int procFd, std::int32_t pid, char* buffer, std::size_t size);
    // Closes the files of the processes this walk did not read.
    void endWalk();
    // Closes them all, as when the process table could not be listed.
    void clear();

    // The budget a layer gets from the program's file limit, and where its files start:
    // above the limit the program was started with when the raised one leaves room there,
    // else half of what the limit leaves free now.
    static LinuxStatFiles forThisProgram();

private:
    struct Kept {
        std::int32_t pid;
        LinuxUniqueFd fd;

        static bool before(const Kept& kept, std::int32_t pid);
        static bool byPid(const Kept& a, const Kept& b);
    };
    // The file kept for pid by the last walk, or nullptr.
    Kept* find(std::int32_t pid);
    ssize_t readAfresh(int procFd, std::int32_t pid, char* buffer, std::size_t size);
    void keep(std::int32_t pid, LinuxUniqueFd file);
    void giveOneBack();

    std::vector<Kept> files_; // the last walk's, by process id
    std::vector<Kept> read_;  // this walk's, in the order read
    std::size_t cursor_ = 0;  // where in files_ the walk has come to
    std::size_t open_ = 0;    // files open in both lists
    std::size_t budget_;
    int lowestFd_;
};
