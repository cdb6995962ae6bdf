#pragma once

#include <QString>

// While alive, lets the calling thread's file access obey the permission bits even when
// the tests run as root (as CI does), so that a read-only folder really refuses writes.
// Root keeps the capabilities in reserve and gets them back on destruction.
class EnforcedPermissions final
{
public:
    EnforcedPermissions();
    ~EnforcedPermissions();

    EnforcedPermissions(const EnforcedPermissions &) = delete;
    EnforcedPermissions &operator=(const EnforcedPermissions &) = delete;

    // Whether a new file in folder is refused now; when not, the case cannot be made here.
    static bool refusesNewFiles(const QString &folder);

    // Removes or restores the write permissions of a folder.
    static bool setReadOnly(const QString &folder, bool readOnly);

private:
    bool m_dropped = false;
    unsigned int m_savedEffective[2] = {0, 0};
};
