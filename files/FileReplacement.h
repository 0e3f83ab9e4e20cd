#pragma once
// Writing a file the way a careful user expects, for every writer of the program (wave
// export, preset files):
// - an existing file is replaced only when the new contents are complete: they go to a
//   temporary file beside it, which is renamed over it at the end; a failure or a cancel
//   leaves the old file as it was and no temporary file behind;
// - a symbolic link is followed: the file it points to is replaced, the link stays;
// - the replaced file keeps its permission bits (and its owner where the system allows);
// - the temporary name fits the folder's name limit whatever the target's name length;
// - where no temporary file can be made (a writable file in a read-only folder), the file is
//   written in place, as asked;
// - devices and pipes (the null device, "/dev/stdout", a FIFO) are written directly, never
//   replaced; "/dev/stdout" and "/dev/fd/N" write the descriptor the process holds;
// - a file that is also the input of the output (the preset a signal is read from) is
//   refused before anything is written;
// - a file is written back to the disk stretch by stretch while it is being made, so that the
//   sync that makes it durable before the rename is short;
// - a writer that keeps only files (the settings) refuses every other target: nothing is
//   written to a device, a pipe or a folder, and none of them is replaced.
// Standard library and POSIX only.
#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace quavril {

class FileReplacement {
public:
    // How the output is written.
    enum class Way {
        None,    // not open
        Replace, // temporary file beside the target, renamed over it by Commit
        InPlace, // the existing file itself, truncated (its folder refuses new files)
        Direct,  // a device, a pipe or an inherited descriptor
    };

    FileReplacement() = default;
    ~FileReplacement() { Discard(); }
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // What the output may be.
    enum class Targets {
        Any,          // files, devices, pipes and inherited descriptors
        RegularFiles, // files only (an existing target that is not one is refused)
    };

    // Opens the output for `path`. `input`, when not empty, names a file that must not be
    // written (the file the output is made from; "/dev/stdin" is the descriptor). False with
    // Reason() set; nothing has been written then.
    bool Open(const std::string& path, const std::string& input = {},
              Targets targets = Targets::Any);
    // Sets aside room for `bytes` on the disk at once (the file keeps its size), so that the
    // file system does not find its blocks piece by piece; a file system that cannot changes
    // nothing.
    void Reserve(off_t bytes);
    // Writes all `size` bytes; false with Reason() set.
    bool Write(const void* data, std::size_t size);
    // Completes the output: makes a temporary file durable and renames it over the target.
    // False with Reason() set; a temporary file is removed then.
    bool Commit();
    // Abandons the output: a temporary file is removed; a file written in place or directly
    // keeps what was written.
    void Discard();

    // The system's text of the last failure ("No space left on device").
    const std::string& Reason() const { return reason_; }
    Way HowWritten() const { return way_; }
    // The file that is really written (links followed).
    const std::string& Target() const { return target_; }
    const std::string& TemporaryName() const { return temporary_; }

    // Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of an output in progress
    // before the process ends as the signal would. Signals the process ignores stay ignored.
    // For programs that end on these signals (the command-line tool); the window has its own
    // shutdown path.
    static void RemoveTemporaryOnSignals();

    // The temporary file name used beside `target`: "." + name + ".XXXXXX", the name cut so
    // that the whole fits `nameMax` bytes (at a character boundary).
    static std::string TemporaryPattern(const std::string& target, long nameMax);

private:
    bool Fail(int error);
    bool Fail(const std::string& reason);
    bool OpenDirect(int fd);
    // Opens target_ (links followed): a device or FIFO directly, else a temporary file
    // beside it or, failing that, the file itself.
    bool OpenNamed(const std::string& input);
    bool CreateTemporary(int& error);
    static bool IsInput(const struct stat& out, const std::string& input);
    void StartWriteback();

    Way way_ = Way::None;
    int fd_ = -1;
    std::string target_, temporary_, reason_;
    Targets targets_ = Targets::Any;
    int registration_ = -1; // slot of the temporary name in the signal handlers' table
    bool keep_ = false;     // a replaced file's owner is kept
    mode_t mode_ = 0;       // permission bits the replacement gets
    uid_t owner_ = 0;
    gid_t group_ = 0;
    off_t written_ = 0;       // bytes written since Open
    off_t writebackFrom_ = 0; // the first byte whose writeback has not been asked for
};

} // namespace quavril
