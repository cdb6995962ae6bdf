#pragma once

#include <mqlcheck.h>

#include <filesystem>
#include <string>
#include <vector>

using FindingList = std::vector<mqlcheck::Finding>;

// The compiler's log: a line naming the source, a line per finding, then the totals.
class CompileLog final
{
public:
    // sourceName (UTF-8) is the file name shown in every line; empty when no source was given.
    explicit CompileLog(std::string sourceName);

    void add(const FindingList &findings);
    int errorCount() const;

    // UTF-16LE with a byte-order mark and CR LF line ends, as the client expects of the
    // terminal's compiler. Replaces the file as a whole; false when it cannot.
    bool write(const std::filesystem::path &path) const;

private:
    int count(mqlcheck::Finding::Severity severity) const;
    std::string text() const;
    std::string line(const mqlcheck::Finding &finding) const;

    std::string m_sourceName;
    FindingList m_findings;
};
