// SPDX-License-Identifier: MIT
#include "PageProfile.h"

#include "AnsiFile.h"

#include <QBuffer>
#include <QMimeDatabase>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace velmora::editor {

void registerPageScheme()
{
    QWebEngineUrlScheme scheme(kPageScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl pageUrl(const QString& path, const QString& view)
{
    QUrl url;
    url.setScheme(QString::fromLatin1(kPageScheme));
    url.setPath(path);
    if (!view.isEmpty()) {
        url.setQuery(view);
    }
    return url;
}

void PageSchemeHandler::setDocument(const QUrl& url, const QString& text)
{
    m_documents.insert(url, text);
}

void PageSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl().adjusted(QUrl::RemoveFragment);
    QByteArray bytes;
    QByteArray type;
    const auto document = m_documents.constFind(url);
    if (document != m_documents.cend()) {
        // A byte-order mark settles the encoding above any charset the page declares.
        bytes = QByteArray("\xEF\xBB\xBF") + document->toUtf8();
        type = "text/html";
    } else {
        const FileRead read = readRegularFile(url.path(), kMaxPageBytes);
        if (!read.bytes) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        bytes = *read.bytes;
        const QMimeDatabase mime;
        type = mime.mimeTypeForFileNameAndData(url.path(), bytes).name().toLatin1();
        if (type.startsWith("text/html")) {
            // A linked page is not shown inside the editor.
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
    }
    auto* buffer = new QBuffer(job);
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    job->reply(type, buffer);
}

void OfflineInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const QString scheme = info.requestUrl().scheme();
    if (scheme != QLatin1String(kPageScheme) && scheme != QLatin1String("data") &&
        scheme != QLatin1String("about")) {
        ++m_blocked;
        info.block(true);
    }
}

PageProfile::PageProfile(QObject* parent)
    : m_profile(new QWebEngineProfile(parent)), m_handler(new PageSchemeHandler(m_profile)),
      m_interceptor(new OfflineInterceptor(m_profile))
{
    m_profile->installUrlSchemeHandler(kPageScheme, m_handler);
    m_profile->setUrlRequestInterceptor(m_interceptor);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    QWebEngineSettings* s = m_profile->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, false);
}

} // namespace velmora::editor
