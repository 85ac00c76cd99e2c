#include "platform/display/ReadoutText.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>

void ReadoutText::setFont(const QFont &font)
{
    font_ = font;
    raw_ = QRawFont();
    dpi_ = 0;
}

bool ReadoutText::prepare(const QPainter &p)
{
    // The painter sizes a font for its device's resolution; the glyphs must be the same size.
    const int dpi = p.device() ? p.device()->logicalDpiY() : 0;
    if (dpi == dpi_)
        return usable_;
    dpi_ = dpi;
    raw_ = QRawFont::fromFont(p.device() ? QFont(font_, p.device()) : font_);
    const QString characters = QString::fromUtf16(Characters, Count);
    int found = int(Count);
    usable_ =
        raw_.isValid() &&
        raw_.glyphIndexesForChars(characters.constData(), int(Count), glyphs_.data(), &found) &&
        found == int(Count) &&
        std::none_of(glyphs_.begin(), glyphs_.end(), [](quint32 g) { return g == 0; }) &&
        raw_.advancesForGlyphIndexes(glyphs_.data(), advances_.data(), int(Count));
    return usable_;
}

void ReadoutText::draw(QPainter &p, const QRectF &box, const QString &text)
{
    constexpr qsizetype Longest = 16;
    std::array<quint32, Longest> glyphs;
    std::array<QPointF, Longest> positions;
    const auto drawAsText = [&] { p.drawText(box, Qt::AlignCenter, text); };
    if (!prepare(p) || text.size() > Longest)
        return drawAsText();
    const auto *const end = std::begin(Characters) + Count;
    double width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto *at = std::find(std::begin(Characters), end, text[i].unicode());
        if (at == end)
            return drawAsText();
        const auto k = std::size_t(at - std::begin(Characters));
        glyphs[i] = glyphs_[k];
        positions[i] = QPointF(width, 0);
        width += advances_[k].x();
    }
    // One line, centred both ways, on its baseline.
    const double height = raw_.ascent() + raw_.descent();
    const QPointF origin(box.x() + (box.width() - width) / 2,
                         box.y() + (box.height() - height) / 2 + raw_.ascent());
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setRawData(glyphs.data(), positions.data(), int(text.size()));
    p.drawGlyphRun(origin, run);
}
