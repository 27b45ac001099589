// SPDX-License-Identifier: MIT
#pragma once

#include "Handoff.h"
#include "ListExport.h"
#include "RowLayout.h"
#include "ScoreDatagram.h"
#include "ScoreTable.h"

#include <QList>
#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QScrollBar;

namespace velmora {
class QQButton;
class QQForm;
} // namespace velmora

namespace velmora::collector {

class RowIcon;
class ScoreReceiver;

// The teacher's only window: listens for scores, lists them row by row, lets
// the teacher correct or delete a row, saves the live rows and opens the
// summary workbook.
class form1 : public QWidget
{
    Q_OBJECT

public:
    // Picks the file to save to and its type; an empty path means cancelled.
    using SaveFileChooser = std::function<SaveChoice(QWidget* parent)>;

    static const QString& windowCaption(); // "Velmora系统(Velcoll程序)"
    static QString helpText();
    static QString aboutText();

    // Binds `port` at once; a port that cannot be bound leaves the window
    // usable and says so in the status line and in one message box.
    explicit form1(quint16 port = kCollectorPort, QWidget* parent = nullptr);
    ~form1() override;

    // Seams for the choices a person makes outside the window.
    void setSaveFileChooser(SaveFileChooser chooser);
    void setSpreadsheetStarter(Handoff::Starter starter);
    // Opens a file with the desktop's default program for its type.
    void setDocumentOpener(Handoff::Starter opener);
    // The folder where the workbook lies (the program folder by default).
    void setProgramFolder(const QString& folder);
    QString workbookPath() const { return m_workbook; }

    const ScoreTable& table() const { return m_table; }
    const ScoreReceiver& receiver() const { return *m_receiver; }
    bool isListening() const;
    quint16 listeningPort() const;
    // The text of the last save command.
    const QString& save_text() const { return m_saveText; }

    // Controls of the window.
    QQForm* QQForm1() const { return m_QQForm1; }
    QQButton* QQButton1() const { return m_QQButton1; }
    QQButton* QQButton2() const { return m_QQButton2; }
    QQButton* QQButton3() const { return m_QQButton3; }
    QQButton* QQButton4() const { return m_QQButton4; }
    QLabel* lbl_exam_info() const { return m_lbl_exam_info; }
    QLabel* lbl_host() const { return m_lbl_host; }
    QLabel* Label3() const { return m_Label3; }
    QWidget* Picture1() const { return m_Picture1; }
    QWidget* Picture2() const { return m_Picture2; }
    QWidget* Picture3() const { return m_Picture3; }
    QScrollBar* VScroll1() const { return m_VScroll1; }

    // Row cells; element 0 is the invisible template, 1..rec_count the rows.
    QWidget* cell(int i, RowCell c) const;
    QLabel* Image1(int i) const;
    QLabel* lbl_ip(int i) const;
    QLabel* lbl_hostname(int i) const;
    QLineEdit* lbl_stname(int i) const;
    QLineEdit* lbl_score(int i) const;
    QLabel* lbl_tao(int i) const;
    RowIcon* Img_edit(int i) const;
    RowIcon* Img_del(int i) const;

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader();
    void buildList();
    void buildButtons();
    void buildTemplateRow();
    void startListening(quint16 port);
    bool recordScore(const ScoreDatagram& datagram);
    void createRow(int n);
    QWidget* copyTemplate(RowCell c);
    void scroll(int value);
    void showAddressLine();
    void showWorkbookLine();
    void setStatusWarning(const QString& text);
    void reportListenFailure();
    ExportTarget chooseSaveFile();
    void offerToOpen(const QString& path);

    ScoreTable m_table;
    ScoreReceiver* m_receiver = nullptr;
    SaveFileChooser m_chooseSaveFile;
    Handoff::Starter m_startSpreadsheet;
    Handoff::Starter m_openDocument;
    QString m_workbook;
    QString m_saveText;
    QString m_addressText;
    QString m_listenProblem; // why the port could not be bound, for the one message
    bool m_listenReported = false;
    bool m_fullReported = false;
    int m_panelHeight = 1815; // twips

    QQForm* m_QQForm1 = nullptr;
    QQButton* m_QQButton1 = nullptr;
    QQButton* m_QQButton2 = nullptr;
    QQButton* m_QQButton3 = nullptr;
    QQButton* m_QQButton4 = nullptr;
    QLabel* m_lbl_exam_info = nullptr;
    QLabel* m_lbl_host = nullptr;
    QLabel* m_Label3 = nullptr;
    QWidget* m_Picture1 = nullptr;
    QWidget* m_Picture2 = nullptr;
    QWidget* m_Picture3 = nullptr;
    QScrollBar* m_VScroll1 = nullptr;
    QList<std::array<QWidget*, kRowCellCount>> m_rows; // index 0: template
};

} // namespace velmora::collector
