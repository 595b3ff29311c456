#pragma once

#include <QString>

// A tmpfs of a few bytes mounted on a folder while this lives, to show how code copes with a
// full disk. Mounting takes root, as the tests run; `dir` must lie in the test's own
// temporary folder.
class SmallDisk {
public:
    SmallDisk(const QString& dir, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    // Takes up every byte left, so the next write that needs space fails.
    void fill();
    // Mounts it again read-only, as a system folder is to a user; false when that failed.
    bool makeReadOnly();

private:
    QString m_dir;
    bool m_mounted = false;
};
