#pragma once

#include <QString>

// The program and the explanation in a model's answer. Models wrap the program in a fenced
// code block, sometimes several, sometimes after their reasoning in <think> tags, sometimes
// none at all; an answer cut off by the length limit must never pass for a program.
struct ExtractedAnswer final
{
    enum class Outcome { Program, CutOff, NoProgram };

    Outcome outcome = Outcome::NoProgram;
    QString program;
    // The text around the program, reasoning taken out.
    QString explanation;

    // cutOffByLimit: the server said it stopped at the length limit (finish_reason "length").
    static ExtractedAnswer from(const QString &answer, bool cutOffByLimit);
};

// The text of an answer as it streams in, reasoning in <think> tags left out, even when a tag
// is split between two pieces.
class ReasoningFilter final
{
public:
    // What of this next piece may be shown.
    QString visible(const QString &piece);

private:
    QString m_pending;
    bool m_inside = false;
};
