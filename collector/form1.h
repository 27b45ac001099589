// SPDX-License-Identifier: MIT
#pragma once

#include "AddressCheck.h"
#include "Handoff.h"
#include "ListExport.h"
#include "ScoreBook.h"
#include "ScoreDatagram.h"
#include "ScoreJournal.h"
#include "ScoreTable.h"

#include <QWidget>

#include <functional>

class QHostAddress;
class QLabel;
class QScrollBar;

namespace velmora {
class QQButton;
class QQForm;
} // namespace velmora

namespace velmora::collector {

class ScoreListView;
class ScoreReceiver;
class WorkMarker;
class WorkReceiver;

// The teacher's only window: listens for scores, journals and lists them, lets
// the teacher correct or delete a row, saves the live rows and opens the
// summary workbook. The list itself is ScoreListView; this class wires it to
// the table, the journal and the receiver.
class form1 : public QWidget
{
    Q_OBJECT

public:
    // Picks the file to save to and its type; an empty path means cancelled.
    using SaveFileChooser = std::function<SaveChoice(QWidget* parent)>;

    static const QString& windowCaption(); // "Velmora系统(Velcoll程序)"
    static QString helpText();
    static QString aboutText();

    // "上次的成绩尚未保存，是否恢复？"
    static const QString& restoreQuestion();

    // Takes over the journal in `journalFolder` and binds `port` at once; a
    // port that cannot be bound leaves the window usable and says so in the
    // status line and in one message box. When the last run left unsaved
    // changes, the teacher is asked from the event loop whether to restore
    // them, while scores keep arriving.
    explicit form1(quint16 port = kCollectorPort,
                   const QString& journalFolder = ScoreJournal::defaultFolder(),
                   QWidget* parent = nullptr);
    ~form1() override;

    // Seams for the choices a person makes outside the window.
    void setSaveFileChooser(SaveFileChooser chooser);
    void setSpreadsheetStarter(Handoff::Starter starter);
    // Opens a file with the desktop's default program for its type.
    void setDocumentOpener(Handoff::Starter opener);
    // The folder where the workbook lies (the program folder by default).
    void setProgramFolder(const QString& folder);
    // Which senders count as this computer (forged-address mark).
    void setAddressCheck(const AddressCheck& check) { m_book->setAddressCheck(check); }
    QString workbookPath() const { return m_workbook; }

    const ScoreTable& table() const { return m_book->table(); }
    const ScoreBook& book() const { return *m_book; }
    const ScoreReceiver& receiver() const { return *m_receiver; }
    // Students' work arriving over TCP on the score port's number.
    const WorkReceiver& workReceiver() const { return *m_work; }
    // Where the work of row i lies, and its page; empty when it has none.
    QString workFolder(int i) const;
    QString workPage(int i) const;
    // The commands of a row's menu.
    void viewWork(int i);
    void openWorkFolder(int i);
    void remarkWork(int i);
    const ScoreJournal& journal() const { return m_book->journal(); }
    bool isListening() const;
    quint16 listeningPort() const;

    // Controls of the window.
    QQForm* QQForm1() const { return m_QQForm1; }
    QQButton* QQButton1() const { return m_QQButton1; }
    QQButton* QQButton2() const { return m_QQButton2; }
    QQButton* QQButton3() const { return m_QQButton3; }
    QQButton* QQButton4() const { return m_QQButton4; }
    QLabel* lbl_exam_info() const { return m_lbl_exam_info; }
    QLabel* lbl_host() const { return m_lbl_host; }
    QLabel* Label3() const { return m_Label3; }
    // The list viewport, painting the rows.
    ScoreListView* Picture1() const { return m_Picture1; }
    QWidget* Picture3() const { return m_Picture3; }
    QScrollBar* VScroll1() const { return m_VScroll1; }

    // Commands, as the buttons and row icons run them.
    void save();
    void handoff();
    void showHelp();
    void showAbout();
    void beginEdit(int i);
    void deleteRow(int i);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildHeader();
    void buildList();
    void buildButtons();
    void askRestore();
    void startListening(quint16 port);
    void correctName(int i, const QString& text);
    void correctScore(int i, const QString& text);
    void showStatusMenu(const QPoint& at);
    void showRowMenu(int i, const QPoint& at);
    void reportSetAside();
    void showAddressLine();
    void showWorkbookLine();
    void refreshStatusLine();
    void setStatusWarning(const QString& text);
    void reportListenFailure();
    void reportFullList();
    ExportTarget chooseSaveFile();
    void offerToOpen(const QString& path);

    ScoreBook* m_book = nullptr;
    ScoreReceiver* m_receiver = nullptr;
    WorkReceiver* m_work = nullptr;
    WorkMarker* m_marker = nullptr;
    SaveFileChooser m_chooseSaveFile;
    Handoff::Starter m_startSpreadsheet;
    Handoff::Starter m_openDocument;
    QString m_workbook;
    QString m_addressText;
    QString m_listenProblem; // why the port could not be bound, for the one message
    bool m_listenReported = false;

    QQForm* m_QQForm1 = nullptr;
    QQButton* m_QQButton1 = nullptr;
    QQButton* m_QQButton2 = nullptr;
    QQButton* m_QQButton3 = nullptr;
    QQButton* m_QQButton4 = nullptr;
    QLabel* m_lbl_exam_info = nullptr;
    QLabel* m_lbl_host = nullptr;
    QLabel* m_Label3 = nullptr;
    ScoreListView* m_Picture1 = nullptr;
    QWidget* m_Picture3 = nullptr;
    QScrollBar* m_VScroll1 = nullptr;
};

} // namespace velmora::collector
