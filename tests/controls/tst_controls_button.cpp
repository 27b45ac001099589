// SPDX-License-Identifier: MIT
#include "Artwork.h"
#include "MenuButton.h"
#include "PropertyBag.h"
#include "QQButton.h"
#include "RecordingPropertyBag.h"
#include "Twips.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

using namespace velmora;

namespace {

bool near(const QColor& a, const QColor& b, int tolerance = 2)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

QPixmap redPicture()
{
    QPixmap pm(16, 16);
    pm.fill(QColor(255, 0, 0));
    return pm;
}

// The two skins on the shared button base, for the tables that hold for both.
enum class Kind
{
    Push, // QQButton
    Menu  // MenuButton
};

SkinnedButton* makeButton(Kind kind, QWidget* parent)
{
    if (kind == Kind::Push) {
        auto* b = new QQButton(parent);
        b->setGeometry(twipsRect(300, 300, 1365, 375));
        return b;
    }
    auto* m = new MenuButton(parent);
    m->setGeometry(twipsRect(300, 300, 1800, 900));
    return m;
}

void setCaption(SkinnedButton* b, const QString& caption)
{
    if (auto* push = qobject_cast<QQButton*>(b)) {
        push->setCaption(caption);
    } else {
        qobject_cast<MenuButton*>(b)->setCaption(caption);
    }
}

// The skin's own Click, which the hosts connect to.
std::unique_ptr<QSignalSpy> clickSpy(SkinnedButton* b)
{
    if (auto* push = qobject_cast<QQButton*>(b)) {
        return std::make_unique<QSignalSpy>(push, &QQButton::Click);
    }
    return std::make_unique<QSignalSpy>(qobject_cast<MenuButton*>(b), &MenuButton::Click);
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestQQButton : public QObject
{
    Q_OBJECT

    int m_moves = 0;

    struct Fixture
    {
        std::unique_ptr<QWidget> host;
        QQButton* button = nullptr;
    };

    Fixture make(QRect geometry = twipsRect(300, 300, 1365, 375))
    {
        Fixture f;
        f.host = std::make_unique<QWidget>();
        f.host->resize(300, 200);
        f.button = new QQButton(f.host.get());
        f.button->setGeometry(geometry);
        f.host->show();
        QApplication::setActiveWindow(f.host.get());
        if (!QTest::qWaitForWindowActive(f.host.get())) {
            qWarning("host window not active");
        }
        return f;
    }

    // Moves the pointer to a point of the button, never to the same global
    // point twice in a row (such moves would be dropped).
    void moveInside(QQButton* b) { QTest::mouseMove(b, QPoint(10 + m_moves++ % 40, 10)); }

private slots:
    void faces_data()
    {
        QTest::addColumn<QString>("steps"); // i: move inside, o: move outside,
                                            // L/R: press left/right, u: release, d: disable,
                                            // E: Enter, A: access key, F: focus taken away,
                                            // W: another window activated
        QTest::addColumn<int>("face");
        QTest::addColumn<bool>("hovering");

        QTest::newRow("created normal") << QString() << 1 << false;
        QTest::newRow("disabled") << u"d"_qs << 0 << false;
        QTest::newRow("hover on move inside") << u"i"_qs << 2 << true;
        QTest::newRow("move out again") << u"io"_qs << 1 << false;
        QTest::newRow("left press: pressed") << u"iL"_qs << 3 << true;
        QTest::newRow("right press: no pressed face") << u"iR"_qs << 2 << true;
        QTest::newRow("release: normal") << u"iLu"_qs << 1 << false;
        QTest::newRow("hover again after release") << u"iLui"_qs << 2 << true;
        // A click from the keyboard lets go of the pointer, so that what the
        // click opens can be used with the mouse.
        QTest::newRow("Enter while hovering") << u"iLuiE"_qs << 1 << false;
        QTest::newRow("access key while hovering") << u"iLuiA"_qs << 1 << false;
        QTest::newRow("Enter before any left press, hovering") << u"iE"_qs << 1 << false;
        QTest::newRow("focus lost while hovering") << u"iF"_qs << 1 << false;
        QTest::newRow("window deactivated while hovering") << u"iW"_qs << 1 << false;
    }

    void faces()
    {
        QFETCH(QString, steps);
        QFETCH(int, face);
        QFETCH(bool, hovering);
        Fixture f = make();
        QQButton* b = f.button;
        b->setKeys(u"k"_qs);
        b->setFocus();
        QWidget other;
        Qt::MouseButton held = Qt::NoButton;
        for (const QChar s : steps) {
            switch (s.unicode()) {
            case 'i':
                moveInside(b);
                break;
            case 'o':
                QTest::mouseMove(f.host.get(), QPoint(5 + m_moves++ % 5, 190));
                break;
            case 'L':
                held = Qt::LeftButton;
                QTest::mousePress(b, held, {}, QPoint(20, 10));
                break;
            case 'R':
                held = Qt::RightButton;
                QTest::mousePress(b, held, {}, QPoint(20, 10));
                break;
            case 'u':
                QTest::mouseRelease(b, held, {}, QPoint(20, 10));
                held = Qt::NoButton;
                break;
            case 'd':
                b->setEnabled(false);
                break;
            case 'E':
                QTest::keyClick(b, Qt::Key_Return);
                break;
            case 'A':
                QTest::keyClick(f.host.get(), Qt::Key_K, Qt::AltModifier);
                break;
            case 'F':
                b->clearFocus();
                break;
            case 'W':
                other.show();
                QApplication::setActiveWindow(&other);
                QVERIFY(QTest::qWaitForWindowActive(&other));
                break;
            }
        }
        QCOMPARE(static_cast<int>(b->face()), face);
        QCOMPARE(b->hovering(), hovering);
        QCOMPARE(QWidget::mouseGrabber() == b, hovering);
        // The painted body is the chosen face's body.
        const QImage skin = artwork::buttonFace(face);
        const QImage img = b->surface().toImage();
        QVERIFY(near(img.pixelColor(0, img.height() / 2), skin.pixelColor(0, 8)));
        QVERIFY(near(img.pixelColor(img.width() - 1, 1), skin.pixelColor(44, 1)));
        if (held != Qt::NoButton) {
            QTest::mouseRelease(b, held, {}, QPoint(20, 10));
        }
        b->releaseMouse();
    }

    void clickRules_data()
    {
        QTest::addColumn<QString>("steps"); // L/R: click left/right, E: Enter, A: Alt+access key
        QTest::addColumn<int>("clicks");

        QTest::newRow("left click") << u"L"_qs << 1;
        QTest::newRow("right click") << u"R"_qs << 0;
        QTest::newRow("Enter before any left press") << u"E"_qs << 0;
        QTest::newRow("access key before any left press") << u"A"_qs << 0;
        QTest::newRow("Enter after a left click") << u"LE"_qs << 2;
        QTest::newRow("access key after a left click") << u"LA"_qs << 2;
        QTest::newRow("right press clears the left press") << u"LRE"_qs << 1;
        QTest::newRow("a later left press sets it again") << u"LRLE"_qs << 3;
        QTest::newRow("double-click clicks once") << u"D"_qs << 1;
    }

    void clickRules()
    {
        QFETCH(QString, steps);
        QFETCH(int, clicks);
        Fixture f = make();
        QQButton* b = f.button;
        b->setCaption(u"OK"_qs);
        b->setKeys(u"ok"_qs);
        b->setFocus();
        QSignalSpy spy(b, &QQButton::Click);
        for (const QChar s : steps) {
            switch (s.unicode()) {
            case 'L':
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
                break;
            case 'R':
                QTest::mouseClick(b, Qt::RightButton, {}, QPoint(20, 10));
                break;
            case 'D': // press, release, the second press, release
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
                QTest::mouseDClick(b, Qt::LeftButton, {}, QPoint(20, 10));
                QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
                break;
            case 'E':
                QTest::keyClick(b, Qt::Key_Return);
                break;
            case 'A':
                QTest::keyClick(f.host.get(), Qt::Key_O, Qt::AltModifier);
                break;
            }
        }
        QCOMPARE(spy.count(), clicks);
        b->releaseMouse();
    }

    void releaseOutsideIsNoClick()
    {
        Fixture f = make();
        QSignalSpy spy(f.button, &QQButton::Click);
        QTest::mousePress(f.button, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(f.button, Qt::LeftButton, {}, QPoint(200, 100));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(static_cast<int>(f.button->face()), 1);
    }

    void mouseEventsCarryTwips()
    {
        Fixture f = make();
        QSignalSpy down(f.button, &QQButton::MouseDown);
        QSignalSpy up(f.button, &QQButton::MouseUp);
        QTest::mousePress(f.button, Qt::RightButton, Qt::ShiftModifier, QPoint(10, 5));
        QTest::mouseRelease(f.button, Qt::RightButton, Qt::ShiftModifier, QPoint(12, 6));
        QCOMPARE(down.count(), 1);
        QCOMPARE(down.at(0).at(0).toInt(), 2);
        QCOMPARE(down.at(0).at(1).toInt(), 1);
        QCOMPARE(down.at(0).at(2).toFloat(), 150.0f);
        QCOMPARE(down.at(0).at(3).toFloat(), 75.0f);
        QCOMPARE(up.at(0).at(2).toFloat(), 180.0f);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("read");
        QTest::newRow("word gives its first letter upper-cased") << u"quit"_qs << u"Q"_qs;
        QTest::newRow("capital stays") << u"Save"_qs << u"S"_qs;
        QTest::newRow("empty removes the key") << QString() << QString();
    }

    void keys()
    {
        QFETCH(QString, set);
        QFETCH(QString, read);
        Fixture f = make();
        f.button->setKeys(u"x"_qs);
        f.button->setKeys(set);
        QCOMPARE(f.button->keys(), read);
        QSignalSpy spy(f.button, &QQButton::Click);
        QTest::mouseClick(f.button, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::keyClick(f.host.get(), Qt::Key_X, Qt::AltModifier); // the old key is gone
        if (!read.isEmpty()) {
            QTest::keyClick(f.host.get(), Qt::Key(read.at(0).unicode()), Qt::AltModifier);
        }
        QCOMPARE(spy.count(), read.isEmpty() ? 1 : 2);
    }

    void foreColorAfterPainting_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("caption printed: button text colour") << u"Go"_qs << true << 0x80000012u;
        QTest::newRow("disabled caption: button text colour") << u"Go"_qs << false << 0x80000012u;
        QTest::newRow("no caption keeps the set value") << QString() << true << 0x000000FFu;
    }

    void foreColorAfterPainting()
    {
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        QFETCH(quint32, expected);
        Fixture f = make();
        f.button->setCaption(caption);
        f.button->setEnabled(enabled);
        f.button->setForeColor(0x000000FFu);
        QCOMPARE(f.button->foreColor(), expected);
    }

    void layout_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("withPicture");
        QTest::addColumn<bool>("pictureDrawn");
        QTest::addColumn<bool>("captionDrawn");

        QTest::newRow("style 0, both") << 0 << u"Mark"_qs << true << true << true;
        QTest::newRow("style 1, both") << 1 << u"Mark"_qs << true << true << true;
        QTest::newRow("style 2, both: only the face") << 2 << u"Mark"_qs << true << false << false;
        QTest::newRow("style 2, caption alone") << 2 << u"Mark"_qs << false << false << true;
        QTest::newRow("style 0, caption alone") << 0 << u"Mark"_qs << false << false << true;
        QTest::newRow("style 1, picture alone") << 1 << QString() << true << true << false;
        QTest::newRow("nothing") << 0 << QString() << false << false << false;
    }

    void layout()
    {
        QFETCH(int, style);
        QFETCH(QString, caption);
        QFETCH(bool, withPicture);
        QFETCH(bool, pictureDrawn);
        QFETCH(bool, captionDrawn);
        // 1365 x 375 twips for both-in-a-row layouts, taller for style 1.
        const int hTwips = style == 1 ? 900 : 375;
        Fixture f = make(twipsRect(300, 300, 1365, hTwips));
        QQButton* b = f.button;
        b->setButtonStyle(style);
        b->setCaption(caption);
        if (withPicture) {
            b->setPicture(redPicture());
        }
        const QFontMetrics fm(b->font());
        const double W = 1365;
        const double H = hTwips;
        const double PW = 240;
        const double PH = 240;
        const double TW = pixelsToTwips(fm.horizontalAdvance(caption));
        const double TH = pixelsToTwips(fm.height());
        auto px = [](double twips) { return twipsToPixels(static_cast<int>(std::lround(twips))); };

        QCOMPARE(!b->pictureRect().isNull(), pictureDrawn);
        QCOMPARE(b->captionPos() != QPoint(-1, -1), captionDrawn);
        QPoint expectedPicture;
        QPoint expectedCaption;
        if (withPicture && !caption.isEmpty() && style == 0) {
            expectedPicture = QPoint(px((W - PW - TW) / 3), px((H - PH) / 2));
            expectedCaption = QPoint(px(PW + 2 * (W - PW - TW) / 3), px((H - TH) / 2));
        } else if (withPicture && !caption.isEmpty() && style == 1) {
            expectedPicture = QPoint(px((W - PW) / 2), px((H - PH - TH) / 3));
            expectedCaption = QPoint(px((W - TW) / 2), px(PH + 2 * (H - TH - PH) / 3));
        } else if (withPicture) {
            expectedPicture = QPoint(px((W - PW) / 2), px((H - PH) / 2));
        } else {
            expectedCaption = QPoint(px((W - TW) / 2), px((H - TH) / 2));
        }
        const QImage img = b->surface().toImage();
        if (pictureDrawn) {
            QCOMPARE(b->pictureRect(), QRect(expectedPicture, QSize(16, 16)));
            QCOMPARE(img.pixelColor(expectedPicture + QPoint(8, 8)), QColor(255, 0, 0));
        }
        if (captionDrawn) {
            QCOMPARE(b->captionPos(), expectedCaption);
            // Text in the button-text colour lies right of and below the position.
            int dark = 0;
            for (int y = expectedCaption.y(); y < expectedCaption.y() + fm.height(); ++y) {
                for (int x = expectedCaption.x();
                     x < expectedCaption.x() + fm.horizontalAdvance(caption); ++x) {
                    dark += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
                }
            }
            QVERIFY(dark > 0);
        }
        // No red anywhere when the picture was not drawn.
        if (!pictureDrawn) {
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x) {
                    QVERIFY(img.pixelColor(x, y) != QColor(255, 0, 0));
                }
            }
        }
    }

    void disabledCaptionIsEngraved()
    {
        Fixture f = make(twipsRect(300, 300, 1800, 450));
        QFont big = f.button->font();
        big.setPixelSize(16);
        big.setBold(true);
        f.button->setFont(big);
        f.button->setCaption(u"HH"_qs);
        f.button->setEnabled(false);
        const QImage img = f.button->surface().toImage();
        int grey = 0;
        int whiteBelowRight = 0;
        for (int y = 0; y + 1 < img.height(); ++y) {
            for (int x = 0; x + 1 < img.width(); ++x) {
                if (img.pixelColor(x, y) == QColor(128, 128, 128)) {
                    ++grey;
                    const QColor c = img.pixelColor(x + 1, y + 1);
                    whiteBelowRight += c == QColor(255, 255, 255) ? 1 : 0;
                }
            }
        }
        QVERIFY(grey > 10);
        QVERIFY(whiteBelowRight > 0);
        // Over face 0: its outline and its orange ring.
        QVERIFY(near(img.pixelColor(0, img.height() / 2), QColor(51, 107, 164)));
        QVERIFY(near(img.pixelColor(1, img.height() / 2), QColor(251, 184, 51)));
    }

    void faceSkins_data()
    {
        QTest::addColumn<int>("face");
        QTest::addColumn<QColor>("outline");
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("bottom");
        QTest::newRow("disabled") << 0 << QColor(51, 107, 164) << QColor(236, 247, 255)
                                  << QColor(158, 210, 255);
        QTest::newRow("normal") << 1 << QColor(35, 96, 177) << QColor(236, 248, 255)
                                << QColor(157, 211, 255);
        QTest::newRow("hover") << 2 << QColor(35, 96, 177) << QColor(242, 250, 255)
                               << QColor(183, 225, 255);
        QTest::newRow("pressed") << 3 << QColor(35, 96, 177) << QColor(155, 201, 238)
                                 << QColor(202, 235, 253);
    }

    void faceSkins()
    {
        QFETCH(int, face);
        QFETCH(QColor, outline);
        QFETCH(QColor, top);
        QFETCH(QColor, bottom);
        const QImage img = artwork::buttonFace(face);
        QCOMPARE(img.size(), QSize(45, 20));
        QCOMPARE(img.pixelColor(20, 0), outline);
        QCOMPARE(img.pixelColor(0, 10), outline);
        QCOMPARE(img.pixelColor(44, 10), outline);
        QCOMPARE(img.pixelColor(20, 19), outline);
        // The body runs from the top colour to the bottom colour.
        const int inset = face == 0 ? 3 : 2;
        QVERIFY(near(img.pixelColor(20, inset), top, 30));
        QVERIFY(near(img.pixelColor(20, 19 - inset), bottom, 30));
        const bool darkerAtTop = qGray(img.pixel(20, inset)) < qGray(img.pixel(20, 19 - inset));
        QCOMPARE(darkerAtTop, face == 3);
        if (face == 1) {
            QCOMPARE(img.pixelColor(20, 1), QColor(255, 255, 255));
            QCOMPARE(img.pixelColor(20, 18), QColor(186, 244, 255));
        }
    }

    void storedProperties_data()
    {
        QTest::addColumn<bool>("changeAll");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("defaults store nothing") << false << QStringList();
        // A painted caption puts ForeColor back to its default, so it is not stored.
        QTest::newRow("everything set, in order")
            << true << QStringList{u"Style"_qs, u"Picture"_qs, u"Caption"_qs,
                                   u"Font"_qs,  u"Enabled"_qs, u"Keys"_qs};
    }

    void storedProperties()
    {
        QFETCH(bool, changeAll);
        QFETCH(QStringList, stored);
        Fixture f = make();
        QQButton* b = f.button;
        QFont font = b->font();
        if (changeAll) {
            b->setButtonStyle(1);
            b->setPicture(redPicture());
            font.setPointSize(font.pointSize() + 3);
            b->setFont(font);
            b->setEnabled(false);
            b->setKeys(u"k"_qs);
            b->setForeColor(0x00FF00u);
            b->setCaption(u"Go"_qs);
        }
        PropertyBag bag;
        b->writeProperties(bag);
        QCOMPARE(bag.names(), stored);

        // Through bytes and back into a new button.
        const auto copy = PropertyBag::fromBytes(bag.toBytes());
#ifdef Q_OS_WIN
        // Open: the static MinGW Qt cannot stream a QVariant holding a QString
        // ("QVariant::save: unable to save type 'QString'"). XPASS once mended.
        QEXPECT_FAIL("everything set, in order", "QVariant(QString) streaming in the static Qt",
                     Abort);
#endif
        QVERIFY(copy.has_value());
        auto* other = new QQButton(f.host.get());
        RecordingPropertyBag read(*copy);
        other->readProperties(read);
        QCOMPARE(read.reads(), (QStringList{u"Style"_qs, u"Enabled"_qs, u"Caption"_qs, u"Font"_qs,
                                            u"Picture"_qs, u"ForeColor"_qs, u"Keys"_qs}));
        QCOMPARE(other->buttonStyle(), b->buttonStyle());
        QCOMPARE(other->isEnabled(), b->isEnabled());
        QCOMPARE(other->font(), b->font());
        QCOMPARE(other->picture().toImage(), b->picture().toImage());
        QCOMPARE(other->foreColor(), b->foreColor());
        QCOMPARE(other->keys(), b->keys());
        QCOMPARE(other->caption(), b->caption());
    }

    void storedForeColorWithoutCaption()
    {
        Fixture f = make();
        f.button->setForeColor(0x00FF00u);
        PropertyBag bag;
        f.button->writeProperties(bag);
        QCOMPARE(bag.names(), QStringList{u"ForeColor"_qs});
        QCOMPARE(bag.readProperty(u"ForeColor"_qs, 0u).toUInt(), 0x00FF00u);
    }

    void storedKeysBecomeAccessKeysUnchanged()
    {
        Fixture f = make();
        PropertyBag bag;
        bag.writeProperty(u"Keys"_qs, u"ab"_qs, QString());
        f.button->readProperties(bag);
        QCOMPARE(f.button->keys(), u"ab"_qs);
        QSignalSpy spy(f.button, &QQButton::Click);
        QTest::mouseClick(f.button, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::keyClick(f.host.get(), Qt::Key_B, Qt::AltModifier);
        QCOMPARE(spy.count(), 2);
    }

    void settingMarksChanged_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<bool>("marks");
        QTest::newRow("Caption") << u"Caption"_qs << true;
        QTest::newRow("Style") << u"Style"_qs << true;
        QTest::newRow("ForeColor") << u"ForeColor"_qs << true;
        QTest::newRow("Keys does not") << u"Keys"_qs << false;
    }

    void settingMarksChanged()
    {
        QFETCH(QString, property);
        QFETCH(bool, marks);
        Fixture f = make();
        QSignalSpy spy(f.button, &QQButton::propertyChanged);
        const QVariant value = property == u"Caption"_qs ? QVariant(u"x"_qs)
                               : property == u"Keys"_qs  ? QVariant(u"x"_qs)
                               : property == u"Style"_qs ? QVariant(1)
                                                         : QVariant(quint32(5));
        QVERIFY(f.button->setProperty(property.toLatin1().constData(), value));
        QCOMPARE(spy.count(), marks ? 1 : 0);
        if (marks) {
            QCOMPARE(spy.at(0).at(0).toString(), property);
        }
    }

    // The button base: keyboard, focus, auto-repeat and accessibility, for
    // both skins.

    void keyboard_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("caption");
        // ' ': Space, E: Enter, M: Alt and the caption's mnemonic letter,
        // K: that letter also made an access key, L: left click, X: Space
        // held then Escape, d: disable
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("clicks");

        QTest::newRow("push button: Space clicks, no mouse needed")
            << Kind::Push << u"OK"_qs << u" "_qs << 1;
        QTest::newRow("push button: Space counts as a left press for Enter")
            << Kind::Push << u"OK"_qs << u" E"_qs << 2;
        QTest::newRow("push button: mnemonic before any press")
            << Kind::Push << u"&Save"_qs << u"M"_qs << 0;
        QTest::newRow("push button: mnemonic after a left click")
            << Kind::Push << u"&Save"_qs << u"LM"_qs << 2;
        QTest::newRow("push button: mnemonic that is also an access key")
            << Kind::Push << u"&Save"_qs << u"KLM"_qs << 2;
        QTest::newRow("push button: Escape lets go of Space unclicked")
            << Kind::Push << u"OK"_qs << u"X"_qs << 0;
        QTest::newRow("push button: disabled takes no key")
            << Kind::Push << u"&Save"_qs << u" LdE M"_qs << 2;
        QTest::newRow("menu label: Space") << Kind::Menu << u"Go"_qs << u" "_qs << 1;
        QTest::newRow("menu label: Enter") << Kind::Menu << u"Go"_qs << u"E"_qs << 1;
        QTest::newRow("menu label: mnemonic") << Kind::Menu << u"&Menu"_qs << u"M"_qs << 1;
        QTest::newRow("menu label: disabled takes no key")
            << Kind::Menu << u"&Menu"_qs << u"dE M"_qs << 0;
    }

    void keyboard()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, caption);
        QFETCH(QString, steps);
        QFETCH(int, clicks);
        QWidget host;
        host.resize(300, 200);
        SkinnedButton* b = makeButton(kind, &host);
        setCaption(b, caption);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        b->setFocus();
        const auto spy = clickSpy(b);
        const auto mnemonic = Qt::Key(caption.at(caption.indexOf(u'&') + 1).toUpper().unicode());
        for (const QChar s : steps) {
            switch (s.unicode()) {
            case ' ':
                QTest::keyClick(b, Qt::Key_Space);
                break;
            case 'E':
                QTest::keyClick(b, Qt::Key_Return);
                break;
            case 'M':
                QTest::keyClick(&host, mnemonic, Qt::AltModifier);
                break;
            case 'K':
                b->setAccessKeys(QString(QChar(mnemonic)));
                break;
            case 'L':
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, 4));
                break;
            case 'X':
                QTest::keyPress(b, Qt::Key_Space);
                QVERIFY(b->isDown());
                if (auto* push = qobject_cast<QQButton*>(b)) {
                    QCOMPARE(push->face(), QQButton::Face::Pressed);
                }
                QTest::keyClick(b, Qt::Key_Escape);
                QTest::keyRelease(b, Qt::Key_Space);
                QVERIFY(!b->isDown());
                if (auto* push = qobject_cast<QQButton*>(b)) {
                    QCOMPARE(push->face(), QQButton::Face::Normal);
                }
                break;
            case 'd':
                b->setEnabled(false);
                break;
            }
        }
        QCOMPARE(spy->count(), clicks);
    }

    // The mark shows only for focus from the keyboard; otherwise a focused
    // button looks exactly as it did unfocused.
    void focusMark_data()
    {
        QTest::addColumn<Kind>("kind");
        // tab, backtab, shared access key, mouse, code, tab then another
        // window and back, tab then away
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("marked");

        for (const Kind kind : {Kind::Push, Kind::Menu}) {
            const char* name = kind == Kind::Push ? "push button" : "menu label";
            auto row = [&](const char* how, bool marked) {
                QTest::addRow("%s: %s", name, how) << kind << QString::fromLatin1(how) << marked;
            };
            row("tab", true);
            row("backtab", true);
            row("shared access key", true);
            row("mouse", false);
            row("code", false);
            row("tab, other window, back", true);
            row("tab, then away", false);
        }
    }

    void focusMark()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, how);
        QFETCH(bool, marked);
        QWidget host;
        host.resize(300, 200);
        auto* before = new QLineEdit(&host);
        before->setGeometry(0, 0, 50, 20);
        SkinnedButton* b = makeButton(kind, &host);
        SkinnedButton* twin = makeButton(kind, &host); // shares the access key
        twin->move(0, 150);
        auto* after = new QLineEdit(&host);
        after->setGeometry(100, 0, 50, 20);
        b->setAccessKeys(u"K"_qs);
        twin->setAccessKeys(u"K"_qs);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        before->setFocus();
        const QImage unfocused = b->grab().toImage();

        if (how == u"tab" || how.startsWith(u"tab,")) {
            QTest::keyClick(before, Qt::Key_Tab);
        } else if (how == u"backtab") {
            twin->setFocusPolicy(Qt::NoFocus);
            after->setFocus();
            QTest::keyClick(after, Qt::Key_Backtab);
        } else if (how == u"shared access key") {
            // Which of the two comes first depends on earlier presses.
            QTest::keyClick(&host, Qt::Key_K, Qt::AltModifier);
            if (QApplication::focusWidget() == twin) {
                std::swap(b, twin);
            }
        } else if (how == u"mouse") {
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, 4));
        } else if (how == u"code") {
            b->setFocus();
        }
        QCOMPARE(QApplication::focusWidget(), b);
        if (how == u"tab, other window, back") {
            QWidget other;
            other.show();
            QApplication::setActiveWindow(&other);
            QVERIFY(QTest::qWaitForWindowActive(&other));
            QApplication::setActiveWindow(&host);
            QVERIFY(QTest::qWaitForWindowActive(&host));
            QCOMPARE(QApplication::focusWidget(), b);
        } else if (how == u"tab, then away") {
            QTest::keyClick(b, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), twin);
        }
        QCOMPARE(b->showsFocusMark(), marked);

        const QImage shown = b->grab().toImage();
        // The mark's dots start at the corner three pixels in, every other pixel.
        const QColor mark = kind == Kind::Push ? QColor(artwork::kButtonFocusMark)
                                               : b->palette().color(QPalette::WindowText);
        const int bottom = shown.height() - 4;
        for (const QPoint& dot :
             {QPoint(3, 3), QPoint(5, 3), QPoint(3, 5),
              QPoint(shown.width() / 2 + (shown.width() / 2 + bottom) % 2, bottom)}) {
            QCOMPARE(shown.pixelColor(dot) == mark, marked);
        }
        if (kind == Kind::Push && !marked) {
            // Nothing else changed the push button's face: it looks the same.
            QCOMPARE(shown, unfocused);
        }
        b->releaseMouse();
    }

    void autoRepeat_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("bySpace");
        QTest::newRow("push button held with the mouse") << Kind::Push << false;
        QTest::newRow("push button held with Space") << Kind::Push << true;
        QTest::newRow("menu label held with the mouse") << Kind::Menu << false;
    }

    void autoRepeat()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, bySpace);
        QWidget host;
        host.resize(300, 200);
        SkinnedButton* b = makeButton(kind, &host);
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(30);
        b->setAutoRepeatInterval(10);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        b->setFocus();
        const auto spy = clickSpy(b);
        if (bySpace) {
            QTest::keyPress(b, Qt::Key_Space);
        } else {
            QTest::mousePress(b, Qt::LeftButton, {}, QPoint(4, 4));
        }
        QTRY_VERIFY(spy->count() >= 3);
        if (bySpace) {
            QTest::keyRelease(b, Qt::Key_Space);
        } else {
            QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(4, 4));
        }
        QVERIFY(!b->isDown());
        b->releaseMouse();
    }

    void accessible_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        QTest::newRow("push button") << Kind::Push << u"保存成绩"_qs << u"保存成绩"_qs;
        QTest::newRow("push button, mnemonic")
            << Kind::Push << u"&Save && go"_qs << u"Save & go"_qs;
        QTest::newRow("menu label") << Kind::Menu << u"选择练习"_qs << u"选择练习"_qs;
        QTest::newRow("menu label, mnemonic") << Kind::Menu << u"&Menu"_qs << u"Menu"_qs;
    }

    void accessible()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, caption);
        QFETCH(QString, name);
        QWidget host;
        host.resize(300, 200);
        SkinnedButton* b = makeButton(kind, &host);
        setCaption(b, caption);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QVERIFY(iface->state().focusable);
        if (auto* menu = qobject_cast<MenuButton*>(b)) {
            QCOMPARE(menu->label()->text(), name); // shown without the marker
        }
        // A screen reader's press is a click, also of a push button that the
        // mouse never pressed.
        const auto spy = clickSpy(b);
        QAccessibleActionInterface* actions = iface->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(spy->count(), 1);
    }
};

QTEST_MAIN(TestQQButton)
#include "tst_controls_button.moc"
