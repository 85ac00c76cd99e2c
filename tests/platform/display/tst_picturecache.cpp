#include "platform/display/PictureCache.h"

#include <QtTest>

namespace
{

// A disc at a fractional place: antialiased edges show whether a copy lands on the pixels it
// was drawn for.
void paintDisc(QPainter &p, const QColor &colour)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(20.3, 15.6), 6.2, 4.7);
}

const QRectF DiscBounds(13, 10, 15, 12);

QImage canvas(qreal ratio = 1)
{
    QImage image(QSize(40, 30) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(250, 250, 240));
    return image;
}

} // namespace

class TestPictureCache : public QObject
{
    Q_OBJECT

private slots:
    void aKeptPictureIsCopiedWherePaintingWouldPutIt();
    void staysWithinItsBudgetDroppingTheLeastRecentlyUsed();
    void aPictureOverTheBudgetIsPaintedEveryTime();
};

void TestPictureCache::aKeptPictureIsCopiedWherePaintingWouldPutIt()
{
    PictureCache<int> cache(1 << 20);
    for (const qreal ratio : {1.0, 2.0}) {
        QImage direct = canvas(ratio);
        {
            QPainter p(&direct);
            paintDisc(p, Qt::darkRed);
        }
        int paints = 0;
        for (int i = 0; i < 3; ++i) {
            QImage copied = canvas(ratio);
            {
                QPainter p(&copied);
                cache.draw(p, 1, DiscBounds, [&](QPainter &q) {
                    ++paints;
                    paintDisc(q, Qt::darkRed);
                });
            }
            // Drawn once per pixel ratio: the first picture at another ratio is drawn afresh.
            QCOMPARE(paints, 1);
            // Antialiased edges blended through a transparent picture round a little
            // differently from painting in place, but lie where they were.
            for (int y = 0; y < direct.height(); ++y) {
                for (int x = 0; x < direct.width(); ++x) {
                    const QColor a = direct.pixelColor(x, y);
                    const QColor b = copied.pixelColor(x, y);
                    QVERIFY2(
                        std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
                            std::abs(a.blue() - b.blue()) <= 2,
                        qPrintable(QStringLiteral("ratio %1 at %2,%3").arg(ratio).arg(x).arg(y)));
                }
            }
        }
    }
}

void TestPictureCache::staysWithinItsBudgetDroppingTheLeastRecentlyUsed()
{
    // Each picture is 15 x 12 pixels of 4 bytes: the budget holds 10.
    PictureCache<int> cache(10 * 15 * 12 * 4);
    QImage image = canvas();
    QPainter p(&image);
    std::map<int, int> paints;
    const auto draw = [&](int key) {
        cache.draw(p, key, DiscBounds, [&](QPainter &q) {
            ++paints[key];
            paintDisc(q, QColor::fromHsv(key * 7 % 360, 200, 200));
        });
    };
    for (int key = 0; key < 10; ++key)
        draw(key);
    QCOMPARE(cache.count(), 10);
    draw(0);  // used lately again
    draw(10); // over the budget: the least recently used (1) goes
    QCOMPARE(cache.count(), 10);
    draw(0);
    draw(1);
    QCOMPARE(paints[0], 1);
    QCOMPARE(paints[1], 2);
    for (int key = 100; key < 1000; ++key)
        draw(key);
    QCOMPARE(cache.count(), 10);
}

void TestPictureCache::aPictureOverTheBudgetIsPaintedEveryTime()
{
    PictureCache<int> cache(100);
    QImage direct = canvas();
    {
        QPainter p(&direct);
        paintDisc(p, Qt::darkBlue);
    }
    int paints = 0;
    for (int i = 0; i < 2; ++i) {
        QImage painted = canvas();
        {
            QPainter p(&painted);
            cache.draw(p, 1, DiscBounds, [&](QPainter &q) {
                ++paints;
                paintDisc(q, Qt::darkBlue);
            });
        }
        QCOMPARE(painted, direct); // painted in place
    }
    QCOMPARE(paints, 2);
    QCOMPARE(cache.count(), 0);
}

QTEST_MAIN(TestPictureCache)
#include "tst_picturecache.moc"
