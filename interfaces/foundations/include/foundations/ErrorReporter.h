#pragma once

#include <string>

/// Receives problems that are worth telling a developer about but not worth
/// stopping for. The application core provides one; tests provide their own.
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;

    /// Severity 0 is informational, 1 a warning, 2 an error.
    virtual void report(int severity, const std::wstring& message) = 0;
};
