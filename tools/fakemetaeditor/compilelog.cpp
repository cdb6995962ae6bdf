#include "compilelog.h"

#include "unicodetext.h"

#include <algorithm>
#include <fstream>
#include <system_error>

CompileLog::CompileLog(std::string sourceName)
    : m_sourceName(std::move(sourceName))
{
}

void CompileLog::add(const FindingList &findings)
{
    m_findings.insert(m_findings.end(), findings.begin(), findings.end());
}

int CompileLog::errorCount() const
{
    return count(mqlcheck::Finding::Severity::Error);
}

// Written beside the log and renamed over it, so that a reader never sees half a log.
bool CompileLog::write(const std::filesystem::path &path) const
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : UnicodeText::toUtf16(text())) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    std::filesystem::path partial = path;
    partial += ".partial";
    std::ofstream file(partial, std::ios::binary | std::ios::trunc);
    if (!file.write(bytes.data(), std::streamsize(bytes.size())) || (file.close(), !file))
        return false;
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error)
        std::filesystem::remove(partial, error);
    return !error;
}

int CompileLog::count(mqlcheck::Finding::Severity severity) const
{
    return int(std::count_if(m_findings.cbegin(), m_findings.cend(),
                             [severity](const mqlcheck::Finding &f) { return f.severity == severity; }));
}

std::string CompileLog::text() const
{
    std::string text;
    if (!m_sourceName.empty())
        text += "compiling '" + m_sourceName + "'\r\n";
    for (const mqlcheck::Finding &finding : m_findings)
        text += line(finding) + "\r\n";
    return text + "Result: " + std::to_string(errorCount()) + " errors, "
           + std::to_string(count(mqlcheck::Finding::Severity::Warning)) + " warnings\r\n";
}

// "NAME(line,column) : error n: message", without the place when there is none.
std::string CompileLog::line(const mqlcheck::Finding &finding) const
{
    const std::string remark =
        std::string(finding.severity == mqlcheck::Finding::Severity::Error ? "error " : "warning ")
        + std::to_string(finding.code) + ": " + finding.message;
    if (finding.line == 0)
        return remark;
    return m_sourceName + "(" + std::to_string(finding.line) + "," + std::to_string(finding.column)
           + ") : " + remark;
}
