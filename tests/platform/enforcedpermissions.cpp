#include "enforcedpermissions.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_LINUX
bool readCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool writeCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}
#endif

} // namespace

EnforcedPermissions::EnforcedPermissions()
{
#ifdef Q_OS_LINUX
    __user_cap_data_struct data[2] = {};
    if (!readCapabilities(data))
        return;
    m_savedEffective[0] = data[0].effective;
    m_savedEffective[1] = data[1].effective;
    // These two let root read, write and search regardless of the permission bits.
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    m_dropped = writeCapabilities(data);
#endif
}

EnforcedPermissions::~EnforcedPermissions()
{
#ifdef Q_OS_LINUX
    if (!m_dropped)
        return;
    __user_cap_data_struct data[2] = {};
    if (!readCapabilities(data))
        return;
    data[0].effective = m_savedEffective[0];
    data[1].effective = m_savedEffective[1];
    writeCapabilities(data);
#endif
}

bool EnforcedPermissions::refusesNewFiles(const QString &folder)
{
    QFile probe(QDir(folder).filePath(QStringLiteral(".write-probe")));
    if (!probe.open(QIODevice::WriteOnly))
        return true;
    probe.close();
    probe.remove();
    return false;
}

bool EnforcedPermissions::setReadOnly(const QString &folder, bool readOnly)
{
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (!readOnly)
        permissions |= QFileDevice::WriteOwner;
    return QFile::setPermissions(folder, permissions);
}
