// SPDX-License-Identifier: MIT
#include "ScoreListView.h"

#include "CollectorArt.h"
#include "ScoreTable.h"
#include "Twips.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmora::collector {

namespace {

const QColor kCellBackground(227, 243, 255);
constexpr int kDesignPanelHeight = 1815; // twips, before the first row
constexpr int kWheelRows = 3;
constexpr int kEditMargin = 2;          // pixels a line edit keeps left and right of its text
constexpr int kMaxEditLength = 1 << 20; // never cut a long received field

bool isTextCell(RowCell c)
{
    return c == RowCell::lbl_ip || c == RowCell::lbl_hostname || c == RowCell::lbl_stname ||
           c == RowCell::lbl_score || c == RowCell::lbl_tao;
}

bool isBox(RowCell c)
{
    return c == RowCell::lbl_stname || c == RowCell::lbl_score;
}

// A cell is one line high: control characters (line breaks, tabs, NUL ...)
// and the Unicode line separators show as spaces, as in the saved file.
QString oneLine(const QString& text)
{
    QString out = ScoreTable::shownField(text);
    for (QChar& ch : out) {
        if (ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator) {
            ch = u' ';
        }
    }
    return out;
}

// The characters of a one-line text up to the first one that reaches past
// `room` pixels: what a cell of that width can show, clipped at its edge as
// the cell always was, and no more, however long the field.
QString cutToWidth(const QString& text, const QFontMetrics& fm, int room)
{
    int used = 0;
    qsizetype n = 0;
    while (n < text.size() && used <= room) {
        const qsizetype len = text.at(n).isHighSurrogate() && n + 1 < text.size() ? 2 : 1;
        used += fm.horizontalAdvance(text.mid(n, len));
        n += len;
    }
    return text.left(n);
}

QPixmap cellPicture(RowCell c)
{
    switch (c) {
    case RowCell::Image1:
    case RowCell::Image2: {
        static const QPixmap p = CollectorArt::computerIcon();
        return p;
    }
    case RowCell::Image3: {
        static const QPixmap p = CollectorArt::personIcon();
        return p;
    }
    case RowCell::Image4: {
        static const QPixmap p = CollectorArt::scorePicture();
        return p;
    }
    case RowCell::Img_edit: {
        static const QPixmap p = CollectorArt::editPicture();
        return p;
    }
    case RowCell::Img_del: {
        static const QPixmap p = CollectorArt::deletePicture();
        return p;
    }
    default:
        return {};
    }
}

QRect pixels(const QRect& twips)
{
    return twipsRect(twips.x(), twips.y(), twips.width(), twips.height());
}

} // namespace

const QString& ScoreListView::editToolTip()
{
    static const QString tip =
        QStringLiteral("点击即可对“姓名”和“分数”进行修改一次。主要防止学生输入错误姓名。");
    return tip;
}

const QString& ScoreListView::deleteToolTip()
{
    static const QString tip = QStringLiteral("点击即可删除此条成绩。");
    return tip;
}

QString ScoreListView::remarkToolTip(const QString& remark, const QString& reported)
{
    return QStringLiteral("复核得分 ") + remark + QStringLiteral("，上报 ") + reported;
}

QString ScoreListView::uploadDuringEditToolTip(const QString& uploaded, const QString& kept)
{
    return QStringLiteral("修改期间收到上传的成绩") + uploaded +
           QStringLiteral("，已保留手工修改的") + kept;
}

QString ScoreListView::forgedToolTip(const QString& source)
{
    return QStringLiteral("成绩来自 ") + source + QStringLiteral("，与所报地址不符");
}

ScoreListView::ScoreListView(const ScoreTable& table, QScrollBar* scrollBar, QWidget* parent)
    : QWidget(parent), m_table(table), m_bar(scrollBar), m_panelHeight(kDesignPanelHeight)
{
    setObjectName(QStringLiteral("Picture1"));
    setAccessibleName(QStringLiteral("成绩列表"));
    setFont(CollectorArt::songFont(10.5));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // Tab reaches the list; a click takes the focus only off the icons, so the
    // edit icon leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    m_bar->setRange(0, 0);
    m_bar->setSingleStep(RowLayout::kScrollSmallChange);
    m_bar->setPageStep(RowLayout::kScrollLargeChange);
    // The panel follows the value, not the box while it is dragged.
    m_bar->setTracking(false);
    connect(m_bar, &QScrollBar::valueChanged, this, &ScoreListView::scrollTo);
}

void ScoreListView::rowsAdded()
{
    if (m_table.rec_count() == 0) {
        return;
    }
    const bool atEnd = m_bar->maximum() > 0 && m_bar->value() == m_bar->maximum();
    m_panelHeight = RowLayout::panelHeight(m_table.rec_count());
    m_bar->setMaximum(RowLayout::kScrollMaximum);
    updateSteps();
    int top = m_panelTop;
    if (atEnd) {
        // At the end of the range the panel top follows the value for the
        // new height, as it always did.
        top = RowLayout::panelTop(m_panelHeight, m_bar->value());
    } else {
        // Scrolled anywhere else, new rows below must not move what the
        // teacher sees: the panel stays where it is and the value moves to
        // the nearest one for the taller panel, without a scroll of its own.
        const int value = int(
            std::lround(double(-m_panelTop) * RowLayout::kScrollMaximum / double(m_panelHeight)));
        const QSignalBlocker quiet(m_bar);
        m_bar->setValue(std::clamp(value, 0, RowLayout::kScrollMaximum));
    }
    if (top == m_panelTop) {
        // Nothing moved: only the new row needs painting (and only if in view).
        rowChanged(m_table.rec_count());
        return;
    }
    m_panelTop = top;
    placeEditors();
    update();
}

int ScoreListView::scrollUnits(int twips) const
{
    const double units = double(twips) * RowLayout::kScrollMaximum / m_panelHeight;
    return std::max(1, int(std::lround(units)));
}

void ScoreListView::updateSteps()
{
    // One row, one viewport page, in scroll units of the current panel.
    m_bar->setSingleStep(scrollUnits(RowLayout::kRowPitch));
    m_bar->setPageStep(scrollUnits(RowLayout::kViewportHeight));
}

void ScoreListView::scrollTo(int value)
{
    m_bar->setMaximum(RowLayout::kScrollMaximum);
    m_panelTop = RowLayout::panelTop(m_panelHeight, value);
    placeEditors();
    update();
}

void ScoreListView::rowChanged(int i)
{
    if (!m_table.isValidRow(i)) {
        return;
    }
    // An open box shows what the list holds. A box the teacher has typed
    // into keeps the typed value, which goes back into the list at once, so
    // that the list and a save hold what the box shows; the upload that came
    // meanwhile is named in the score's tool tip.
    if (const auto it = m_editors.constFind(i); it != m_editors.cend() && !m_table.row(i).deleted) {
        for (QLineEdit* edit : {it->name.data(), it->score.data()}) {
            if (!edit) {
                continue;
            }
            const bool isScore = edit == it->score.data();
            const QString held = cellValue(i, isScore ? RowCell::lbl_score : RowCell::lbl_stname);
            if (edit->text() == held) {
                continue;
            }
            if (!edit->isModified()) {
                const int cursor = edit->cursorPosition();
                edit->setText(held);
                edit->setCursorPosition(std::min(cursor, int(held.size())));
            } else if (isScore) {
                m_uploadDuringEdit.insert(i, held);
                emit scoreEdited(i, edit->text());
            } else {
                emit nameEdited(i, edit->text());
            }
        }
    }
    if (m_table.row(i).deleted) {
        // A deleted row cannot be corrected any more: its boxes close.
        const Editors e = m_editors.take(i);
        for (QLineEdit* edit : {e.name.data(), e.score.data()}) {
            if (edit) {
                edit->removeEventFilter(this);
                edit->hide();
                edit->deleteLater();
            }
        }
    }
    update(QRect(0, cellRect(i, RowCell::Image1).top(), width(),
                 twipsToPixels(RowLayout::templateRect(RowCell::Image4).height()) + 1));
}

QRect ScoreListView::cellRect(int i, RowCell cell) const
{
    return pixels(RowLayout::cellRect(i, cell)).translated(0, twipsToPixels(m_panelTop));
}

QString ScoreListView::cellValue(int i, RowCell cell) const
{
    const ScoreRow& r = m_table.row(i);
    switch (cell) {
    case RowCell::lbl_ip:
        return r.address;
    case RowCell::lbl_hostname:
        return r.computer;
    case RowCell::lbl_stname:
        return r.name;
    case RowCell::lbl_score:
        return r.score;
    case RowCell::lbl_tao:
        return r.set;
    default:
        return {};
    }
}

QString ScoreListView::shownText(int i, RowCell cell) const
{
    if (!m_table.isValidRow(i) || !isTextCell(cell)) {
        return {};
    }
    const int room =
        twipsToPixels(RowLayout::templateRect(cell).width()) - (isBox(cell) ? 2 * kEditMargin : 0);
    return cutToWidth(oneLine(cellValue(i, cell)), fontMetrics(), room);
}

bool ScoreListView::isIconLive(int i, RowCell cell) const
{
    return (cell == RowCell::Img_edit || cell == RowCell::Img_del) && m_table.isValidRow(i) &&
           !m_table.row(i).deleted;
}

int ScoreListView::rowAt(const QPoint& pos, RowCell* cell) const
{
    // The score picture of the row above reaches into this row's band.
    const int first = std::max(1, RowLayout::rowAt(pixelsToTwips(pos.y()) - m_panelTop) - 1);
    for (int i = first; i <= std::min(first + 1, m_table.rec_count()); ++i) {
        for (int c = 0; c < kRowCellCount; ++c) {
            const auto kind = static_cast<RowCell>(c);
            if (cellRect(i, kind).contains(pos)) {
                if (cell) {
                    *cell = kind;
                }
                return i;
            }
        }
    }
    return 0;
}

QString ScoreListView::toolTipAt(const QPoint& pos) const
{
    RowCell cell = RowCell::Image1;
    const int i = rowAt(pos, &cell);
    if (i == 0) {
        return {};
    }
    const ScoreRow& r = m_table.row(i);
    if (cell == RowCell::Img_edit && isIconLive(i, cell)) {
        return editToolTip();
    }
    if (cell == RowCell::Img_del && isIconLive(i, cell)) {
        return deleteToolTip();
    }
    if (cell == RowCell::Image1 && !r.deleted && r.forged()) {
        return forgedToolTip(r.forgedFrom);
    }
    if ((cell == RowCell::Image4 || cell == RowCell::lbl_score) && !r.deleted &&
        !r.remark.isEmpty() && !m_uploadDuringEdit.contains(i)) {
        return remarkToolTip(r.remark, r.score);
    }
    if (cell == RowCell::lbl_score && !r.deleted && m_uploadDuringEdit.contains(i)) {
        return uploadDuringEditToolTip(m_uploadDuringEdit.value(i), r.score);
    }
    // A text that does not fit its cell shows whole in the tool tip.
    if (isTextCell(cell) && !editor(i, cell)) {
        const QString shown = shownText(i, cell);
        const int room = cellRect(i, cell).width() - (isBox(cell) ? 2 * kEditMargin : 0);
        if (shown != cellValue(i, cell) || fontMetrics().horizontalAdvance(shown) > room) {
            return cellValue(i, cell);
        }
    }
    return {};
}

QLineEdit* ScoreListView::editor(int i, RowCell cell) const
{
    const auto it = m_editors.constFind(i);
    if (it == m_editors.cend()) {
        return nullptr;
    }
    return cell == RowCell::lbl_stname  ? it->name.data()
           : cell == RowCell::lbl_score ? it->score.data()
                                        : nullptr;
}

QLineEdit* ScoreListView::makeEditor(int i, RowCell cell)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(cell == RowCell::lbl_stname ? "lbl_stname" : "lbl_score") +
                        u'(' + QString::number(i) + u')');
    edit->setFrame(false);
    edit->setMaxLength(kMaxEditLength);
    edit->setTextMargins(0, 0, 0, 0);
    edit->setContentsMargins(0, 0, 0, 0);
    edit->setFont(font());
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, kCellBackground);
    edit->setPalette(pal);
    edit->setText(cellValue(i, cell));
    edit->setCursorPosition(0);
    edit->setGeometry(cellRect(i, cell));
    edit->installEventFilter(this);
    if (cell == RowCell::lbl_stname) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { emit nameEdited(i, text); });
    } else {
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { emit scoreEdited(i, text); });
    }
    edit->show();
    return edit;
}

void ScoreListView::beginEdit(int i)
{
    if (!m_table.isValidRow(i) || m_table.row(i).deleted) {
        return;
    }
    Editors& e = m_editors[i];
    if (!e.name) {
        e.name = makeEditor(i, RowCell::lbl_stname);
    }
    if (!e.score) {
        e.score = makeEditor(i, RowCell::lbl_score);
    }
}

void ScoreListView::lock(QLineEdit* edit)
{
    for (auto it = m_editors.begin(); it != m_editors.end(); ++it) {
        if (it->name == edit || it->score == edit) {
            const int i = it.key();
            (it->name == edit ? it->name : it->score) = nullptr;
            if (!it->name && !it->score) {
                m_editors.erase(it);
            }
            edit->removeEventFilter(this);
            edit->hide();
            edit->deleteLater();
            rowChanged(i);
            return;
        }
    }
}

void ScoreListView::placeEditors()
{
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it) {
        if (it->name) {
            it->name->setGeometry(cellRect(it.key(), RowCell::lbl_stname));
        }
        if (it->score) {
            it->score->setGeometry(cellRect(it.key(), RowCell::lbl_score));
        }
    }
}

bool ScoreListView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // The window losing its activation (another program, a message box)
        // does not end the edit; the focus comes back with the window.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
                lock(edit);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ScoreListView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void ScoreListView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect dirty = event->rect();
    p.fillRect(dirty, Qt::white);
    const QRect panel(0, twipsToPixels(m_panelTop), width(), twipsToPixels(m_panelHeight));
    p.fillRect(panel.intersected(dirty), palette().color(QPalette::Base));
    if (m_table.rec_count() == 0) {
        return;
    }
    const QFontMetrics fm = fontMetrics();
    const int top = pixelsToTwips(dirty.top()) - m_panelTop;
    const int bottom = pixelsToTwips(dirty.bottom() + 1) - m_panelTop;
    // One row more on each side: the score picture reaches past its row's
    // band, and pixels round the panel and the cells apart.
    const int first = std::max(1, RowLayout::rowAt(top) - 1);
    const int last = std::min(m_table.rec_count(), RowLayout::rowAt(bottom) + 1);
    static const QPixmap warning = CollectorArt::warningIcon();
    static const QPixmap tick = CollectorArt::tickIcon();
    for (int i = first; i <= last; ++i) {
        const ScoreRow& r = m_table.row(i);
        const auto rects = RowLayout::rowRects(i);
        for (int c = 0; c < kRowCellCount; ++c) {
            const auto cell = static_cast<RowCell>(c);
            const QRect rect = pixels(rects[size_t(c)]).translated(0, panel.top());
            if (!rect.intersects(dirty)) {
                continue;
            }
            if (!isTextCell(cell)) {
                if ((cell == RowCell::Img_edit || cell == RowCell::Img_del) && r.deleted) {
                    continue; // a deleted row's icons are gone
                }
                // The score's picture tells how the collected work was judged
                // again: a tick when it earned the score shown, a warning
                // when not; rows without marked work keep the picture.
                const bool judged = cell == RowCell::Image4 && !r.deleted && !r.remark.isEmpty();
                p.drawPixmap(rect.topLeft(),
                             (cell == RowCell::Image1 && r.forged() && !r.deleted) ||
                                     (judged && r.mismatched())
                                 ? warning
                             : judged ? tick
                                      : cellPicture(cell));
                continue;
            }
            if (editor(i, cell)) {
                continue; // the open box paints itself
            }
            p.fillRect(rect, kCellBackground);
            p.save();
            p.setClipRect(rect);
            p.setPen(palette().color(isBox(cell) ? QPalette::Text : QPalette::WindowText));
            const QString text = shownText(i, cell);
            if (isBox(cell)) {
                // Where a line edit puts its text: two pixels in, centred on
                // the font's height.
                const int y = rect.y() + (rect.height() - fm.height() + 1) / 2;
                p.drawText(QPoint(rect.x() + kEditMargin, y + fm.ascent()), text);
            } else {
                p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            }
            p.restore();
        }
    }
}

void ScoreListView::contextMenuEvent(QContextMenuEvent* event)
{
    const int i = rowAt(event->pos());
    if (i > 0 && !m_table.row(i).deleted) {
        emit rowMenuRequested(i, event->globalPos());
    }
}

void ScoreListView::mousePressEvent(QMouseEvent* event)
{
    RowCell cell = RowCell::Image1;
    const int i = rowAt(event->position().toPoint(), &cell);
    m_pressRow = 0;
    if (event->button() == Qt::LeftButton && isIconLive(i, cell)) {
        m_pressRow = i;
        m_pressCell = cell;
        if (cell == RowCell::Img_edit) {
            beginEdit(i); // the focus stays where it was
        }
        event->accept();
        return;
    }
    // A click anywhere else in the list ends an edit, as a focus loss does.
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void ScoreListView::mouseReleaseEvent(QMouseEvent* event)
{
    RowCell cell = RowCell::Image1;
    const int i = rowAt(event->position().toPoint(), &cell);
    const bool click = event->button() == Qt::LeftButton && m_pressRow != 0 && i == m_pressRow &&
                       cell == m_pressCell;
    m_pressRow = 0;
    event->accept();
    if (click && cell == RowCell::Img_del && isIconLive(i, cell)) {
        emit deleteClicked(i);
    }
}

void ScoreListView::mouseMoveEvent(QMouseEvent* event)
{
    RowCell cell = RowCell::Image1;
    const int i = rowAt(event->position().toPoint(), &cell);
    if (isIconLive(i, cell)) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void ScoreListView::wheelEvent(QWheelEvent* event)
{
    // Three rows per notch of the wheel.
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0 && m_bar->maximum() > 0) {
        m_bar->setValue(m_bar->value() - notches * kWheelRows * m_bar->singleStep());
    }
    event->accept();
}

void ScoreListView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
        m_bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        m_bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Up:
        m_bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        m_bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_Home:
        m_bar->setValue(0);
        break;
    case Qt::Key_End:
        // The last row at the bottom of the view, not the empty end of the
        // scroll range where every row has left the view.
        if (m_bar->maximum() > 0) {
            m_bar->setValue(
                std::max(0, int(std::ceil(double(m_panelHeight - RowLayout::kViewportHeight) *
                                          RowLayout::kScrollMaximum / m_panelHeight))));
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace velmora::collector
