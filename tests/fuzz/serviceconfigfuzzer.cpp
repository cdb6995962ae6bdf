// config.json as a user or an installer might leave it beside the executable.

#include "fuzzsupport.h"

#include "service/serviceconfig.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QTemporaryDir *folder()
{
    static QTemporaryDir dir;
    return &dir;
}

QString configPath()
{
    return folder()->filePath(QStringLiteral("config.json"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialize(argc, argv);
    if (!folder()->isValid())
        FuzzSupport::fail("no temporary folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(configPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            FuzzSupport::fail("cannot write the config file");
    }
    const QString base = apiBaseUrlFromConfig(configPath());
    if (base.endsWith(QLatin1Char('/')))
        FuzzSupport::fail("a trailing slash left on the base address");
    if (base != apiBaseUrlFromConfig(configPath()))
        FuzzSupport::fail("the same file read two ways");
    return 0;
}
