// SPDX-License-Identifier: MIT
#pragma once

#include "Marking.h"
#include "ScoreUploader.h"
#include "WorkSender.h"
#include "WorkingFolder.h"

#include <QStringList>
#include <QWidget>
#include <memory>

class QCheckBox;
class QFrame;
class QAction;
class QLabel;
class QPlainTextEdit;

namespace velmora {
class QQButton;
class QQForm;
} // namespace velmora

namespace velmora::student {

class EventLabel;
struct Module1;

// The window in which the student works on one exercise set: task text,
// working folder, marking, redo, upload and the way back.
class ExerciseForm : public QWidget
{
    Q_OBJECT

public:
    explicit ExerciseForm(Module1& state, QWidget* parent = nullptr);
    ~ExerciseForm() override;

    QQForm* QQForm1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    EventLabel* Label3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QFrame* Frame1 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QQButton* Command4 = nullptr;
    QQButton* Command3 = nullptr;
    QQButton* btn_sendscore = nullptr;
    QQButton* Command2 = nullptr;
    QLabel* Lbl_ip = nullptr;
    ScoreUploader* Winsock1 = nullptr;
    // Sends the set's working folder to the teacher after the score.
    WorkSender* m_workSender = nullptr;
    // Opens the set's working page in the page editor (Ctrl+E, right-click).
    QAction* editAction = nullptr;

    // The page editor beside this program or on the PATH; empty when not installed.
    static QString editorProgram();

    const WorkingFolder& workingFolder() const { return *m_folder; }

    // What was missing or failed while loading; shown by tellLoadProblems().
    const QStringList& loadProblems() const { return m_loadProblems; }
    // Tells the student about load problems, once the window is up.
    void tellLoadProblems();

    // The details area of the marking report: every check of the set.
    static QString markingDetails(const marking::MarkResult& result);

signals:
    // The back command: the form is to be replaced by the start form.
    void backRequested();
    // An upload ended (after its message was shown).
    void uploadFinished(velmora::student::ScoreUploader::Outcome outcome);
    // Opening the working folder failed (after its message was shown).
    void openFolderFailed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void load();
    void mark();
    void redo();
    void upload();
    void uploaded(ScoreUploader::Outcome outcome);
    void workSent(WorkSender::Outcome outcome);
    void showUploadResult();
    void setWaitingForUpload(bool waiting);
    // The status line with the computer's own address as it is sent.
    void showOwnAddress(const QString& own);
    void back();
    void openFolder();
    void editPage();
    void setItalicLink(bool italic);

    Module1& m_state;
    std::unique_ptr<WorkingFolder> m_folder;
    QStringList m_loadProblems;
    bool m_waitingForUpload = false;
    ScoreDatagram m_uploaded; // the score on its way, for the work's header
    ScoreUploader::Outcome m_scoreOutcome = ScoreUploader::Outcome::SendFailed;
    bool m_workDelivered = false;
};

} // namespace velmora::student
