#pragma once

#include <QFont>
#include <QRawFont>
#include <QString>
#include <array>

class QPainter;
class QRectF;

// A gauge's readout: a short number drawn from the glyphs of its digits, point and minus sign,
// looked up once per font, instead of laying out and shaping the text again for every new value.
// Any other character (a value that is not a number) falls back to the painter's own drawText.
class ReadoutText
{
public:
    void setFont(const QFont &font);
    // Draws text centred in box, where drawText(box, Qt::AlignCenter, text) puts it.
    void draw(QPainter &p, const QRectF &box, const QString &text);

private:
    static constexpr char16_t Characters[] = u"0123456789.-";
    static constexpr std::size_t Count = std::size(Characters) - 1;
    bool prepare(const QPainter &p);

    QFont font_;
    // Valid for the paint device's resolution it was made for.
    QRawFont raw_;
    int dpi_ = 0;
    bool usable_ = false;
    std::array<quint32, Count> glyphs_{};
    std::array<QPointF, Count> advances_{};
};
