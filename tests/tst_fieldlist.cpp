// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "clsvar.h"
#include "fieldlist.h"
#include "printerror.h"

#include <QtTest>

class TestFieldList : public QObject
{
    Q_OBJECT

private slots:
    void entryStartsEmpty()
    {
        const clsVar entry;
        QCOMPARE(entry.Key(), QString());
        QVERIFY(!entry.Value().isValid());
        QCOMPARE(entry.valueText(), QString(""));
    }

    void entryKeepsWhatIsSet()
    {
        clsVar entry;
        entry.setKey(QStringLiteral(" Name "));
        entry.setValue(QStringLiteral("Lamp"));
        QCOMPARE(entry.Key(), QStringLiteral(" Name "));
        QCOMPARE(entry.Value().toString(), QStringLiteral("Lamp"));
        entry.setValue(QString());
        QCOMPARE(entry.valueText(), QString());
    }

    void positionsCountFromOne()
    {
        FieldList list;
        for (const char *key : {"name", "colour", "filename"}) {
            clsVar entry;
            entry.setKey(QString::fromLatin1(key));
            list.add(entry);
        }
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.item(1).Key(), QStringLiteral("name"));
        QCOMPARE(list.item(3).Key(), QStringLiteral("filename"));
        list.item(2).setValue(QStringLiteral("red"));
        QCOMPARE(list.find(QStringLiteral("COLOUR"))->valueText(), QStringLiteral("red"));
    }

    void positionOutsideListIsAnError_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("zero") << 0;
        QTest::newRow("past the end") << 3;
        QTest::newRow("negative") << -1;
    }

    void positionOutsideListIsAnError()
    {
        QFETCH(int, position);
        FieldList list;
        clsVar a;
        a.setKey(QStringLiteral("a"));
        list.add(a);
        a.setKey(QStringLiteral("b"));
        list.add(a);
        try {
            (void)list.item(position);
            QFAIL("no error for a position outside the list");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), int(PrintError::PositionPastEnd));
            QVERIFY(error.description().contains(QString::number(position)));
        }
    }

    void keysCollideWithoutRegardToCase_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("collides");
        QTest::newRow("same") << "name"
                              << "name" << true;
        QTest::newRow("upper") << "name"
                               << "NAME" << true;
        QTest::newRow("mixed") << "FileName"
                               << "filename" << true;
        QTest::newRow("accented") << "Ärger"
                                  << "äRGER" << true;
        QTest::newRow("empty twice") << ""
                                     << "" << true;
        QTest::newRow("space differs") << "name"
                                       << "name " << false;
        QTest::newRow("different") << "name"
                                   << "names" << false;
    }

    void keysCollideWithoutRegardToCase()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, collides);
        FieldList list;
        clsVar entry;
        entry.setKey(first);
        list.add(entry);
        entry.setKey(second);
        bool threw = false;
        try {
            list.add(entry);
        } catch (const PrintError &error) {
            threw = true;
            QCOMPARE(error.number(), int(PrintError::RepeatedFieldName));
        }
        QCOMPARE(threw, collides);
        QCOMPARE(list.count(), collides ? 1 : 2);
    }

    void clearEmptiesTheList()
    {
        FieldList list;
        clsVar entry;
        entry.setKey(QStringLiteral("a"));
        list.add(entry);
        list.clear();
        QCOMPARE(list.count(), 0);
        QVERIFY(!list.contains(QStringLiteral("a")));
        list.add(entry); // the key is free again
        QCOMPARE(list.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFieldList)
#include "tst_fieldlist.moc"
