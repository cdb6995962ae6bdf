#pragma once

#include "client/conversation/chatentry.h"

#include <QString>
#include <QStringList>

// What a program's viewer is titled: the name of the file the program was saved to while that
// file still holds it, else the name the program was asked for under.
class ProgramTitles final
{
public:
    // Every entry the chat adds, with the name field's text at that moment: programs are
    // numbered as they arrive, and a saved file's link says where one went.
    void note(const ChatEntry &entry, const QString &programName);
    // Empty when the program had no name and was never saved.
    QString title(int number, const QString &code) const;

private:
    QStringList m_names;      // by program number
    QStringList m_savedFiles; // newest last
};
