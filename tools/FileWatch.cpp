#include "FileWatch.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace cinefold {

FileWatch::FileWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch() {
    if (fd_ >= 0) close(fd_);
}

bool FileWatch::watch(const std::vector<std::string>& files, std::string& problem) {
    if (fd_ < 0) {
        problem = std::string("cannot watch files: ") + std::strerror(errno);
        return false;
    }
    for (int watch : watches_)
        inotify_rm_watch(fd_, watch);
    watches_.clear();
    folders_.clear();
    files_.clear();
    std::set<std::string> folders;
    for (const std::string& file : files) {
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(file, error).lexically_normal();
        files_.insert(full.string());
        folders.insert(full.parent_path().string());
    }
    for (const std::string& folder : folders) {
        const int watch = inotify_add_watch(fd_, folder.c_str(),
                                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE);
        if (watch < 0) {
            problem = "cannot watch " + folder + ": " + std::strerror(errno);
            return false;
        }
        watches_.push_back(watch);
        folders_.push_back(folder);
    }
    return true;
}

bool FileWatch::settle(int quietMs) {
    bool changed = false;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        pollfd wait{fd_, POLLIN, 0};
        if (poll(&wait, 1, quietMs) <= 0) return changed;
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        for (ssize_t offset = 0; offset < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (!event->len) continue;
            for (std::size_t i = 0; i < watches_.size(); ++i)
                if (watches_[i] == event->wd &&
                    files_.count(folders_[i] + "/" + std::string(event->name)))
                    changed = true;
        }
    }
}

} // namespace cinefold
