// SPDX-License-Identifier: MIT
#include "EditorSession.h"

#include "EditorScript.h"
#include "PageProfile.h"

#include <QFileInfo>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace velmora::editor {

bool EditorPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    return isMainFrame && type != NavigationTypeLinkClicked && url == m_expected;
}

void EditorPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                          const QString& message, int line, const QString& source)
{
    // Only the engine's own failures are worth a line on the terminal.
    if (level == ErrorMessageLevel && qEnvironmentVariableIsSet("VELMORA_EDITOR_DEBUG")) {
        qWarning("editor: %s (%s:%d)", qUtf8Printable(message), qUtf8Printable(source), line);
    }
}

EditorSession::EditorSession(QWebEngineProfile* profile, PageSchemeHandler* handler,
                             QString recoveryFolder, QObject* parent)
    : QObject(parent), m_page(new EditorPage(profile, this)), m_handler(handler),
      m_recoveryFolder(std::move(recoveryFolder))
{
    // The engine goes into each new document as soon as it is parsed, in its
    // own world, and makes it editable; by the time the load has finished it
    // is there, and every call made from then on finds it.
    QWebEngineScript engine;
    engine.setName(QStringLiteral("velmora-editor"));
    engine.setSourceCode(engineSource() + QStringLiteral(";velmora.design();"));
    engine.setInjectionPoint(QWebEngineScript::DocumentReady);
    engine.setWorldId(QWebEngineScript::ApplicationWorld);
    engine.setRunsOnSubFrames(false);
    m_page->scripts().insert(engine);
    connect(m_page, &QWebEnginePage::loadFinished, this, &EditorSession::loaded);
}

EditorSession::~EditorSession() = default;

QUrl EditorSession::url() const
{
    return pageUrl(m_path);
}

bool EditorSession::open(const QString& path, QString* error)
{
    const OpenedPage opened = openPage(path);
    if (!opened.ok) {
        if (error) {
            *error = opened.error;
        }
        return false;
    }
    m_path = QFileInfo(path).absoluteFilePath();
    m_encoding = opened.encoding;
    m_byteOrderMark = opened.byteOrderMark;
    m_stamp = opened.stamp;
    m_recovery = std::make_unique<Recovery>(m_recoveryFolder, m_path);
    m_textChanged = false;
    showText(opened.text);
    return true;
}

void EditorSession::loadText(const QString& text)
{
    m_textChanged = true;
    showText(text);
}

void EditorSession::showText(const QString& text)
{
    m_savedChanges = 0;
    m_handler->setDocument(url(), text);
    m_page->expect(url());
    // The same address again must load again, not only scroll.
    m_page->load(url());
}

std::optional<QString> EditorSession::leftOverRecovery() const
{
    return m_recovery ? m_recovery->leftOver() : std::nullopt;
}

void EditorSession::run(const QString& call, std::function<void(const QVariant&)> done)
{
    m_page->runJavaScript(call, QWebEngineScript::ApplicationWorld,
                          [done = std::move(done)](const QVariant& v) {
                              if (done) {
                                  done(v);
                              }
                          });
}

void EditorSession::call(QStringView name, const QJsonArray& args,
                         std::function<void(const QVariant&)> done)
{
    run(engineCall(name, args), std::move(done));
}

void EditorSession::serialize(std::function<void(const QString&)> done)
{
    call(u"serialize", {}, [done = std::move(done)](const QVariant& v) { done(v.toString()); });
}

bool EditorSession::changedOnDisk() const
{
    const DiskStamp now = diskStamp(m_path);
    return now.exists != m_stamp.exists || now.digest != m_stamp.digest;
}

void EditorSession::save(std::function<void(const SavedPage&)> done)
{
    call(u"changes", {}, [this, done = std::move(done)](const QVariant& changes) {
        serialize([this, changes, done](const QString& text) {
            const SavedPage saved = savePage(m_path, encodePage(text, m_encoding, m_byteOrderMark));
            if (saved.ok) {
                m_stamp = saved.stamp;
                m_savedChanges = changes.toInt();
                m_textChanged = false;
                if (m_recovery) {
                    m_recovery->discard();
                }
            }
            done(saved);
        });
    });
}

void EditorSession::checkModified(std::function<void(bool)> done)
{
    if (!isOpen()) {
        done(false);
        return;
    }
    call(u"changes", {}, [this, done = std::move(done)](const QVariant& changes) {
        done(m_textChanged || changes.toInt() != m_savedChanges);
    });
}

void EditorSession::storeRecovery()
{
    checkModified([this](bool modified) {
        if (!modified || !m_recovery) {
            return;
        }
        serialize([this](const QString& text) {
            if (m_recovery) {
                m_recovery->store(text);
            }
        });
    });
}

void EditorSession::discardRecovery()
{
    if (m_recovery) {
        m_recovery->discard();
    }
}

} // namespace velmora::editor
