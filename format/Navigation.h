#pragma once

#include "platform/LegacyRandom.h"
#include "platform/NativePath.h"
#include "platform/RuntimeError.h"

#include <QString>

#include <cstdint>
#include <variant>

class Collection;

// What following a link or opening a work leads to. The window shows it;
// nothing here touches a window.
namespace navigation {

// Nothing to show: the view keeps its page and the catalogue command its state.
struct Nothing
{
};

// The catalogue page kept at start-up; the catalogue command is disabled.
struct ShowCatalogue
{
};

// A file shown by the view (the biography); the catalogue command is enabled.
struct ShowFile
{
    platform::NativePath path;
};

// A work page; the catalogue command is enabled.
struct ShowWork
{
    QString html;
    std::int32_t index = 0;
    QString name;
};

// A work file that could not be opened: reported in a box, nothing else changes.
struct OpenFailure
{
    QString path;
    platform::ErrorNumber error = platform::ErrorNumber::None;

    // The box's text: the complete path in quotes (as it is shown), then why.
    [[nodiscard]] QString message() const;
};

using Destination = std::variant<Nothing, ShowCatalogue, ShowFile, ShowWork, OpenFailure>;

// Opens work index of the collection and decodes it into its page, drawing
// the tables from random (whose state carries on to the next opening). An
// index outside the work names leads nowhere.
[[nodiscard]] Destination openWork(const Collection &collection, std::int32_t index, platform::LegacyRandom &random);

// Where one of the reader's links leads (the address as the view reports
// it). Any other address leads nowhere.
[[nodiscard]] Destination followLink(const Collection &collection, const QString &address,
                                     platform::LegacyRandom &random);

} // namespace navigation
