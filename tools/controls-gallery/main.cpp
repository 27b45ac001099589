// SPDX-License-Identifier: MIT
// A skinned window with a few buttons and a menu label, to look at the
// controls; with --screenshot FILE.png it renders the window to FILE.png and exits.
#include "MenuButton.h"
#include "QQButton.h"
#include "QQForm.h"
#include "Twips.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

using namespace velmora;

namespace {

QPixmap samplePicture(const QColor& colour)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(5, 8), QPointF(7, 11));
    p.drawLine(QPointF(7, 11), QPointF(11, 5));
    return pm;
}

QIcon sampleIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(255, 200, 40));
    p.setPen(QPen(QColor(160, 100, 0), 1));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
    p.setPen(QPen(QColor(30, 62, 147), 1.5));
    p.drawLine(QPointF(4, 6), QPointF(12, 6));
    p.drawLine(QPointF(4, 9), QPointF(10, 9));
    return QIcon(pm);
}

int fail(const QString& message)
{
    QTextStream(stderr) << message << Qt::endl;
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // The screenshot needs no display: choose the offscreen platform before
    // the application starts unless the caller chose one.
    bool screenshot = false;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0 || qstrncmp(argv[i], "--screenshot=", 13) == 0) {
            screenshot = true;
        }
    }
    if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("controls-gallery"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the skinned controls."));
    parser.addHelpOption();
    const QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Render the window to FILE.png and exit."),
                                        QStringLiteral("FILE.png"));
    parser.addOption(shotOption);
    parser.process(app);

    QWidget form;
    form.setObjectName(QStringLiteral("GalleryForm"));
    form.setWindowTitle(QStringLiteral("控件展示 Controls gallery"));
    form.setWindowIcon(sampleIcon());
    form.resize(twipsSize(6300, 4200));

    auto* QQForm1 = new QQForm(&form);
    QQForm1->setObjectName(QStringLiteral("QQForm1"));

    auto* note = new QLabel(&form);
    note->setTextFormat(Qt::PlainText);
    note->setText(QStringLiteral("按钮：仅文字、图片在左、图片在上、已禁用"));
    note->setGeometry(twipsRect(300, 500, 5700, 300));

    auto* QQButton1 = new QQButton(&form);
    QQButton1->setObjectName(QStringLiteral("QQButton1"));
    QQButton1->setCaption(QStringLiteral("确定"));
    QQButton1->setGeometry(twipsRect(300, 900, 1365, 375));
    QQButton1->setKeys(QStringLiteral("o"));

    auto* QQButton2 = new QQButton(&form);
    QQButton2->setObjectName(QStringLiteral("QQButton2"));
    QQButton2->setCaption(QStringLiteral("第一套"));
    QQButton2->setPicture(samplePicture(QColor(60, 160, 80)));
    QQButton2->setButtonStyle(0);
    QQButton2->setGeometry(twipsRect(1900, 900, 1665, 450));

    auto* QQButton3 = new QQButton(&form);
    QQButton3->setObjectName(QStringLiteral("QQButton3"));
    QQButton3->setCaption(QStringLiteral("批改"));
    QQButton3->setPicture(samplePicture(QColor(40, 120, 220)));
    QQButton3->setButtonStyle(1);
    QQButton3->setGeometry(twipsRect(300, 1600, 1365, 900));

    auto* QQButton4 = new QQButton(&form);
    QQButton4->setObjectName(QStringLiteral("QQButton4"));
    QQButton4->setCaption(QStringLiteral("上传成绩"));
    QQButton4->setGeometry(twipsRect(1900, 1600, 1665, 450));
    QQButton4->setEnabled(false);

    auto* MenuButton1 = new MenuButton(&form);
    MenuButton1->setObjectName(QStringLiteral("MenuButton1"));
    MenuButton1->setCaption(QStringLiteral("选择练习"));
    MenuButton1->setGeometry(twipsRect(3900, 900, 1215, 615));

    auto* status = new QLabel(&form);
    status->setTextFormat(Qt::PlainText);
    status->setGeometry(twipsRect(300, 2700, 5700, 300));
    const auto report = [status](const QString& what) { status->setText(what); };
    for (QQButton* b : {QQButton1, QQButton2, QQButton3, QQButton4}) {
        QObject::connect(b, &QQButton::Click, status,
                         [report, b] { report(QStringLiteral("点击：") + b->caption()); });
    }
    QObject::connect(MenuButton1, &MenuButton::Click, status,
                     [report] { report(QStringLiteral("点击：选择练习")); });

    form.show();

    if (!parser.isSet(shotOption)) {
        return app.exec();
    }

    const QString file = parser.value(shotOption);
    QCoreApplication::processEvents();
    QImage image(form.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // Rendering through the window's region leaves its rounded corners clear.
    form.render(&image, QPoint(), form.mask().isEmpty() ? QRegion(form.rect()) : form.mask());

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("Cannot write %1: %2").arg(file, out.errorString()));
    }
    QImageWriter writer(&out, "png");
    if (!writer.write(image)) {
        out.cancelWriting();
        return fail(QStringLiteral("Cannot write %1: %2").arg(file, writer.errorString()));
    }
    if (!out.commit()) {
        return fail(QStringLiteral("Cannot write %1: %2").arg(file, out.errorString()));
    }
    return 0;
}
