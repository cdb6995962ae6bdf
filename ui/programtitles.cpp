#include "ui/programtitles.h"

#include "platform/deployment.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

void ProgramTitles::note(const ChatEntry &entry, const QString &programName)
{
    if (entry.kind == ChatEntry::Kind::Program)
        m_names.append(programName.trimmed());
    for (const ChatEntry::Link &link : entry.textLinks) {
        const QUrl target(link.href);
        if (target.isLocalFile())
            m_savedFiles.append(target.toLocalFile());
    }
}

// A file counts while it holds the program as it was written, not after a restore or a later save.
QString ProgramTitles::title(int number, const QString &code) const
{
    const QByteArray written = Deployment::sourceFileContent(code);
    for (auto path = m_savedFiles.crbegin(); path != m_savedFiles.crend(); ++path) {
        QFile file(*path);
        if (file.size() == written.size() && file.open(QIODevice::ReadOnly) && file.readAll() == written)
            return QFileInfo(*path).fileName();
    }
    return m_names.value(number);
}
