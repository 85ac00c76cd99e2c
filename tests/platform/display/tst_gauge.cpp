#include "platform/display/GaugeShapes.h"
#include "platform/display/GaugeWidget.h"

#include <QAccessible>
#include <QImage>
#include <QTest>

namespace
{
const QString Octagon =
    QStringLiteral("0,100, 100,0, 900,0, 1000,100, 1000,900, 900,1000, 100,1000, 0,900");
}

class TestGauge : public QObject
{
    Q_OBJECT

private slots:
    void parsesPointLists();
    void rejectsBadPointLists_data();
    void rejectsBadPointLists();
    void badShapeKeepsThePreviousOne();
    void compassScale();
    void inclinometerScale();
    void otherScalesUseAnArc();
    void needleValueAndAccessibility();
    void drawsAtAnySize();
};

void TestGauge::parsesPointLists()
{
    const auto octagon = parsePointList(Octagon);
    QVERIFY(octagon);
    QCOMPARE(octagon->size(), 8);
    QCOMPARE(octagon->at(3), QPointF(1000, 100));
    const auto needle = parsePointList(QStringLiteral("0,1000,700,900,-700,900"));
    QVERIFY(needle);
    QCOMPARE(*needle, QPolygonF({QPointF(0, 1000), QPointF(700, 900), QPointF(-700, 900)}));
}

void TestGauge::rejectsBadPointLists_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("two points") << "0,0, 1,1";
    QTest::newRow("odd count") << "0,0, 1,1, 2,2, 3";
    QTest::newRow("word") << "0,0, 1,one, 2,2";
    QTest::newRow("empty field") << "0,0,,1, 2,2";
    QTest::newRow("not finite") << "0,0, 1,inf, 2,2";
    QTest::newRow("semicolons") << "0;0; 1;1; 2;2";
}

void TestGauge::rejectsBadPointLists()
{
    QFETCH(QString, text);
    QVERIFY(!parsePointList(text));
}

void TestGauge::badShapeKeepsThePreviousOne()
{
    GaugeWidget gauge;
    gauge.resize(177, 176);
    QVERIFY(gauge.setFrameOutline(Octagon));
    QVERIFY(!gauge.setFrameOutline(QStringLiteral("garbage")));
    QCOMPARE(gauge.frameOutline().size(), 8);
    const QPolygonF needle = gauge.needleShape();
    QVERIFY(needle.size() >= 3); // a default needle exists before any is set
    QVERIFY(!gauge.setNeedleShape(QStringLiteral("1,2")));
    QCOMPARE(gauge.needleShape(), needle);
    QVERIFY(!gauge.grab().isNull());
}

void TestGauge::compassScale()
{
    const DialScale s = DialScale::forRange(0, 360);
    QVERIFY(s.isFullCircle());
    QCOMPARE(s.angleOf(0), 90.0); // north at the top
    QCOMPARE(s.angleOf(90), 0.0); // east to the right: clockwise
    QCOMPARE(s.angleOf(180), -90.0);
    QCOMPARE(s.angleOf(450), 0.0); // wraps around
    QCOMPARE(s.angleOf(-90), -180.0);
    const std::vector<double> ticks = s.tickValues();
    QCOMPARE(ticks.front(), 0.0);
    QVERIFY(ticks.back() < 360); // 360 would sit on 0
    QCOMPARE(s.labelStep(), 45.0);
}

void TestGauge::inclinometerScale()
{
    const DialScale s = DialScale::forRange(-90, 90);
    QVERIFY(!s.isFullCircle());
    QCOMPARE(s.angleOf(0), 0.0); // level points right
    QCOMPARE(s.angleOf(90), 90.0);
    QCOMPARE(s.angleOf(-45), -45.0);
    QCOMPARE(s.angleOf(120), 90.0); // stops at the end
    const std::vector<double> ticks = s.tickValues();
    QCOMPARE(ticks.front(), -90.0);
    QCOMPARE(ticks.back(), 90.0);
    QCOMPARE(s.labelStep(), 30.0);
}

void TestGauge::otherScalesUseAnArc()
{
    const DialScale s = DialScale::forRange(0, 100);
    QCOMPARE(s.angleOf(0), 225.0);
    QCOMPARE(s.angleOf(100), -45.0);
    QCOMPARE(s.angleOf(-5), 225.0);
    const DialScale bad = DialScale::forRange(5, 5);
    QVERIFY(bad.max > bad.min);
}

void TestGauge::needleValueAndAccessibility()
{
    GaugeWidget gauge;
    gauge.setCaptionText(QStringLiteral("Mast Elevation"));
    gauge.setScale(-90, 90);
    gauge.resize(177, 177);
    gauge.setNeedleValue(-60);
    const QImage left = gauge.grab().toImage();
    gauge.setNeedleValue(12.5);
    QCOMPARE(gauge.accessibleName(), QStringLiteral("Mast Elevation"));
    QTRY_COMPARE(gauge.shownValue(), 12.5);
    // The readout is the description: a screen reader that starts listening finds it as shown.
    QAccessible::setActive(true);
    QVERIFY(gauge.accessibleDescription().contains(QStringLiteral("12.5")));
    QAccessible::setActive(false);
    // The needle is drawn where the value says: another value, another picture.
    QTRY_VERIFY(gauge.grab().toImage() != left);
    gauge.setScale(10, -10); // ignored
    QCOMPARE(gauge.scaleMin(), -90.0);
}

void TestGauge::drawsAtAnySize()
{
    GaugeWidget gauge;
    gauge.setScale(0, 360);
    gauge.setFrameOutline(Octagon);
    gauge.setNeedleValue(1e300);
    for (const QSize size : {QSize(177, 177), QSize(12, 9), QSize(400, 120)}) {
        gauge.resize(size);
        const QImage image = gauge.grab().toImage();
        QCOMPARE(image.size(), size);
    }
    // The face is drawn: a point of the face left of the hub is near white.
    gauge.resize(177, 177);
    gauge.setNeedleValue(0);
    const QImage image = gauge.grab().toImage();
    QVERIFY(image.pixelColor(60, 80).lightness() > 220);
}

QTEST_MAIN(TestGauge)
#include "tst_gauge.moc"
