// SPDX-License-Identifier: MIT
#pragma once

#include "RowLayout.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QScrollBar;

namespace velmora::collector {

class ScoreTable;

// The score list: one widget that paints the rows of the score table that lie
// in view, cell by cell where the row layout puts them, instead of eleven
// widgets per row. It reads the table and never changes it: corrections and
// delete requests go out as signals.
//
// A row's name and score become real line edits only while the row is
// unlocked (a click on its edit icon); each box locks again when it loses the
// focus to something else in the window. Losing the window's activation (a
// message box, another program) leaves it open.
//
// A score that arrives while its box is open shows in the box, unless the
// teacher has typed into it: a typed value is never replaced. It goes back
// into the table at once (so the list, the box and a save agree), and the
// upload that arrived meanwhile is named in the score's tool tip.
class ScoreListView : public QWidget
{
    Q_OBJECT

public:
    static const QString& editToolTip();
    static const QString& deleteToolTip();
    // "成绩来自 <source>，与所报地址不符"
    static QString forgedToolTip(const QString& source);
    // "复核得分 12，上报 25": the collected work marked again, and the score.
    static QString remarkToolTip(const QString& remark, const QString& reported);
    // "修改期间收到上传的成绩 <uploaded>，已保留手工修改的 <kept>"
    static QString uploadDuringEditToolTip(const QString& uploaded, const QString& kept);

    ScoreListView(const ScoreTable& table, QScrollBar* scrollBar, QWidget* parent = nullptr);

    // After rows were added (or the whole table rebuilt): the panel grows and
    // the scroll steps follow its height. The rows in view stay where they
    // are, unless the bar is at the end of its range.
    void rowsAdded();
    // Row i changed: repainted; its open boxes keep their text.
    void rowChanged(int i);
    // Unlocks both boxes of live row i without moving the focus.
    void beginEdit(int i);

    // The open box of a row's name or score cell, nullptr while locked.
    QLineEdit* editor(int i, RowCell cell) const;
    // Cell rectangle of row i in the view's pixels at the current scroll.
    QRect cellRect(int i, RowCell cell) const;
    // Row and cell under a point of the view; row 0 when none.
    int rowAt(const QPoint& pos, RowCell* cell = nullptr) const;
    // Tool tip for a point of the view; empty when none.
    QString toolTipAt(const QPoint& pos) const;
    // Text drawn in a cell: one line, cut after the first character that
    // reaches past the cell's edge (the painter clips that one).
    QString shownText(int i, RowCell cell) const;

    int panelHeightTwips() const { return m_panelHeight; }
    int panelTopTwips() const { return m_panelTop; }

signals:
    void deleteClicked(int row);
    // A right-click on a row (its number) at a point of the view.
    void rowMenuRequested(int row, const QPoint& at);
    void nameEdited(int row, const QString& text);
    void scoreEdited(int row, const QString& text);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Editors
    {
        QPointer<QLineEdit> name;
        QPointer<QLineEdit> score;
    };

    void scrollTo(int value);
    void updateSteps();
    int scrollUnits(int twips) const;
    void placeEditors();
    void lock(QLineEdit* edit);
    QLineEdit* makeEditor(int i, RowCell cell);
    QString cellValue(int i, RowCell cell) const;
    bool isIconLive(int i, RowCell cell) const;

    const ScoreTable& m_table;
    QScrollBar* m_bar;
    int m_panelHeight;  // twips
    int m_panelTop = 0; // twips, 0 or negative
    QHash<int, Editors> m_editors;
    QHash<int, QString> m_uploadDuringEdit; // row -> upload a typed value outlived
    int m_pressRow = 0;
    RowCell m_pressCell = RowCell::Image1;
};

} // namespace velmora::collector
