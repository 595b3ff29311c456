#pragma once

#include <QString>

// A tmpfs of `bytes` mounted on `dir` (in the test's own folder) while this lives; needs root.
class SmallDisk {
public:
    SmallDisk(const QString& dir, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    // Takes up every byte left, so the next write that needs space fails.
    void fill();
    bool makeReadOnly();  // mounts it again read-only; false when that failed

private:
    QString m_dir;
    bool m_mounted = false;
};
