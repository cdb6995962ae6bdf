#include "platform/backtestrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/winerun.h"
#include "platform/wineprefixes.h"

#include <algorithm>
#include <iterator>

#ifdef Q_OS_WIN
#include <windows.h>
#include <tlhelp32.h>
#endif

namespace BacktestRun {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString entryIgnoringCase(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (dir.exists(name))
        return dir.absoluteFilePath(name);
    const QStringList found = dir.entryList({name}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    return found.isEmpty() ? dir.absoluteFilePath(name) : dir.absoluteFilePath(found.constFirst());
}

QString keyLine(const QString &key, const QString &value)
{
    return key + QLatin1Char('=') + value;
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy.MM.dd"));
}

QString numberText(double value)
{
    return QString::number(value, 'f', 2);
}

QString decoded(const QByteArray &bytes)
{
    const auto marked = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(marked.value_or(QStringConverter::System), QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

#ifdef Q_OS_LINUX
// The installation's terminal as a process's command line may name it: its host path and,
// for Wine, its Windows path.
bool commandLineNames(const QByteArray &commandLine, const QStringList &names)
{
    const QString text = QString::fromLocal8Bit(commandLine).replace(QChar(0), QLatin1Char(' '));
    return std::any_of(names.cbegin(), names.cend(),
                       [&](const QString &name) { return text.contains(name, Qt::CaseInsensitive); });
}
#endif

} // namespace

QString terminalPath(const QString &installFolder, Protocol::Platform platform)
{
    if (installFolder.isEmpty())
        return {};
    const QString path = entryIgnoringCase(
        installFolder, platform == Protocol::Platform::Mt5 ? QStringLiteral("terminal64.exe") : QStringLiteral("terminal.exe"));
    return QFileInfo(path).isFile() ? path : QString();
}

bool isPortable(const QString &installFolder, const QString &dataFolder)
{
    const QString install = QFileInfo(installFolder).canonicalFilePath();
    return !install.isEmpty() && install == QFileInfo(dataFolder).canonicalFilePath();
}

QStringList startupLines(const Settings &settings)
{
    if (settings.platform == Protocol::Platform::Mt5) {
        QStringList lines{QStringLiteral("[Tester]"), keyLine(QStringLiteral("Expert"), settings.expert)};
        if (!settings.expertParameters.isEmpty())
            lines << keyLine(QStringLiteral("ExpertParameters"), settings.expertParameters);
        lines << keyLine(QStringLiteral("Symbol"), settings.symbol) << keyLine(QStringLiteral("Period"), settings.period)
              << keyLine(QStringLiteral("Model"), QString::number(settings.model))
              << keyLine(QStringLiteral("FromDate"), dateText(settings.from))
              << keyLine(QStringLiteral("ToDate"), dateText(settings.to));
        if (settings.deposit)
            lines << keyLine(QStringLiteral("Deposit"), numberText(*settings.deposit));
        lines << keyLine(QStringLiteral("Currency"), settings.currency)
              << keyLine(QStringLiteral("Leverage"), QStringLiteral("1:%1").arg(settings.leverage))
              << keyLine(QStringLiteral("Report"), ReportName) << QStringLiteral("ReplaceReport=1")
              << QStringLiteral("ShutdownTerminal=1") << QStringLiteral("Visual=0");
        return lines;
    }
    QStringList lines{keyLine(QStringLiteral("TestExpert"), settings.expert)};
    if (!settings.expertParameters.isEmpty())
        lines << keyLine(QStringLiteral("TestExpertParameters"), settings.expertParameters);
    lines << keyLine(QStringLiteral("TestSymbol"), settings.symbol)
          << keyLine(QStringLiteral("TestPeriod"), settings.period == QLatin1String("MN1") ? QStringLiteral("MN")
                                                                                           : settings.period)
          << keyLine(QStringLiteral("TestModel"), QString::number(settings.model))
          << keyLine(QStringLiteral("TestSpread"), QString::number(settings.spread))
          << QStringLiteral("TestOptimization=false") << QStringLiteral("TestDateEnable=true")
          << keyLine(QStringLiteral("TestFromDate"), dateText(settings.from))
          << keyLine(QStringLiteral("TestToDate"), dateText(settings.to))
          << keyLine(QStringLiteral("TestReport"), ReportName) << QStringLiteral("TestReplaceReport=true")
          << QStringLiteral("TestShutdownTerminal=true") << QStringLiteral("TestVisualEnable=false");
    return lines;
}

QByteArray startupFileContent(const Settings &settings)
{
    const QString text = startupLines(settings).join(kCrLf) + kCrLf;
    if (settings.platform == Protocol::Platform::Mt4)
        return text.toLocal8Bit();
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return utf16.encode(text);
}

QByteArray mt4ExpertSettings(const QByteArray &existing, double deposit, const QString &currency)
{
    const QStringList common{QStringLiteral("deposit=") + numberText(deposit), QStringLiteral("currency=") + currency};
    QStringList lines = QString::fromLocal8Bit(existing).split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.trimmed();
    const qsizetype open = lines.indexOf(QStringLiteral("<common>"));
    if (open < 0) {
        // As the terminal writes it after a test; empty inputs leave the EA's own defaults.
        lines = QStringList{QStringLiteral("<common>"), QStringLiteral("positions=2")} + common
                + QStringList{QStringLiteral("fitnes=0"), QStringLiteral("genetic=1"), QStringLiteral("</common>"),
                              QStringLiteral("<inputs>"), QStringLiteral("</inputs>")};
    } else {
        const qsizetype close = lines.indexOf(QStringLiteral("</common>"), open);
        for (qsizetype i = close - 1; i > open; --i) {
            if (lines[i].startsWith(QLatin1String("deposit=")) || lines[i].startsWith(QLatin1String("currency=")))
                lines.removeAt(i);
        }
        for (qsizetype i = 0; i < common.size(); ++i)
            lines.insert(open + 1 + i, common[i]);
    }
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return (lines.join(kCrLf) + kCrLf).toLocal8Bit();
}

bool terminalRuns(const QString &terminalPath)
{
    const QString host = QFileInfo(terminalPath).absoluteFilePath();
#if defined(Q_OS_LINUX)
    const QString canonical = QFileInfo(host).canonicalFilePath();
    const QString prefix = WinePrefixes::prefixOf(host);
    const QStringList names{host, WineRun::windowsPath(prefix, host)};
    const QString self = QString::number(QCoreApplication::applicationPid());
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        const QString folder = processes.next();
        if (processes.fileName() == self || !processes.fileName().front().isDigit())
            continue;
        if (QFileInfo(folder + QStringLiteral("/exe")).canonicalFilePath() == canonical)
            return true;
        QFile commandLine(folder + QStringLiteral("/cmdline"));
        if (commandLine.open(QIODevice::ReadOnly) && commandLineNames(commandLine.readAll(), names))
            return true;
    }
    return false;
#elif defined(Q_OS_WIN)
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    const QString wanted = QDir::toNativeSeparators(host);
    bool found = false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (bool more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        wchar_t path[MAX_PATH * 4];
        DWORD size = DWORD(std::size(path));
        if (QueryFullProcessImageNameW(process, 0, path, &size))
            found = QString::fromWCharArray(path, int(size)).compare(wanted, Qt::CaseInsensitive) == 0;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
#else
    Q_UNUSED(host)
    return false;
#endif
}

QList<JournalError> journalErrors(const QString &journal)
{
    QList<JournalError> errors;
    for (const QString &line : journal.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString text = line.section(QLatin1Char('\t'), -1).trimmed();
        if (text.contains(QLatin1String("no history data"), Qt::CaseInsensitive)) {
            errors.append({JournalError::Kind::NoHistory, text});
        } else if (text.contains(QLatin1String("OnInit"), Qt::CaseInsensitive)
                   && (text.contains(QLatin1String("fail"), Qt::CaseInsensitive)
                       || text.contains(QLatin1String("non-zero"), Qt::CaseInsensitive))) {
            errors.append({JournalError::Kind::OnInitFailed, text});
        } else {
            static const QStringList otherErrors{QStringLiteral("cannot"), QStringLiteral("error"),
                                                 QStringLiteral("failed"), QStringLiteral("stopped because"),
                                                 QStringLiteral("wrong"), QStringLiteral("not found")};
            if (std::any_of(otherErrors.cbegin(), otherErrors.cend(),
                            [&](const QString &word) { return text.contains(word, Qt::CaseInsensitive); }))
                errors.append({JournalError::Kind::Other, text});
        }
    }
    return errors;
}

Run::Run(QObject *parent)
    : QObject(parent)
{
    connect(&m_process, &TerminalProcess::finished, this, &Run::onEnded);
}

bool Run::start(const Settings &settings, int timeoutMs)
{
    TerminalProcess::Launch launch;
    launch.timeoutMs = timeoutMs;
    const Result::Refusal refusal = prepare(settings, &launch);
    if (refusal != Result::Refusal::None) {
        refuseLater(refusal);
        return false;
    }
    m_startDay = QDate::currentDate();
    m_journalStart = journalText(m_startDay).size();
    return m_process.start(launch);
}

Result::Refusal Run::prepare(const Settings &settings, TerminalProcess::Launch *launch)
{
    m_platform = settings.platform;
    m_dataFolder = QDir(settings.dataFolder).absolutePath();
    m_reportPath = QDir(m_dataFolder).absoluteFilePath(QString(ReportName).replace(QLatin1Char('\\'), QLatin1Char('/'))
                                                      + QStringLiteral(".htm"));
    const QString terminal = terminalPath(settings.installFolder, settings.platform);
    if (terminal.isEmpty())
        return Result::Refusal::NoTerminal;
    if (settings.expert.trimmed().isEmpty())
        return Result::Refusal::NoExpert;
    if (terminalRuns(terminal))
        return Result::Refusal::AlreadyRunning;

    const QString startup = QDir(m_dataFolder).absoluteFilePath(StartupFileName);
    // An old report must never pass for this run's.
    QFile::remove(m_reportPath);
    if (!QDir().mkpath(QFileInfo(m_reportPath).absolutePath()) || !writeFile(startup, startupFileContent(settings)))
        return Result::Refusal::CannotWriteFiles;
    if (settings.platform == Protocol::Platform::Mt4 && settings.deposit) {
        const QString testerFolder = entryIgnoringCase(m_dataFolder, QStringLiteral("tester"));
        const QString expertSettings = QDir(testerFolder).absoluteFilePath(
            QFileInfo(QString(settings.expert).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName()
            + QStringLiteral(".ini"));
        QFile existing(expertSettings);
        const QByteArray before = existing.open(QIODevice::ReadOnly) ? existing.readAll() : QByteArray();
        if (!QDir().mkpath(testerFolder)
            || !writeFile(expertSettings, mt4ExpertSettings(before, *settings.deposit, settings.currency)))
            return Result::Refusal::CannotWriteFiles;
    }

    const QString seen = TerminalProcess::programSidePath(terminal, startup);
    const bool portable = isPortable(settings.installFolder, settings.dataFolder);
    const bool mt5 = settings.platform == Protocol::Platform::Mt5;
    launch->program = terminal;
    launch->workingFolder = settings.installFolder;
    launch->passedTexts = {seen};
    launch->arguments = {mt5 ? QStringLiteral("/config:") + seen : seen};
    launch->windowsArguments = mt5 ? QStringLiteral("/config:\"%1\"").arg(seen) : QStringLiteral("\"%1\"").arg(seen);
    if (portable) {
        launch->arguments.prepend(QStringLiteral("/portable"));
        launch->windowsArguments.prepend(QStringLiteral("/portable "));
    }
    return Result::Refusal::None;
}

void Run::stop()
{
    m_process.stop();
}

bool Run::isRunning() const
{
    return m_refusalPending || m_process.isRunning();
}

void Run::refuseLater(Result::Refusal refusal)
{
    m_refusalPending = true;
    QMetaObject::invokeMethod(
        this,
        [this, refusal] {
            m_refusalPending = false;
            Result result;
            result.refusal = refusal;
            result.reportPath = m_reportPath;
            Q_EMIT finished(result);
        },
        Qt::QueuedConnection);
}

QString Run::journalPath(const QDate &day) const
{
    const QString tester = entryIgnoringCase(m_dataFolder, QStringLiteral("tester"));
    return QDir(entryIgnoringCase(tester, QStringLiteral("logs")))
        .absoluteFilePath(day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log"));
}

QString Run::journalText(const QDate &day) const
{
    QFile file(journalPath(day));
    return file.open(QIODevice::ReadOnly) ? decoded(file.readAll()) : QString();
}

void Run::onEnded(const TerminalProcess::Outcome &outcome)
{
    Result result;
    result.process = outcome;
    result.reportPath = m_reportPath;
    if (outcome.ending == TerminalProcess::Outcome::Ending::NotStarted) {
        result.refusal = Result::Refusal::NotStarted;
        Q_EMIT finished(result);
        return;
    }
    result.reportWritten = QFileInfo(m_reportPath).isFile();
    if (result.reportWritten) {
        const TesterReportRead read = readTesterReportFile(m_reportPath);
        result.report = read.report;
        result.reportProblem = read.problem;
    }
    // This run's part of the journal: what was added since the start, and a new day's file.
    QString journal = journalText(m_startDay).mid(m_journalStart);
    const QDate today = QDate::currentDate();
    if (today != m_startDay)
        journal += journalText(today);
    result.journalWritten = !journal.trimmed().isEmpty();
    result.journal = journalErrors(journal);
    Q_EMIT finished(result);
}

} // namespace BacktestRun
