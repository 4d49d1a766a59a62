#pragma once

#include <QString>

#include <exception>

namespace runtime {

// Error numbers as the original runtime numbered them; stored behaviour and
// messages depend on them (53 is reported differently from the rest).
enum ErrorNumber : int {
    ErrInvalidCall = 5,
    ErrOverflow = 6,
    ErrOutOfMemory = 7,
    ErrSubscript = 9,
    ErrFileNotFound = 53,
    ErrDeviceIO = 57,
    ErrPermissionDenied = 70,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrAutomation = 440,
};

// The runtime's standard wording for an error number.
[[nodiscard]] QString errorText(int number);

// A run-time failure carrying the runtime's error number.
class RuntimeError : public std::exception
{
public:
    explicit RuntimeError(int number, QString detail = {});

    [[nodiscard]] int number() const { return m_number; }
    [[nodiscard]] QString text() const;
    [[nodiscard]] const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_detail;
    QByteArray m_what;
};

} // namespace runtime
