#pragma once
// Watches a set of files for changes through inotify, for play --watch. Editors save in many
// ways (writing in place, or writing a new file and renaming it over the old one), so it is the
// folders that are watched, for any file of the set being written, moved in, made or removed.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace cinefold {

class FileWatch {
  public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Watches these files from now on, in place of those watched before. False, with the
    // reason, when the system refuses.
    bool watch(const std::vector<std::string>& files, std::string& problem);
    // Readable when something happened in a watched folder; -1 when inotify is not to be had.
    int descriptor() const { return fd_; }
    // Reads what happened until the folders have been quiet for quietMs, so that a burst of
    // saves counts once. True when a watched file was among what changed.
    bool settle(int quietMs);

  private:
    int fd_ = -1;
    std::vector<int> watches_;
    std::set<std::string> files_; // absolute, as inotify names them: folder + "/" + name
    std::vector<std::string> folders_; // by watch descriptor's position in watches_
};

} // namespace cinefold
