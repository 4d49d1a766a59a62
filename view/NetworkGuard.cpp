#include "view/NetworkGuard.h"

using namespace Qt::Literals::StringLiterals;

bool NetworkGuard::isNetworkScheme(const QString &scheme)
{
    return scheme == u"http"_s || scheme == u"https"_s || scheme == u"ws"_s || scheme == u"wss"_s || scheme == u"ftp"_s;
}

void NetworkGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (isNetworkScheme(info.requestUrl().scheme()))
        info.block(true);
}
