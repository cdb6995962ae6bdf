#pragma once

#include <QStringList>

class QTextEdit;

// Reads the window's transcript back as the user sees it.
namespace Transcript {

// The text of every bubble, oldest first.
QStringList bubbles(const QTextEdit &view);

// The bubbles from the last one starting with first on; empty when there is none.
QStringList lastFrom(const QStringList &bubbles, const QString &first);

} // namespace Transcript
