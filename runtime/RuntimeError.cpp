#include "runtime/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace runtime {

QString errorText(int number)
{
    switch (number) {
    case ErrInvalidCall: return u"Invalid procedure call or argument"_s;
    case ErrOverflow: return u"Overflow"_s;
    case ErrOutOfMemory: return u"Out of memory"_s;
    case ErrSubscript: return u"Subscript out of range"_s;
    case ErrFileNotFound: return u"File not found"_s;
    case ErrDeviceIO: return u"Device I/O error"_s;
    case ErrPermissionDenied: return u"Permission denied"_s;
    case ErrPathFileAccess: return u"Path/File access error"_s;
    case ErrPathNotFound: return u"Path not found"_s;
    case ErrAutomation: return u"Automation error"_s;
    default: return u"Application-defined or object-defined error"_s;
    }
}

RuntimeError::RuntimeError(int number, QString detail)
    : m_number(number), m_detail(std::move(detail)), m_what(text().toUtf8())
{
}

QString RuntimeError::text() const
{
    return m_detail.isEmpty() ? errorText(m_number) : errorText(m_number) + u": "_s + m_detail;
}

} // namespace runtime
