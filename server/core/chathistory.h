#pragma once

#include <QString>
#include <QStringList>

// What a chat remembers for the model, so that "make the period 21" refines the last program:
// the earlier requests and the latest full program, bounded so that a long chat still fits a
// model's context.
struct ChatHistory final
{
    QStringList requests;
    QString program;

    // Keeps the request and its program, then drops the oldest requests beyond the bound.
    void remember(const QString &request, const QString &newProgram);
    // Drops the older half of the requests, or the program when no request is left; false when
    // there was nothing to drop.
    bool trim();
};
