#include "format/Navigation.h"

#include "format/Collection.h"
#include "format/Link.h"
#include "format/Pages.h"
#include "format/WorkFile.h"
#include "platform/InputTextFile.h"
#include "platform/RegularFile.h"

using namespace Qt::Literals::StringLiterals;

namespace navigation {

QString OpenFailure::message() const
{
    return u"Файл \""_s + path
           + (error == platform::ErrorNumber::FileNotFound ? u"\" не найден."_s : u"\" открыть не возможно."_s);
}

Destination openWork(const Collection &collection, std::int32_t index, platform::LegacyRandom &random)
{
    if (!collection.contains(index))
        return Nothing{};
    const platform::NativePath path = collection.workPath(index);

    platform::InputTextFile file;
    const platform::ErrorNumber openResult = file.open(path);
    if (openResult != platform::ErrorNumber::None)
        return OpenFailure{path.text(), openResult};
    const workfile::Header header = workfile::readHeader(file, random);
    const QString body = workfile::decodeBody(file, header.tables);
    file.close();
    const QString &name = collection.workNames().at(index);
    return ShowWork{pages::workPage(name, body), index, name};
}

Destination followLink(const Collection &collection, const QString &address, platform::LegacyRandom &random)
{
    const Link link = parseLink(address);
    switch (link.kind) {
    case Link::Kind::Biography: {
        // A biography that is not there leaves the view as it is, rather
        // than an empty page under an enabled catalogue command.
        platform::NativePath biography = collection.biographyPath();
        if (platform::RegularFile file; file.openForInput(biography) != platform::ErrorNumber::None)
            return Nothing{};
        return ShowFile{std::move(biography)};
    }
    case Link::Kind::Work:
        return openWork(collection, link.index, random);
    case Link::Kind::Catalogue:
        return ShowCatalogue{};
    case Link::Kind::None:
        break;
    }
    return Nothing{};
}

} // namespace navigation
