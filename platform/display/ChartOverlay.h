#pragma once

#include <QColor>
#include <QFont>
#include <QRegion>
#include <QString>
#include <array>
#include <optional>
#include <qcustomplot.h>

// What the strip chart draws over its traces: the trace captions, a notice line, the cursor
// line, the white scaling handles and the divider between the two plotting areas. It also answers
// where those are, so the mouse can grab them.
class ChartOverlay : public QCPLayerable
{
public:
    enum class Handle { None, UpperTop, UpperBottom, LowerTop, LowerBottom, Time };

    ChartOverlay(QCustomPlot *plot, QCPAxisRect *upper, QCPAxisRect *lower);

    void setCursor(bool shown, double x);
    void setCaption(int trace, const QString &text, const QColor &box);
    void setCaptionFont(const QFont &font) { captionFont_ = font; }
    // One line at the top right of the upper area (empty: none).
    void setNotice(const QString &text, const QFont &font)
    {
        notice_ = text;
        noticeFont_ = font;
    }
    QString notice() const { return notice_; }
    void setCursorColor(const QColor &color) { cursorColor_ = color; }

    Handle handleAt(const QPointF &pos) const;
    QRectF handleRect(Handle handle) const;
    QRectF dividerRect() const;

    // To be called once the overlay's own buffer has been drawn. Other drawings (a picture
    // export draws every layer) leave the buffer as it was, so draw() does not note them.
    void noteBufferDrawn() { drawn_ = drawing(); }
    // Whether drawing now would give the picture the buffer held when last noted.
    bool drawingUnchanged() const { return drawn_ && *drawn_ == drawing(); }
    // Where the last drawing into the overlay's own buffer put pixels (none yet: nullopt).
    std::optional<QRegion> bufferParts() const { return bufferParts_; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override;
    QRect clipRect() const override;
    void draw(QCPPainter *painter) override;

private:
    // All that the picture depends on.
    struct Drawing {
        QRect viewport, upper, lower;
        std::array<QString, 2> captions;
        std::array<QColor, 2> boxes;
        QFont captionFont;
        QString notice;
        QFont noticeFont;
        QColor cursorColor;
        bool cursorShown;
        double cursorPixel;
        bool operator==(const Drawing &) const = default;
    };
    Drawing drawing() const;
    // Returns the pixels it may have drawn on.
    QRect drawCaption(QCPPainter *painter, const QCPAxisRect *rect, int trace) const;
    QRect drawNotice(QCPPainter *painter) const;

    QCPAxisRect *upper_;
    QCPAxisRect *lower_;
    std::array<QString, 2> captions_;
    std::array<QColor, 2> boxes_;
    QFont captionFont_;
    QString notice_;
    QFont noticeFont_;
    QColor cursorColor_{255, 255, 160};
    bool cursorShown_ = false;
    double cursorX_ = 0;
    std::optional<Drawing> drawn_;
    std::optional<QRegion> bufferParts_;
};
