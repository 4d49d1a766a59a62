#pragma once

#include "view/GuardedPage.h"
#include "view/PageView.h"

// What tests see of the view beyond what the windows use.
struct PageViewTesting
{
    // The address under the pointer, as the engine last reported it.
    [[nodiscard]] static QString statusText(const PageView &view) { return view.m_statusText; }
    // A console message as if the page's document had written it.
    static void consoleMessage(const PageView &view, const QString &message)
    {
        Q_EMIT static_cast<GuardedPage *>(view.page())->consoleMessage(message);
    }
};
