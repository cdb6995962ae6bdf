#pragma once

#include "platform/backtestrun.h"
#include "platform/compilerrun.h"
#include "client/conversation/backtestchoice.h"
#include "protocol/messages.h"
#include "client/conversation/deploysteps.h"
#include "client/archive/storedchat.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// The programs of a chat's answers on their way into the terminal: saved one at a time into
// its MQL folder (a file they replace is kept aside, to be restored), warned of their risks,
// then compiled there without blocking. Each step reports what it came to, as data.
class ProgramDeployer final : public QObject
{
    Q_OBJECT

public:
    explicit ProgramDeployer(int compileTimeoutMs, QObject *parent = nullptr);

    // Read when a program is saved, not when it was asked for, so that a folder fixed while
    // waiting counts.
    void setFolders(Protocol::Platform platform, const QString &installFolder, const QString &dataFolder);
    void setProgramName(const QString &name) { m_programName = name; }
    // The chat whose programs are kept from now on; a compile of a chat left ends without a
    // word in the next one.
    void setChat(quint64 serial) { m_chat = serial; }

    // Keeps an answer's program, written for platform and type
    // ("indicator"/"ea"), asked for by request, with the risks the service found in it when it
    // says; its number.
    int keep(const QString &code, const QString &request, Protocol::Platform platform, Protocol::ProgramType type,
             const std::optional<QList<RiskWarning>> &serviceWarnings);
    // Saves and compiles the program once those before it are.
    void deploy(int number);
    void restore(int number);
    // Programs still waiting to be saved stay in the chat only (theirs was left).
    void dropWaiting() { m_waiting.clear(); }
    bool hasWaiting() const { return !m_waiting.isEmpty(); }
    bool isCompiling() const { return m_compile.isRunning(); }
    qint64 compileElapsedMs() const { return m_compileClock.elapsed(); }
    void stopCompile();
    int count() const { return int(m_programs.size()); }
    QString program(int number) const;
    // The compiler's error lines of the program's last compile.
    QStringList errorsOf(int number) const;
    // A test of the saved program in its terminal's tester as choice says; the expert is
    // left empty when the program was not saved below the data folder's Experts.
    BacktestRun::Settings backtestSettings(int number, const BacktestChoice &choice) const;
    // Whether the program is what its file in the terminal holds: saved, and no later program
    // saved over it.
    bool isInTerminal(int number) const;
    // What the program's last test came to, kept with its version.
    void setBacktest(int number, const TesterReport &report);
    Protocol::Platform platformOf(int number) const { return m_programs.at(number).platform; }
    Protocol::ProgramType typeOf(int number) const { return m_programs.at(number).type; }

    // A program of the trader's own, opened from filePath, kept as written there; its number.
    int keepOpened(const QString &code, const QString &filePath, Protocol::Platform platform, Protocol::ProgramType type);
    // A copy of a program kept before, as the newest; its number.
    int keepCopy(int number);
    // The versions of the program number is one of (same name), oldest first.
    QList<ProgramVersion> versionsOf(int number) const;
    // Every program kept, by number, as the chat's archive keeps it.
    QList<ProgramVersion> versions() const;
    // The programs of a chat reopened (none for a new chat), each at its number; a program
    // without one comes last.
    void restoreVersions(const QList<ProgramVersion> &versions, Protocol::Platform platform, Protocol::ProgramType type);

Q_SIGNALS:
    // A save ended, refused or done.
    void saved(const DeploySteps::Save &save);
    // A saved program holds risks; it is compiled all the same.
    void risksFound(const DeploySteps::Review &review);
    void compileStarted(const QString &fileName);
    // A compile of the chat's own ended; one of a chat left ends without a word.
    void compiled(const DeploySteps::Compile &compile);
    void restored(const DeploySteps::Restore &restore);
    // The compile of the chat's newest program left a log; errors: its error lines, if any.
    void newestCompiled(const QStringList &errors);

private:
    struct Program final
    {
        QString code;
        QString name; // the file name it is saved under, without extension
        QString request;
        Protocol::Platform platform = Protocol::Platform::Mt4;
        Protocol::ProgramType type = Protocol::ProgramType::Indicator;
        QString sourcePath;      // where it was last saved
        QString earlierVersion;  // what that save replaced, kept aside
        // The risks the service found in it, by rule and line; none from a service that sends none.
        std::optional<QList<RiskWarning>> serviceWarnings;
        QDateTime time;
        ProgramVersion::Verdict verdict = ProgramVersion::Verdict::NotCompiled;
        QStringList errors;
        std::optional<TesterReport> backtest;
    };

    struct Folders final
    {
        QString install;
        QString data;
    };

    void deployNext();
    void save(int number);
    // Writes the program into its folder, keeping aside what it replaces.
    DeploySteps::Save write(int number);
    static DeploySteps::Save::Refusal folderProblem(Protocol::Platform platform, const Folders &folders);
    void warnOfRisks(int number);
    // Whether the content a save replaced is one this client saved there earlier.
    bool wroteEarlier(int number, const QString &replacedPath) const;
    void onCompiled(const CompilerRun::Outcome &outcome);

    int m_compileTimeoutMs;
    QHash<Protocol::Platform, Folders> m_folders;
    QString m_programName;
    quint64 m_chat = 0;

    QList<Program> m_programs;
    QList<int> m_waiting;
    CompilerRun::Job m_compile;
    int m_compiling = -1;       // the program being compiled
    quint64 m_compiledChat = 0; // the chat it belongs to
    QElapsedTimer m_compileClock;
    bool m_compileStopped = false; // by the trader
};
