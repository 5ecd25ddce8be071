// One viewer per user: a lock file in the user's runtime folder. The lock is released when the
// object goes, or by the system when the process ends (a stale lock of a dead process is taken
// over).
#pragma once

#include <QLockFile>
#include <QString>

namespace viewer {

class SingleInstance {
public:
    // `folder` defaults to the per-user runtime folder.
    explicit SingleInstance(const QString& folder = {});
    // False when another running viewer holds the lock.
    bool IsFirst() const { return first_; }

private:
    QLockFile lock_;
    bool first_;
};

}  // namespace viewer
