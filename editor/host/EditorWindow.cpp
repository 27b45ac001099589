// SPDX-License-Identifier: MIT
#include "EditorWindow.h"

#include "Ask.h"

#include "EditorSession.h"
#include "Marking.h"
#include "PagePaths.h"
#include "PageScore.h"
#include "PropertyDialog.h"
#include "SourceHighlighter.h"

#include "Prompter.h"
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QJsonArray>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace velmora::editor {

namespace {

constexpr char kClipboardFormat[] = "application/x-velmora-editor-html";
constexpr int kRecoveryMs = 30 * 1000;
const QString kTitle = QStringLiteral("网页编辑器");

QString recoveryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/velmora-editor/recovery");
}

} // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QMainWindow(parent), m_profile(this),
      m_session(
          new EditorSession(m_profile.profile(), m_profile.handler(), recoveryFolder(), this)),
      m_design(new QWebEngineView), m_code(new QPlainTextEdit), m_views(new QStackedWidget),
      m_tabs(new QTabBar), m_score(new QLabel), m_recoveryTimer(new QTimer(this))
{
    m_design->setPage(m_session->page());
    m_design->setContextMenuPolicy(Qt::CustomContextMenu);
    m_code->setLineWrapMode(QPlainTextEdit::NoWrap);
    new SourceHighlighter(m_code->document());
    m_design->setObjectName(QStringLiteral("design"));
    m_code->setObjectName(QStringLiteral("code"));

    m_views->addWidget(m_design);
    m_views->addWidget(m_code);
    // The preview's view is made on first use: the editor starts sooner.
    m_views->addWidget(new QWidget);
    m_tabs->addTab(QStringLiteral("设计"));
    m_tabs->addTab(QStringLiteral("代码"));
    m_tabs->addTab(QStringLiteral("预览"));
    m_tabs->setShape(QTabBar::RoundedSouth);
    auto* central = new QWidget;
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(m_views, 1);
    v->addWidget(m_tabs);
    setCentralWidget(central);
    statusBar()->addPermanentWidget(m_score);
    m_score->setObjectName(QStringLiteral("score"));

    buildMenus();
    connect(m_tabs, &QTabBar::currentChanged, this, &EditorWindow::showView);
    connect(m_code, &QPlainTextEdit::textChanged, this, [this] { m_codeChanged = true; });
    connect(m_design, &QWidget::customContextMenuRequested, this, &EditorWindow::contextMenu);
    connect(m_session, &EditorSession::loaded, this, [this](bool ok) {
        if (!ok) {
            statusBar()->showMessage(QStringLiteral("网页没能显示出来。"));
            return;
        }
        m_design->setFocus();
        emit pageReady();
        if (m_saveAfterLoad) {
            m_saveAfterLoad = false;
            save();
        }
    });
    connect(m_recoveryTimer, &QTimer::timeout, m_session, &EditorSession::storeRecovery);
    m_recoveryTimer->start(kRecoveryMs);
    resize(1000, 760);
    updateTitle();
}

EditorWindow::~EditorWindow()
{
    // The views go before the pages, and the pages before their profile.
    delete m_design;
    delete m_preview;
    delete m_session;
    delete m_previewPage;
}

QAction* EditorWindow::addItem(QMenu* menu, const QString& text, const QKeySequence& key,
                               std::function<void()> slot)
{
    QAction* action = menu->addAction(text);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        m_keys << key;
    }
    connect(action, &QAction::triggered, this, [slot = std::move(slot)] { slot(); });
    return action;
}

void EditorWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    addItem(file, QStringLiteral("打开(&O)…"), QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        const QString start = m_session->isOpen() ? QFileInfo(m_session->path()).absolutePath()
                                                  : QDir::homePath() + QStringLiteral("/WebDo");
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("打开网页"), start,
                                                          QStringLiteral("网页 (*.htm *.html)"));
        if (!path.isEmpty()) {
            whenModified([this, path](bool) { openPath(path); });
        }
    });
    addItem(file, QStringLiteral("保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S),
            [this] { save(); });
    file->addSeparator();
    addItem(file, QStringLiteral("网页属性(&I)…"), {},
            [this] { propertySheet(SheetKind::Page, false); });
    addItem(file, QStringLiteral("用浏览器预览(&B)"), {}, [this] {
        save([this](bool ok) {
            if (ok) {
                QDesktopServices::openUrl(QUrl::fromLocalFile(m_session->path()));
            }
        });
    });
    file->addSeparator();
    addItem(file, QStringLiteral("退出(&X)"), {}, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    addItem(edit, QStringLiteral("撤销(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z),
            [this] { engine(u"undo"); });
    addItem(edit, QStringLiteral("重做(&R)"), QKeySequence(Qt::CTRL | Qt::Key_Y),
            [this] { engine(u"redo"); });
    edit->addSeparator();
    addItem(edit, QStringLiteral("剪切(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X),
            [this] { copySelection(true); });
    addItem(edit, QStringLiteral("复制(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C),
            [this] { copySelection(false); });
    addItem(edit, QStringLiteral("粘贴(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V),
            [this] { pasteClipboard(); });
    edit->addSeparator();
    addItem(edit, QStringLiteral("查找(&F)…"), QKeySequence(Qt::CTRL | Qt::Key_F),
            [this] { findText(); });

    QMenu* insert = menuBar()->addMenu(QStringLiteral("插入(&I)"));
    addItem(insert, QStringLiteral("图片(&P)…"), {}, [this] { insertPicture(); });
    addItem(insert, QStringLiteral("超链接(&H)…"), QKeySequence(Qt::CTRL | Qt::Key_K),
            [this] { insertLink(); });
    addItem(insert, QStringLiteral("水平线(&Z)"), {},
            [this] { engine(u"insertHr", {QJsonArray()}); });
    addItem(insert, QStringLiteral("表格(&T)…"), {}, [this] { insertTable(); });
    addItem(insert, QStringLiteral("滚动字幕(&M)…"), {}, [this] { insertMarquee(); });

    QMenu* format = menuBar()->addMenu(QStringLiteral("格式(&O)"));
    addItem(format, QStringLiteral("字体(&F)…"), {}, [this] { fontDialog(); });
    addItem(format, QStringLiteral("段落(&P)…"), {}, [this] { paragraphDialog(); });
    addItem(format, QStringLiteral("背景(&K)…"), {},
            [this] { propertySheet(SheetKind::Page, false); });
    format->addSeparator();
    addItem(format, QStringLiteral("加粗(&B)"), QKeySequence(Qt::CTRL | Qt::Key_B),
            [this] { engine(u"toggle", {QStringLiteral("b")}); });
    addItem(format, QStringLiteral("倾斜(&I)"), QKeySequence(Qt::CTRL | Qt::Key_I),
            [this] { engine(u"toggle", {QStringLiteral("i")}); });
    addItem(format, QStringLiteral("下划线(&U)"), QKeySequence(Qt::CTRL | Qt::Key_U),
            [this] { engine(u"toggle", {QStringLiteral("u")}); });
    format->addSeparator();
    addItem(format, QStringLiteral("左对齐(&L)"), QKeySequence(Qt::CTRL | Qt::Key_L),
            [this] { engine(u"align", {QStringLiteral("left")}); });
    addItem(format, QStringLiteral("居中(&E)"), QKeySequence(Qt::CTRL | Qt::Key_E),
            [this] { engine(u"align", {QStringLiteral("center")}); });
    addItem(format, QStringLiteral("右对齐(&R)"), QKeySequence(Qt::CTRL | Qt::Key_R),
            [this] { engine(u"align", {QStringLiteral("right")}); });
    format->addSeparator();
    addItem(format, QStringLiteral("删除字幕(&D)"), {},
            [this] { engine(u"removeMarquee", {false}); });

    QMenu* table = menuBar()->addMenu(QStringLiteral("表格(&A)"));
    addItem(table, QStringLiteral("表格属性(&T)…"), {},
            [this] { propertySheet(SheetKind::Table, false); });
    addItem(table, QStringLiteral("单元格属性(&C)…"), {},
            [this] { propertySheet(SheetKind::Cell, false); });
    table->addSeparator();
    addItem(table, QStringLiteral("插入行(&R)"), {},
            [this] { engine(u"tableOp", {QStringLiteral("insertRow")}); });
    addItem(table, QStringLiteral("插入列(&L)"), {},
            [this] { engine(u"tableOp", {QStringLiteral("insertColumn")}); });
    addItem(table, QStringLiteral("删除行(&D)"), {},
            [this] { engine(u"tableOp", {QStringLiteral("deleteRow")}); });
    addItem(table, QStringLiteral("删除列(&E)"), {},
            [this] { engine(u"tableOp", {QStringLiteral("deleteColumn")}); });

    m_exercises = menuBar()->addMenu(QStringLiteral("练习(&W)"));
    connect(m_exercises, &QMenu::aboutToShow, this, [this] {
        m_exercises->clear();
        const QStringList pages = workingPages(QDir::homePath() + QStringLiteral("/WebDo"));
        if (pages.isEmpty()) {
            m_exercises->addAction(QStringLiteral("（还没有练习网页：请先在 Velmora 里选一套题）"))
                ->setEnabled(false);
        }
        int n = 1;
        for (const QString& page : pages) {
            const QString text = u'&' + QString::number(n++) + u' ' +
                                 QFileInfo(page).dir().dirName() + QStringLiteral(" - ") +
                                 QFileInfo(page).fileName();
            addItem(m_exercises, text, {},
                    [this, page] { whenModified([this, page](bool) { openPath(page); }); });
        }
    });
    // The page's view would take these keys for its own editing commands.
    m_design->focusProxy();
    qApp->installEventFilter(this);
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event)
{
    const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (key && watched->isWidgetType() && m_design->isAncestorOf(static_cast<QWidget*>(watched))) {
        auto* press = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(press->modifiers() | press->key());
        // Alt+letter opens a menu by its mnemonic; the browser view would
        // take the letter as text.
        if ((press->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
            for (QAction* menu : menuBar()->actions()) {
                if (QKeySequence::mnemonic(menu->text()) == pressed) {
                    if (event->type() == QEvent::KeyPress) {
                        menuBar()->setActiveAction(menu);
                    }
                    event->accept();
                    return true;
                }
            }
        }
        if (event->type() == QEvent::ShortcutOverride && m_keys.contains(pressed)) {
            // Not accepted: the menu's shortcut runs instead of the browser's command.
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::engine(QStringView name, const QJsonArray& args,
                          std::function<void(const QVariant&)> done)
{
    if (!m_session->isOpen() || m_tabs->currentIndex() != 0) {
        if (m_session->isOpen()) {
            statusBar()->showMessage(QStringLiteral("请先切换到“设计”视图。"), 4000);
        }
        return;
    }
    m_session->call(name, args, std::move(done));
}

bool EditorWindow::openPath(const QString& path)
{
    QString error;
    if (QFileInfo(path).isDir() || !m_session->open(path, &error)) {
        if (error.isEmpty()) {
            error = QStringLiteral("“") + QDir::toNativeSeparators(path) +
                    QStringLiteral("”是文件夹，不能打开。");
        }
        ask(this, QMessageBox::Warning, kTitle, error);
        return false;
    }
    m_tabs->setCurrentIndex(0);
    if (const std::optional<QString> left = m_session->leftOverRecovery()) {
        const auto answer =
            ask(this, QMessageBox::Question, kTitle,
                QStringLiteral("上次编辑这个网页时程序意外结束，还有没保存的内容。要恢复它吗？"),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::Yes) {
            m_session->loadText(*left);
        } else {
            m_session->discardRecovery();
        }
    }
    updateTitle();
    showScore();
    return true;
}

void EditorWindow::updateTitle()
{
    setWindowTitle(m_session->isOpen()
                       ? kTitle + QStringLiteral(" - ") + QFileInfo(m_session->path()).fileName()
                       : kTitle);
}

void EditorWindow::showScore()
{
    const int set = setOfPage(m_session->path());
    if (set == 0) {
        m_score->clear();
        m_score->setToolTip({});
        return;
    }
    const marking::MarkResult result = marking::markFile(set, m_session->path());
    m_score->setText(scoreLine(result));
    m_score->setToolTip(failedChecks(result));
}

void EditorWindow::save(std::function<void(bool)> then)
{
    if (!m_session->isOpen()) {
        if (then) {
            then(false);
        }
        return;
    }
    if (m_tabs->currentIndex() == 1 && m_codeChanged) {
        // The code view's text is what is saved: shown in design first.
        m_codeChanged = false;
        m_saveAfterLoad = true;
        m_session->loadText(m_code->toPlainText());
        m_tabs->setCurrentIndex(0);
        return;
    }
    if (m_session->changedOnDisk()) {
        const auto answer = ask(this, QMessageBox::Question, kTitle,
                                QStringLiteral("网页“") + QFileInfo(m_session->path()).fileName() +
                                    QStringLiteral("”已被其他程序修改过。仍然保存并覆盖它吗？"),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            if (then) {
                then(false);
            }
            return;
        }
    }
    m_session->save([this, then = std::move(then)](const SavedPage& saved) {
        if (!saved.ok) {
            ask(this, QMessageBox::Warning, kTitle,
                QStringLiteral("保存失败，原来的文件没有改动。\n") + saved.error);
        } else {
            statusBar()->showMessage(QStringLiteral("已保存。"), 3000);
            showScore();
        }
        if (then) {
            then(saved.ok);
        }
        emit this->saved(saved.ok);
    });
}

void EditorWindow::showView(int index)
{
    if (!m_session->isOpen()) {
        m_views->setCurrentIndex(index);
        return;
    }
    const int from = m_views->currentIndex();
    if (from == 1 && m_codeChanged) {
        m_codeChanged = false;
        m_session->loadText(m_code->toPlainText());
    }
    if (index == 1 || index == 2) {
        m_session->serialize([this, index](const QString& text) {
            if (index == 1) {
                m_code->setPlainText(text);
                m_codeChanged = false;
            } else {
                const QUrl url = pageUrl(m_session->path(), QStringLiteral("preview"));
                m_profile.handler()->setDocument(url, text);
                if (!m_preview) {
                    m_previewPage = new EditorPage(m_profile.profile(), this);
                    m_preview = new QWebEngineView;
                    m_preview->setObjectName(QStringLiteral("preview"));
                    m_preview->setPage(m_previewPage);
                    m_preview->setContextMenuPolicy(Qt::NoContextMenu);
                    QWidget* placeholder = m_views->widget(2);
                    m_views->insertWidget(2, m_preview);
                    m_views->removeWidget(placeholder);
                    delete placeholder;
                    m_views->setCurrentIndex(2);
                }
                m_previewPage->expect(url);
                m_previewPage->load(url);
            }
        });
    }
    m_views->setCurrentIndex(index);
}

void EditorWindow::whenModified(std::function<void(bool)> done)
{
    m_session->checkModified([this, done = std::move(done)](bool modified) {
        if (!modified && !m_codeChanged) {
            done(true);
            return;
        }
        const auto answer =
            ask(this, QMessageBox::Question, kTitle,
                QStringLiteral("网页“") + QFileInfo(m_session->path()).fileName() +
                    QStringLiteral("”已修改。是否保存？"),
                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Save) {
            save([this, done](bool ok) {
                if (ok) {
                    done(true);
                }
            });
        } else if (answer == QMessageBox::Discard) {
            m_session->discardRecovery();
            m_codeChanged = false;
            done(true);
        }
    });
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    if (m_closing || !m_session->isOpen()) {
        event->accept();
        return;
    }
    event->ignore();
    whenModified([this](bool) {
        m_session->discardRecovery();
        m_closing = true;
        close();
    });
}

void EditorWindow::propertySheet(SheetKind kind, bool fromContext)
{
    const Sheet& s = sheet(kind);
    engine(u"getProps", {s.target, fromContext}, [this, kind, fromContext](const QVariant& v) {
        const Sheet& sh = sheet(kind);
        if (!v.isValid() || v.isNull()) {
            ask(this, QMessageBox::Information, sh.title,
                QStringLiteral("请先把光标放在要设置的") +
                    (kind == SheetKind::Cell ? QStringLiteral("单元格") : QStringLiteral("表格")) +
                    QStringLiteral("里。"));
            return;
        }
        PropertyDialog dialog(sh, QJsonObject::fromVariantMap(v.toMap()), m_session->path(), this);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        m_session->call(u"setProps", {sh.target, dialog.pairs(), fromContext});
    });
}

void EditorWindow::insertPicture()
{
    if (!m_session->isOpen()) {
        return;
    }
    PropertyDialog dialog(sheet(SheetKind::Picture),
                          QJsonObject{{QStringLiteral("border"), QStringLiteral("0")}},
                          m_session->path(), this);
    dialog.setWindowTitle(QStringLiteral("插入图片"));
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QJsonObject typed = dialog.values();
    const QString src = typed.value(QStringLiteral("src")).toString();
    if (src.isEmpty()) {
        return;
    }
    QJsonArray attrs = pictureAttributes(m_session->path(), src);
    for (const QString& name :
         {QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("border"),
          QStringLiteral("align"), QStringLiteral("alt")}) {
        const QString value = typed.value(name).toString();
        if (value.isEmpty()) {
            continue;
        }
        bool replaced = false;
        for (qsizetype i = 0; i < attrs.size(); ++i) {
            if (attrs.at(i).toArray().at(0).toString() == name) {
                attrs[i] = QJsonArray{name, value};
                replaced = true;
            }
        }
        if (!replaced) {
            attrs.append(QJsonArray{name, value});
        }
    }
    engine(u"insertImage", QJsonArray{QJsonValue(attrs)});
}

void EditorWindow::insertLink()
{
    engine(u"getProps", {QStringLiteral("link"), false}, [this](const QVariant& v) {
        PropertyDialog dialog(sheet(SheetKind::Link), QJsonObject::fromVariantMap(v.toMap()),
                              m_session->path(), this);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        const QJsonObject values = dialog.values();
        m_session->call(u"insertLink", {values.value(QStringLiteral("href")),
                                        values.value(QStringLiteral("text"))});
    });
}

void EditorWindow::insertTable()
{
    if (!m_session->isOpen()) {
        return;
    }
    PropertyDialog dialog(sheet(SheetKind::NewTable),
                          QJsonObject{{QStringLiteral("rows"), QStringLiteral("2")},
                                      {QStringLiteral("cols"), QStringLiteral("2")},
                                      {QStringLiteral("border"), QStringLiteral("1")},
                                      {QStringLiteral("width"), QStringLiteral("100%")}},
                          m_session->path(), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QJsonObject v = dialog.values();
    const int rows = std::clamp(v.value(QStringLiteral("rows")).toString().toInt(), 1, 100);
    const int cols = std::clamp(v.value(QStringLiteral("cols")).toString().toInt(), 1, 50);
    engine(u"insertTable",
           {rows, cols,
            QJsonArray{QJsonArray{QStringLiteral("border"), v.value(QStringLiteral("border"))},
                       QJsonArray{QStringLiteral("width"), v.value(QStringLiteral("width"))}}});
}

void EditorWindow::insertMarquee()
{
    engine(u"copy", {}, [this](const QVariant& selected) {
        const QString text = selected.toMap().value(QStringLiteral("text")).toString();
        PropertyDialog dialog(sheet(SheetKind::Marquee),
                              QJsonObject{{QStringLiteral("text"), text}}, m_session->path(), this);
        dialog.setWindowTitle(QStringLiteral("插入滚动字幕"));
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        QJsonArray attrs;
        QString words;
        for (const QJsonValue& p : dialog.pairs()) {
            const QJsonArray pair = p.toArray();
            if (pair.at(0).toString() == u"text") {
                words = pair.at(1).toString();
            } else {
                attrs.append(pair);
            }
        }
        if (!text.isEmpty() && words == text) {
            // The selection itself (with its fonts) goes into the marquee.
            words.clear();
        } else if (!text.isEmpty()) {
            m_session->call(u"deleteSelection");
        }
        m_session->call(u"insertMarquee", {attrs, words});
    });
}

void EditorWindow::fontDialog()
{
    engine(u"fontState", {}, [this](const QVariant& v) {
        PropertyDialog dialog(sheet(SheetKind::Font), QJsonObject::fromVariantMap(v.toMap()),
                              m_session->path(), this);
        if (dialog.exec() == QDialog::Accepted) {
            m_session->call(u"setFont", {dialog.values()}, [this](const QVariant& done) {
                if (!done.toBool()) {
                    statusBar()->showMessage(QStringLiteral("请先选中要设置字体的文字。"), 4000);
                }
            });
        }
    });
}

void EditorWindow::paragraphDialog()
{
    engine(u"paragraphState", {}, [this](const QVariant& v) {
        PropertyDialog dialog(sheet(SheetKind::Paragraph), QJsonObject::fromVariantMap(v.toMap()),
                              m_session->path(), this);
        if (dialog.exec() == QDialog::Accepted) {
            m_session->call(u"align", {dialog.values().value(QStringLiteral("align"))});
        }
    });
}

void EditorWindow::findText()
{
    if (!m_session->isOpen()) {
        return;
    }
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, QStringLiteral("查找"), QStringLiteral("查找内容(&N)："),
                              QLineEdit::Normal, m_findText, &ok);
    if (!ok || text.isEmpty()) {
        return;
    }
    m_findText = text;
    engine(u"find", {text}, [this, text](const QVariant& found) {
        if (!found.toBool()) {
            ask(this, QMessageBox::Information, QStringLiteral("查找"),
                QStringLiteral("找不到“") + text + QStringLiteral("”。"));
        }
        m_design->setFocus();
    });
}

void EditorWindow::copySelection(bool cut)
{
    if (m_tabs->currentIndex() == 1) {
        cut ? m_code->cut() : m_code->copy();
        return;
    }
    engine(cut ? u"cut" : u"copy", {}, [](const QVariant& v) {
        const QVariantMap m = v.toMap();
        if (m.isEmpty()) {
            return;
        }
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(kClipboardFormat),
                      m.value(QStringLiteral("html")).toString().toUtf8());
        data->setText(m.value(QStringLiteral("text")).toString());
        QApplication::clipboard()->setMimeData(data);
    });
}

void EditorWindow::pasteClipboard()
{
    if (m_tabs->currentIndex() == 1) {
        m_code->paste();
        return;
    }
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) {
        return;
    }
    if (data->hasFormat(QString::fromLatin1(kClipboardFormat))) {
        engine(u"pasteHtml",
               {QString::fromUtf8(data->data(QString::fromLatin1(kClipboardFormat)))});
    } else if (data->hasText()) {
        engine(u"pasteText", {data->text()});
    }
}

void EditorWindow::contextMenu(const QPoint& at)
{
    engine(u"contextKind", {}, [this, at](const QVariant& v) {
        const QString kind = v.toString();
        const QHash<QString, SheetKind> sheets{{QStringLiteral("img"), SheetKind::Picture},
                                               {QStringLiteral("link"), SheetKind::Link},
                                               {QStringLiteral("table"), SheetKind::Table},
                                               {QStringLiteral("cell"), SheetKind::Cell},
                                               {QStringLiteral("marquee"), SheetKind::Marquee},
                                               {QStringLiteral("hr"), SheetKind::Rule}};
        // A right-click on a picture, link, marquee or rule opens its
        // properties; in a table (where most of a page's text sits) the
        // menu offers the cell's and the table's beside the clipboard.
        if (sheets.contains(kind) && kind != u"cell" && kind != u"table") {
            propertySheet(sheets.value(kind), true);
            return;
        }
        QMenu menu(this);
        if (kind == u"cell") {
            menu.addAction(QStringLiteral("单元格属性(&C)…"), this,
                           [this] { propertySheet(SheetKind::Cell, true); });
        }
        if (kind == u"cell" || kind == u"table") {
            menu.addAction(QStringLiteral("表格属性(&A)…"), this,
                           [this] { propertySheet(SheetKind::Table, true); });
            menu.addSeparator();
        }
        menu.addAction(QStringLiteral("剪切(&T)"), this, [this] { copySelection(true); });
        menu.addAction(QStringLiteral("复制(&C)"), this, [this] { copySelection(false); });
        menu.addAction(QStringLiteral("粘贴(&P)"), this, [this] { pasteClipboard(); });
        menu.exec(m_design->mapToGlobal(at));
    });
}

} // namespace velmora::editor
