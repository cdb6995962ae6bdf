#pragma once

#include <QList>
#include <QString>

// One bubble of the conversation as the controller describes it and the transcript shows it.
struct ChatEntry final
{
    // How many lines of a program the chat shows; "Show all" opens the rest.
    static constexpr int PreviewLines = 12;

    enum class Kind {
        Service, // the service's answers and the client's own notices
        User,    // the trader's request
        Program, // an answer's explanation and its program
        Warning, // risks found in a program
        Backtest, // a test in the terminal's tester: its figures and balance curve
    };

    struct Link final
    {
        QString text;
        QString href;
    };

    Kind kind = Kind::Service;
    QString text;
    QString code;       // Program only
    // Parts of text that are links themselves, such as a saved file's path: a single one is
    // the last occurrence of its text; of several, each the first after the one before it.
    QList<Link> textLinks;
    QList<Link> links;  // actions, on a line of their own after the text
    // Backtest only: the balance after each closing deal, the deposit first; drawn as a curve.
    QList<double> curve;
    bool demo = false;  // Backtest only: written by the stand-in tester, not the terminal's
};
