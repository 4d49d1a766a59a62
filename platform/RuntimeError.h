#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace platform {

// Error numbers as the original runtime numbered them; stored behaviour and
// messages depend on them (53 is reported differently from the rest).
enum class ErrorNumber : int {
    None = 0,
    InvalidCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    FileNotFound = 53,
    DeviceIO = 57,
    PermissionDenied = 70,
    PathFileAccess = 75,
    PathNotFound = 76,
    Automation = 440,
};

// The runtime's standard wording for an error number.
[[nodiscard]] QString errorText(ErrorNumber number);

// A run-time failure carrying the runtime's error number.
class RuntimeError : public std::exception
{
public:
    explicit RuntimeError(ErrorNumber number, QString detail = {});

    [[nodiscard]] ErrorNumber number() const { return m_number; }
    [[nodiscard]] QString text() const;
    [[nodiscard]] const char *what() const noexcept override { return m_what.constData(); }

private:
    ErrorNumber m_number;
    QString m_detail;
    QByteArray m_what;
};

} // namespace platform
