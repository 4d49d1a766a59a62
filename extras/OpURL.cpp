#include "extras/OpURL.h"

#include "runtime/Platform.h"

namespace OpURL {

QString workingFolder()
{
    return runtime::programFolder();
}

void OpenURL(const QString &target)
{
    runtime::shellOpen(target, workingFolder());
}

} // namespace OpURL
