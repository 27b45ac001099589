// SPDX-License-Identifier: MIT
#pragma once

#include "PageFile.h"
#include "Recovery.h"

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QWebEnginePage>
#include <functional>
#include <memory>

class QWebEngineProfile;

namespace velmora::editor {

class PageSchemeHandler;

// The page shown in design view: the page's own scripts and every navigation
// away are refused.
class EditorPage : public QWebEnginePage
{
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;
    void expect(const QUrl& url) { m_expected = url; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;

private:
    QUrl m_expected;
};

// One open page: its file (path, encoding, what it was on disk), its design
// page with the editing engine loaded, saving and the recovery copy. No
// widgets: the window and the tests drive the same calls.
class EditorSession : public QObject
{
    Q_OBJECT
public:
    EditorSession(QWebEngineProfile* profile, PageSchemeHandler* handler, QString recoveryFolder,
                  QObject* parent = nullptr);
    ~EditorSession() override;

    QWebEnginePage* page() const { return m_page; }
    QString path() const { return m_path; }
    bool isOpen() const { return !m_path.isEmpty(); }
    PageEncoding encoding() const { return m_encoding; }

    // Reads the page and starts loading it; false (with the reason in
    // Chinese) when the file cannot be opened. loaded() follows.
    bool open(const QString& path, QString* error);

    // Shows new text for the same page (the code view, a recovery copy); the
    // page counts as changed.
    void loadText(const QString& text);

    // A leftover recovery copy of this page, if the editor ended without
    // saving or closing it.
    std::optional<QString> leftOverRecovery() const;

    // Runs one engine call ("velmora.name(...)" as engineCall writes it)
    // in the engine's script world; done gets its JSON value.
    void run(const QString& call, std::function<void(const QVariant&)> done = {});
    void call(QStringView name, const QJsonArray& args = {},
              std::function<void(const QVariant&)> done = {});

    // The page's markup as the save would write it (before line ends and encoding).
    void serialize(std::function<void(const QString&)> done);

    // Whether the file on disk is no longer what was read or last written.
    bool changedOnDisk() const;

    // Serializes, encodes and writes the page atomically. On success the
    // recovery copy goes and the page counts as unchanged.
    void save(std::function<void(const SavedPage&)> done);

    // Whether the page differs from what was last read or saved.
    void checkModified(std::function<void(bool)> done);

    // Saves the page aside to its recovery file when it has changes.
    void storeRecovery();

    // Closing on purpose: the recovery copy goes.
    void discardRecovery();

    QUrl url() const;

signals:
    void loaded(bool ok);

private:
    void showText(const QString& text);

    EditorPage* m_page;
    PageSchemeHandler* m_handler;
    QString m_recoveryFolder;
    QString m_path;
    PageEncoding m_encoding = PageEncoding::Gbk;
    bool m_byteOrderMark = false;
    DiskStamp m_stamp;
    std::unique_ptr<Recovery> m_recovery;
    int m_savedChanges = 0;
    bool m_textChanged = false; // shown text differs from the file
};

} // namespace velmora::editor
