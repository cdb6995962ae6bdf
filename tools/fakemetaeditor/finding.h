#pragma once

#include <QList>
#include <QString>

// One remark of the compiler about the source, a line of its log.
struct Finding final
{
    enum class Severity { Error, Warning };

    // The number shown after "error" or "warning", one per kind of remark.
    enum class Code {
        NoSourceGiven = 100,
        CannotOpenSource = 101,
        EmptySource = 102,
        UnsupportedFileType = 103,
        CannotWriteOutput = 104,
        UnexpectedCloser = 110,
        UnclosedOpener = 111,
        UnterminatedComment = 112,
        UnterminatedLiteral = 113,
        MissingEntryPoint = 120,
        NotAvailableInLanguage = 121,
        MissingOnInit = 200,
        CannotRemoveOldOutput = 201,
    };

    static Finding error(Code code, int line, int column, const QString &message)
    {
        return {Severity::Error, code, line, column, message};
    }
    static Finding warning(Code code, int line, int column, const QString &message)
    {
        return {Severity::Warning, code, line, column, message};
    }

    Severity severity = Severity::Error;
    Code code = Code::NoSourceGiven;
    int line = 0; // 1-based; 0 when the remark is about the run, not a place in the source
    int column = 0;
    QString message;
};

using FindingList = QList<Finding>;
