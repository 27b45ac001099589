// SPDX-License-Identifier: MIT
#pragma once

#include "PageProfile.h"
#include "PropertySheets.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMainWindow>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QTabBar;
class QTimer;
class QWebEngineView;

namespace velmora::editor {

class EditorSession;
class EditorPage;

// The editor's window: menus, the three views (设计, 代码, 预览), the
// dialogs and the score on the status line. It only wires these to the
// session; the work is the engine's.
class EditorWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    // Opens a page; false (after saying why) when it cannot be opened.
    bool openPath(const QString& path);

    EditorSession* session() const { return m_session; }

signals:
    // The page is shown and editable (the engine is in).
    void pageReady();
    // A save ended; ok false after its message.
    void saved(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    QAction* addItem(QMenu* menu, const QString& text, const QKeySequence& key,
                     std::function<void()> slot);
    void updateTitle();
    void showScore();
    void save(std::function<void(bool)> then = {});
    void showView(int index);
    void propertySheet(SheetKind kind, bool fromContext);
    void insertPicture();
    void insertLink();
    void insertTable();
    void insertMarquee();
    void fontDialog();
    void paragraphDialog();
    void findText();
    void pasteClipboard();
    void copySelection(bool cut);
    void contextMenu(const QPoint& at);
    void engine(QStringView name, const QJsonArray& args = {},
                std::function<void(const QVariant&)> done = {});
    void whenModified(std::function<void(bool)> done);

    PageProfile m_profile;
    EditorSession* m_session;
    QWebEngineView* m_design;
    QPlainTextEdit* m_code;
    QWebEngineView* m_preview = nullptr;
    EditorPage* m_previewPage = nullptr;
    QStackedWidget* m_views;
    QTabBar* m_tabs;
    QLabel* m_score;
    QTimer* m_recoveryTimer;
    QMenu* m_exercises = nullptr;
    QList<QKeySequence> m_keys; // the menu shortcuts the page must not take
    bool m_closing = false;
    bool m_codeChanged = false;
    bool m_saveAfterLoad = false;
    QString m_findText;
};

} // namespace velmora::editor
