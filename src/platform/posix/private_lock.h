// Locks that only the user's own processes can take: lock files in a folder
// that only the user can write (XDG_RUNTIME_DIR, else /tmp/lumaris-<uid>,
// each checked: a real folder, the user's, writable by no one else), opened
// without following links and checked to be the user's own files. Another
// user's files of the same names can neither silence the sound nor stand in
// for a running scene.
#pragma once

#include <string>

namespace lumaris::posix {

// The folder, made where needed; "" where no folder passes the checks.
std::string privateFolder();

class PrivateLock {
public:
    // The lock file `name` in the private folder, not yet held; without a
    // folder or a file that passes the checks, a lock that is never held.
    explicit PrivateLock(const std::string& name);
    ~PrivateLock();
    PrivateLock(const PrivateLock&) = delete;
    PrivateLock& operator=(const PrivateLock&) = delete;

    // Whether there is a lock file to agree on.
    bool usable() const { return fd_ >= 0; }
    // Takes it if no other process holds it; true when held.
    bool tryTake();
    // Waits up to `ms` for it; true when held.
    bool take(int ms);
    void release();
    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

// Whether this process plays the sound of those that share `lock`: it holds
// it (taken now where it is free), or there is no lock file to agree on,
// where every process plays: better twice than never.
bool claimSound(PrivateLock& lock);

// The display's sound lock: the process drawing on the display (one per
// monitor) that holds it plays the sound, and keeps it until it exits.
std::string displaySoundLockName(const std::string& displayName);

}  // namespace lumaris::posix
