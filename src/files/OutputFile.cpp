#include "files/OutputFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace cinefold {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

// ---- What a signal must remove -------------------------------------------------------------
//
// SIGINT and SIGTERM remove every temporary file and folder that the tool has made and not yet
// moved into place, then end the tool as the signal would have. The handler may only call what
// is safe in a signal handler, so the paths are kept in fixed storage, changed only while those
// signals are blocked, and folders are emptied with the kernel's own directory reads.

constexpr int maxPending = 32;
struct Pending {
    char path[PATH_MAX];
    bool folder;
    bool used;
};
Pending pending[maxPending];
volatile std::sig_atomic_t handlersInstalled = 0;

// Empties and removes the folder at `path` (relative to the folder descriptor `at`), at most
// `depth` folders deep, without following a symbolic link.
void removeTree(int at, const char* path, int depth) {
    const int folder = openat(at, path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) {
        alignas(8) char buffer[4096];
        long got;
        bool removedAny = true;
        // Entries removed while reading may shift the listing, so it is read again until a pass
        // removes nothing.
        while (removedAny) {
            removedAny = false;
            lseek(folder, 0, SEEK_SET);
            while ((got = syscall(SYS_getdents64, folder, buffer, sizeof buffer)) > 0) {
                for (long offset = 0; offset < got;) {
                    struct Entry {
                        std::uint64_t inode;
                        std::int64_t next;
                        unsigned short length;
                        unsigned char type;
                        char name[1];
                    };
                    const Entry* entry = reinterpret_cast<const Entry*>(buffer + offset);
                    offset += entry->length;
                    const char* name = entry->name;
                    if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
                    if (unlinkat(folder, name, 0) == 0) {
                        removedAny = true;
                    } else if (errno == EISDIR && depth > 0) {
                        removeTree(folder, name, depth - 1);
                        removedAny = true;
                    }
                }
            }
        }
        close(folder);
    }
    unlinkat(at, path, AT_REMOVEDIR);
}

void removePending() {
    for (int i = maxPending - 1; i >= 0; --i) {
        if (!pending[i].used) continue;
        if (pending[i].folder)
            removeTree(AT_FDCWD, pending[i].path, 2);
        else
            unlink(pending[i].path);
        pending[i].used = false;
    }
}

extern "C" void onEndingSignal(int signal) {
    removePending();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}


bool addPending(const std::string& path, bool folder, std::string& problem) {
    if (path.size() >= PATH_MAX) {
        problem = "the path is too long";
        return false;
    }
    EndingSignalsBlocked blocked;
    if (!handlersInstalled) {
        struct sigaction action {};
        action.sa_handler = onEndingSignal;
        sigemptyset(&action.sa_mask);
        for (int signal : {SIGINT, SIGTERM}) {
            struct sigaction old {};
            // A signal that was ignored when the tool started (a background job) stays ignored.
            if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
                sigaction(signal, &action, nullptr);
        }
        handlersInstalled = 1;
    }
    for (Pending& slot : pending)
        if (!slot.used) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.folder = folder;
            slot.used = true;
            return true;
        }
    problem = "too many files open for writing at once";
    return false;
}

void dropPending(const std::string& path) {
    EndingSignalsBlocked blocked;
    for (Pending& slot : pending)
        if (slot.used && path == slot.path) slot.used = false;
}

// ---- Inputs --------------------------------------------------------------------------------

struct Input {
    dev_t device;
    ino_t inode;
    std::string path;
};
std::vector<Input>& inputs() {
    static std::vector<Input> list;
    return list;
}

// Permission bits for a new file or folder: the mode less the process's umask.
unsigned withUmask(unsigned mode) {
    static const mode_t mask = [] {
        const mode_t m = umask(0);
        umask(m);
        return m;
    }();
    return mode & ~unsigned(mask);
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

// A name for a temporary beside `path`: hidden, recognisably ours, and short enough for any
// file system.
std::string temporaryTemplate(const std::string& path) {
    std::string base = std::filesystem::path(path).filename().string();
    if (base.size() > 200) base.resize(200);
    return (std::filesystem::path(folderOf(path)) / ("." + base + ".cinefold-XXXXXX")).string();
}

} // namespace

void rememberInput(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0) inputs().push_back({status.st_dev, status.st_ino, path});
}

std::string inputAt(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return {};
    for (const Input& input : inputs())
        if (input.device == status.st_dev && input.inode == status.st_ino) return input.path;
    return {};
}

bool checkOutputTarget(const std::string& path, std::string& problem) {
    if (const std::string input = inputAt(path); !input.empty()) {
        problem = input == path ? "is also an input: it would be replaced by the output"
                                : "is the same file as the input " + input +
                                      ": it would be replaced by the output";
        return false;
    }
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return true; // nothing there (or a dangling link)
    if (S_ISDIR(status.st_mode)) {
        problem = "is a folder, not a file";
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        problem = "is not a regular file (a device, a pipe or a socket); not replaced";
        return false;
    }
    if ((status.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0) {
        problem = "is read-only; not replaced";
        return false;
    }
    return true;
}

OutputFile::OutputFile(std::string target, unsigned mode)
    : target_(std::move(target)), mode_(mode) {}

EndingSignalsBlocked::EndingSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

EndingSignalsBlocked::~EndingSignalsBlocked() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

OutputFile::~OutputFile() {
    abandon();
}

bool OutputFile::open(std::string& problem) {
    abandon();
    if (!checkOutputTarget(target_, problem)) return false;
    std::string name = temporaryTemplate(target_);
    // mkstemp creates the name exclusively, so a link planted there is never followed. An
    // ending signal waits until the name is on the list of what it removes.
    EndingSignalsBlocked blocked;
    const int descriptor = mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0) {
        problem = "cannot create a file in " + folderOf(target_) + ": " + reason(errno);
        return false;
    }
    if (!addPending(name, false, problem)) {
        close(descriptor);
        unlink(name.c_str());
        return false;
    }
    temporary_ = name;
    if (fchmod(descriptor, withUmask(mode_)) != 0 || !(stream_ = fdopen(descriptor, "wb"))) {
        problem = "cannot write: " + reason(errno);
        if (!stream_) close(descriptor);
        abandon();
        return false;
    }
    return true;
}

bool OutputFile::write(std::span<const std::uint8_t> bytes, std::string& problem) {
    if (!stream_) {
        problem = "not open";
        return false;
    }
    if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size())
        return true;
    problem = "write error: " + reason(errno);
    abandon();
    return false;
}

bool OutputFile::commit(std::string& problem) {
    if (!stream_) {
        problem = "not open";
        return false;
    }
    const bool flushed = std::fflush(stream_) == 0 && !std::ferror(stream_);
    int error = errno;
    const bool synced = flushed && fsync(fileno(stream_)) == 0;
    if (flushed && !synced) error = errno;
    const bool closed = std::fclose(stream_) == 0;
    if (synced && !closed) error = errno;
    stream_ = nullptr;
    if (!flushed || !synced || !closed) {
        problem = "write error: " + reason(error);
        abandon();
        return false;
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        problem = "cannot replace: " + reason(errno);
        abandon();
        return false;
    }
    dropPending(temporary_);
    temporary_.clear();
    // The rename itself is made durable with the folder that holds it.
    const int folder = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

void OutputFile::abandon() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    if (temporary_.empty()) return;
    unlink(temporary_.c_str());
    dropPending(temporary_);
    temporary_.clear();
}

bool writeFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& problem, unsigned mode) {
    OutputFile file(path, mode);
    return file.open(problem) && file.write(bytes, problem) && file.commit(problem);
}

// ---- Folders -------------------------------------------------------------------------------

OutputFolder::OutputFolder(std::string target, bool replace)
    : target_(std::move(target)), replace_(replace) {
    while (target_.size() > 1 && target_.back() == '/')
        target_.pop_back();
}

OutputFolder::~OutputFolder() {
    if (temporary_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(temporary_, ignored);
    dropPending(temporary_);
}

bool OutputFolder::open(std::string& problem) {
    namespace fs = std::filesystem;
    struct stat status;
    wasThere_ = stat(target_.c_str(), &status) == 0;
    std::string where;
    if (wasThere_) {
        if (!S_ISDIR(status.st_mode)) {
            problem = "is not a folder";
            return false;
        }
        std::error_code error;
        if (!replace_ && !fs::is_empty(target_, error)) {
            problem = "is not empty; give --force to replace the files in it";
            return false;
        }
        // Inside the target: the one place certain to be writable and on the same file system.
        where = (fs::path(target_) / ".cinefold-XXXXXX").string();
    } else {
        std::error_code error;
        fs::create_directories(folderOf(target_), error);
        if (error) {
            problem = "cannot create the folder " + folderOf(target_) + ": " + error.message();
            return false;
        }
        where = temporaryTemplate(target_);
    }
    EndingSignalsBlocked blocked; // until the folder is on the list of what a signal removes
    if (!mkdtemp(where.data())) {
        problem = "cannot create a folder in " + (wasThere_ ? target_ : folderOf(target_)) + ": " +
                  reason(errno);
        return false;
    }
    if (!addPending(where, true, problem)) {
        rmdir(where.c_str());
        return false;
    }
    temporary_ = where;
    return true;
}

std::string OutputFolder::stagedPath(const std::string& name) {
    const std::filesystem::path staged = std::filesystem::path(temporary_) / name;
    std::error_code ignored;
    std::filesystem::create_directories(staged.parent_path(), ignored);
    names_.push_back(name);
    return staged.string();
}

bool OutputFolder::commit(std::string& problem) {
    namespace fs = std::filesystem;
    if (temporary_.empty()) {
        problem = "not open";
        return false;
    }
    if (!wasThere_) {
        // The folder appears whole, with the permissions a new folder would have had.
        for (const std::string& name : names_) {
            const fs::path parent = fs::path(name).parent_path();
            if (!parent.empty()) chmod((fs::path(temporary_) / parent).c_str(), withUmask(0777));
        }
        if (chmod(temporary_.c_str(), withUmask(0777)) != 0 ||
            std::rename(temporary_.c_str(), target_.c_str()) != 0) {
            problem = "cannot move the new folder into place: " + reason(errno);
            return false;
        }
        dropPending(temporary_);
        temporary_.clear();
        return true;
    }
    auto fail = [&](const std::string& what, int error) {
        problem = what + ": " + reason(error);
        return false;
    };
    // Every place is checked first, so that nothing moves unless every file has a place to go.
    for (const std::string& name : names_) {
        const std::string to = (fs::path(target_) / name).string();
        if (!checkOutputTarget(to, problem)) {
            problem = to + " " + problem;
            return false;
        }
        const fs::path parent = fs::path(name).parent_path();
        if (parent.empty()) continue;
        const std::string sub = (fs::path(target_) / parent).string();
        struct stat status;
        if (lstat(sub.c_str(), &status) != 0) {
            if (mkdir(sub.c_str(), 0777) != 0) return fail("cannot create " + sub, errno);
        } else if (S_ISLNK(status.st_mode) || !S_ISDIR(status.st_mode)) {
            problem = sub + " is not a folder of its own (a link or a file); not followed";
            return false;
        }
    }
    // The last file's old version leaves first, so that the folder never pairs it with new files.
    if (!names_.empty()) {
        const std::string last = (fs::path(target_) / names_.back()).string();
        struct stat status;
        if (lstat(last.c_str(), &status) == 0 && !S_ISDIR(status.st_mode) &&
            std::rename(last.c_str(), (fs::path(temporary_) / ".replaced").c_str()) != 0)
            return fail("cannot replace " + last, errno);
    }
    for (const std::string& name : names_) {
        const std::string to = (fs::path(target_) / name).string();
        if (std::rename((fs::path(temporary_) / name).c_str(), to.c_str()) != 0)
            return fail("cannot replace " + to, errno);
    }
    return true; // the destructor removes the emptied temporary folder
}

bool standardOutputWritten(std::string& problem) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    problem = "write error: " + reason(errno);
    return false;
}

} // namespace cinefold
