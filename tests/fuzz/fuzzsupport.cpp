#include "fuzzsupport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

void initialize(int *argc, char ***argv)
{
    // libFuzzer's own argc and argv live as long as the process, as Qt requires.
    static QCoreApplication application(*argc, *argv);
    qInstallMessageHandler(dropMessage);
}

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace FuzzSupport
