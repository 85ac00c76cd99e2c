// The numeric checks, the "00" rounding and the time stamp, in several locales.
#include "setup/NumberInput.h"
#include "setup/TimeStamp.h"

#include <QTest>

using namespace Qt::StringLiterals;

class NumberInputTest : public QObject
{
    Q_OBJECT

private slots:
    void alarmAngle_data();
    void alarmAngle();
    void alarmPhone_data();
    void alarmPhone();
    void timeStampHasNoZone_data();
    void timeStampHasNoZone();
};

namespace
{
const QString Refused = QStringLiteral("<refused>");
}

void NumberInputTest::alarmAngle_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sent");

    struct Case {
        const char *locale;
        const char *text;
        QString sent;
    };
    const Case cases[] = {
        {"C", "5", u"05"_s},         {"C", " 7 ", u"07"_s},      {"C", "45", u"45"_s},
        {"C", "7.6", u"08"_s},       {"C", "89.6", u"90"_s},     {"C", "0.5", u"01"_s},
        {"C", "2.5", u"03"_s},       {"C", "90", u"90"_s},       {"C", "0", u"00"_s},
        {"C", "-0", u"00"_s},        {"C", "+5", u"05"_s},       {"C", "4.5e1", u"45"_s},
        {"C", "90.4", Refused},      {"C", "-1", Refused},       {"C", "-0.4", Refused},
        {"C", "", Refused},          {"C", "   ", Refused},      {"C", "UNKNOWN", Refused},
        {"C", "abc", Refused},       {"C", "1 2", Refused},      {"C", "inf", Refused},
        {"C", "nan", Refused},       {"C", "5abc", Refused},     {"C", "7,6", Refused},
        {"de_DE", "7,6", u"08"_s},   {"de_DE", "89,6", u"90"_s}, {"de_DE", "7.6", Refused},
        {"de_DE", "1.000", Refused}, {"fr_FR", "7,6", u"08"_s},  {"fr_FR", "1 2", Refused},
        {"fr_FR", "5", u"05"_s},     {"en_US", "7.6", u"08"_s},  {"en_US", "1,000", Refused},
    };
    for (const Case &c : cases)
        QTest::addRow("%s '%s'", c.locale, c.text) << c.locale << c.text << c.sent;
}

void NumberInputTest::alarmAngle()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, sent);
    const std::optional<QString> angle = NumberInput::alarmAngle(text, QLocale(locale));
    QCOMPARE(angle.value_or(Refused), sent);
}

void NumberInputTest::alarmPhone_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sent");

    struct Case {
        const char *locale;
        const char *text;
        QString sent;
    };
    const Case cases[] = {
        {"C", " 012 ", u"012"_s},       {"C", "0", u"0"_s},         {"C", "5551234", u"5551234"_s},
        {"C", "-5", Refused},           {"C", "-0", Refused},       {"C", "12 34", Refused},
        {"C", "0-12", Refused},         {"C", "", Refused},         {"C", "UNKNOWN", Refused},
        {"C", "abc", Refused},          {"de_DE", "012", u"012"_s}, {"fr_FR", "1 234", Refused},
        {"fr_FR", " 0612 ", u"0612"_s},
    };
    for (const Case &c : cases)
        QTest::addRow("%s '%s'", c.locale, c.text) << c.locale << c.text << c.sent;
}

void NumberInputTest::alarmPhone()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, sent);
    const std::optional<QString> number = NumberInput::alarmPhone(text, QLocale(locale));
    QCOMPARE(number.value_or(Refused), sent);
}

void NumberInputTest::timeStampHasNoZone_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("C") << "C"
                       << "15:04:05";
    QTest::newRow("de_DE") << "de_DE"
                           << "15:04:05";
    QTest::newRow("fr_FR") << "fr_FR"
                           << "15:04:05";
    QTest::newRow("en_US") << "en_US"
                           << "3:04:05 PM";
}

void NumberInputTest::timeStampHasNoZone()
{
    QFETCH(QString, locale);
    QFETCH(QString, stamp);
    QCOMPARE(timeStamp(QTime(15, 4, 5), QLocale(locale)), stamp);
    QVERIFY(!timeFormatWithoutZone(QLocale(locale)).contains(u't'));
}

QTEST_GUILESS_MAIN(NumberInputTest)
#include "tst_numberinput.moc"
