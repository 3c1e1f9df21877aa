#pragma once
// How the tool writes: every file goes to a temporary of its own, created exclusively beside
// the target (never a fixed name, never through a symbolic link), and becomes the target only
// when every byte is written, flushed, synced and closed without error, by a rename over it.
// Until then the target, if there is one, is untouched; on any failure, or when SIGINT or
// SIGTERM ends the tool, the temporary is removed, and nothing that the tool did not create is
// ever removed.
//
// A folder of files (a series of frames, a project) is built the same way: in a temporary
// folder, moved into place when it is complete.
//
// Outputs are also checked against the files the tool read: an output that is the same file as
// an input (the same device and inode, whatever the names) is refused before anything is written.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include <signal.h>

namespace cinefold {

// Permission bits of a new file, before the umask: data, or a program (a saver).
constexpr unsigned dataFileMode = 0666;
constexpr unsigned programFileMode = 0777;

// Remembers `path` as an input of this run, so that no output may replace it. Nothing is
// remembered for a path that names nothing.
void rememberInput(const std::string& path);
// The input that `path` is, or "" when it is none of them.
std::string inputAt(const std::string& path);

// Blocks SIGINT and SIGTERM in the calling thread for as long as it lives. A writer that starts
// threads starts them inside one, so that they inherit the mask and the ending signals always
// reach the thread that keeps the list of pending files, never one that runs while that list
// is being changed.
class EndingSignalsBlocked {
  public:
    EndingSignalsBlocked();
    ~EndingSignalsBlocked();
    EndingSignalsBlocked(const EndingSignalsBlocked&) = delete;
    EndingSignalsBlocked& operator=(const EndingSignalsBlocked&) = delete;

  private:
    sigset_t previous_;
};

class OutputFile {
  public:
    explicit OutputFile(std::string target, unsigned mode = dataFileMode);
    ~OutputFile(); // removes the temporary unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target (not an input, and a regular file or nothing) and creates the
    // temporary. False, with the reason, when the file cannot be written there.
    bool open(std::string& problem);
    // A buffered stream on the temporary, for libraries that write through one; the file keeps
    // ownership. Null before open.
    std::FILE* stream() const { return stream_; }
    bool write(std::span<const std::uint8_t> bytes, std::string& problem);
    // Flushes, syncs and closes the temporary, every step checked, and renames it over the
    // target. On failure the temporary is gone and the target as it was.
    bool commit(std::string& problem);
    // Gives up: the temporary goes, the target stays as it was.
    void abandon();

    const std::string& target() const { return target_; }
    // The temporary's name, for a library that must open the file by its name; it writes there
    // through a descriptor of its own and closes it before commit.
    const std::string& temporary() const { return temporary_; }

  private:
    std::string target_;
    std::string temporary_;
    unsigned mode_;
    std::FILE* stream_ = nullptr;
};

// The whole of `bytes` as the file `path`, through an OutputFile.
bool writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& problem, unsigned mode = dataFileMode);

// Files made in a temporary folder and moved into a target folder when complete.
//
// A target that does not exist yet appears whole, by one rename of the temporary folder. A
// target that exists must be empty unless `replace` is set (unpack and extract's --force, a
// series of frames in an existing folder); then each file is moved over the target's file of the
// same name in the order they were made, the last one last, so that a project's project.json,
// made last, never names images that are not yet there: an existing file of that name is moved
// out of the way first. Nothing is followed out of the target: a symbolic link at a subfolder's
// place is refused, and one at a file's place is replaced, not followed.
class OutputFolder {
  public:
    OutputFolder(std::string target, bool replace);
    ~OutputFolder(); // removes the temporary folder and what is in it unless committed
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    bool open(std::string& problem);
    // Where to write the file `name` (a path relative to the target, at most one subfolder
    // deep) now: inside the temporary folder. Made through OutputFile like any other.
    std::string stagedPath(const std::string& name);
    bool commit(std::string& problem);

    const std::string& target() const { return target_; }

  private:
    std::string target_;
    std::string temporary_;
    bool replace_;
    bool wasThere_ = false;
    std::vector<std::string> names_; // in the order they were made
};

// The target of a write, checked before any work is done: what OutputFile::open checks of it.
bool checkOutputTarget(const std::string& path, std::string& problem);

// Flushes standard output and says whether everything written to it arrived; false, with the
// reason, otherwise (a full disk, a closed pipe).
bool standardOutputWritten(std::string& problem);

} // namespace cinefold
