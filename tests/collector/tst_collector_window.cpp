// SPDX-License-Identifier: MIT
#include "form1.h"

#include <QTest>

class TestCollectorWindow : public QObject
{
    Q_OBJECT
private slots:
    void opens() {}
};

QTEST_MAIN(TestCollectorWindow)
#include "tst_collector_window.moc"
