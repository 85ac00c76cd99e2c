#include "platform/display/DisplayFonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHash>
#include <QPointer>

namespace
{

struct FaceKey {
    QString family;
    double pointSize;
    bool bold;
    bool operator==(const FaceKey &) const = default;
};

size_t qHash(const FaceKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.family, key.pointSize, key.bold);
}

// Asking the font database is dear (it lists every family); the answers hold until the fonts
// change.
struct FaceCache {
    QHash<FaceKey, QFont> faces;
    QFont applicationFont;
    QPointer<QCoreApplication> watched;

    QFont get(const FaceKey &key)
    {
        if (watched != qApp) {
            faces.clear();
            watched = qApp;
            if (qApp)
                QObject::connect(qApp, &QGuiApplication::fontDatabaseChanged, qApp,
                                 [this] { faces.clear(); });
        }
        const QFont appFont = QApplication::font();
        if (!(appFont == applicationFont)) {
            faces.clear();
            applicationFont = appFont;
        }
        if (const auto it = faces.constFind(key); it != faces.constEnd())
            return *it;
        QFont f = QFontDatabase::families().contains(key.family, Qt::CaseInsensitive)
                      ? QFont(key.family)
                      : appFont;
        f.setPointSizeF(key.pointSize);
        f.setBold(key.bold);
        faces.insert(key, f);
        return f;
    }
};

FaceCache &cache()
{
    static FaceCache c;
    return c;
}

} // namespace

QFont DisplayFonts::font(const QString &family, double pointSize, bool bold)
{
    return cache().get({family, pointSize, bold});
}

QFont DisplayFonts::small(double pointSize)
{
    return font(QStringLiteral("MS Sans Serif"), pointSize);
}

QFont DisplayFonts::captionBold(double pointSize)
{
    return font(QStringLiteral("Tahoma"), pointSize, true);
}
