#include "platform/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace platform {

QString errorText(ErrorNumber number)
{
    switch (number) {
    case ErrorNumber::None:
        return {};
    case ErrorNumber::InvalidCall:
        return u"Invalid procedure call or argument"_s;
    case ErrorNumber::Overflow:
        return u"Overflow"_s;
    case ErrorNumber::OutOfMemory:
        return u"Out of memory"_s;
    case ErrorNumber::SubscriptOutOfRange:
        return u"Subscript out of range"_s;
    case ErrorNumber::FileNotFound:
        return u"File not found"_s;
    case ErrorNumber::DeviceIO:
        return u"Device I/O error"_s;
    case ErrorNumber::PermissionDenied:
        return u"Permission denied"_s;
    case ErrorNumber::PathFileAccess:
        return u"Path/File access error"_s;
    case ErrorNumber::PathNotFound:
        return u"Path not found"_s;
    case ErrorNumber::Automation:
        return u"Automation error"_s;
    }
    return u"Application-defined or object-defined error"_s;
}

RuntimeError::RuntimeError(ErrorNumber number, QString detail)
    : m_number(number), m_detail(std::move(detail)), m_what(text().toUtf8())
{
}

QString RuntimeError::text() const
{
    return m_detail.isEmpty() ? errorText(m_number) : errorText(m_number) + u": "_s + m_detail;
}

} // namespace platform
