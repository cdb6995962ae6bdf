#pragma once

#include "client/conversation/riskwarnings.h"
#include "protocol/domain.h"

#include <QList>
#include <QString>

// What each step of a program's way into the terminal came to, as data: ProgramDeployer
// reports it, the conversation keeps it, ChatPresenter words it in the interface's language.
namespace DeploySteps {

struct Save final
{
    // Why the program was not saved; the path refusals come before the path is verified.
    enum class Refusal {
        None,
        DataFolderEmpty,
        NoMqlFolder,          // folder: the data folder
        InstallFolderEmpty,
        InstallFolderMissing, // folder: the installation folder
        BadName,              // detail: what is wrong with the name
        EarlierNotKept,       // path: the file; detail: why its content could not be kept aside
        WriteFailed,          // detail: the file's error
    };
    // What the saved file held before.
    enum class Replaced {
        Nothing,
        OwnVersion,   // a version of this chat's program, kept aside
        OtherProgram, // someone else's content, kept aside
    };

    int program = -1;
    Protocol::Platform platform = Protocol::Platform::Mt4;
    Refusal refusal = Refusal::None;
    QString folder;
    QString path;   // where it was saved
    QString detail;
    Replaced replaced = Replaced::Nothing;
    QString keptAt; // where the replaced content was kept

    bool pathVerified() const { return refusal == Refusal::None || refusal > Refusal::InstallFolderMissing; }
};

// The risks found in a saved program: it is saved and compiled all the same.
struct Review final
{
    int program = -1;
    QList<RiskWarnings::Warning> risks;
};

// A compile's end: how it went, and its log.
struct Compile final
{
    int program = -1;
    Protocol::ProgramType type = Protocol::ProgramType::Indicator;
    qint64 elapsedMs = 0;
    bool stopped = false; // by the trader
    bool started = false;
    QString problem;      // the compiler run's own words: why it did not start or was stopped
    bool hasLog = false;
    QString log;
    bool reportsErrors = false;
};

// Putting back what a save replaced.
struct Restore final
{
    int program = -1;
    QString path;
    QString error; // empty when the earlier version is back
};

} // namespace DeploySteps
