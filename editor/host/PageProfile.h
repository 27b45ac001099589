// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlSchemeHandler>

class QWebEngineProfile;

namespace velmora::editor {

// Pages are shown through a scheme of the editor's own, velmora-page:, whose
// path is the file's absolute path. The page itself is served from the text
// the editor holds (decoded the way the marking reads it, sent as UTF-8);
// its pictures are read from disk, regular files of at most 16 MiB only.
// Nothing else is loaded: every other scheme is blocked, so a page never
// reaches the network.
inline constexpr char kPageScheme[] = "velmora-page";

// Must run before the QApplication is made.
void registerPageScheme();

QUrl pageUrl(const QString& path, const QString& view = {});

class PageSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // The text served for a page address (instead of the file on disk).
    void setDocument(const QUrl& url, const QString& text);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QHash<QUrl, QString> m_documents;
};

class OfflineInterceptor : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
    int blocked() const { return m_blocked; }

private:
    int m_blocked = 0;
};

// An off-the-record profile (nothing stored on disk) with the page scheme,
// the offline interceptor, and scripts, plugins and remote access off.
class PageProfile
{
public:
    explicit PageProfile(QObject* parent);
    QWebEngineProfile* profile() const { return m_profile; }
    PageSchemeHandler* handler() const { return m_handler; }
    OfflineInterceptor* interceptor() const { return m_interceptor; }

private:
    QWebEngineProfile* m_profile;
    PageSchemeHandler* m_handler;
    OfflineInterceptor* m_interceptor;
};

} // namespace velmora::editor
