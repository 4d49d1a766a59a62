#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Refuses every request that would leave the machine: pages show local
// content only, whatever they reference.
class NetworkGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    [[nodiscard]] static bool isNetworkScheme(const QString &scheme);
};
