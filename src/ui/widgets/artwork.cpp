#include "ui/widgets/artwork.h"

#include <QColor>

// Resources of a static library are only linked in when something refers to
// them; this call is that reference. It must stand outside every namespace.
static void ensureResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(fapkalk);
        return true;
    }();
    (void)done;
}

QIcon ProgramIcon() {
    ensureResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/fapkalk/icon16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/fapkalk/icon32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/fapkalk/icon.png"), QSize(48, 48));
    return icon;
}

QPixmap PublisherLogo() {
    ensureResources();
    return QPixmap(QStringLiteral(":/fapkalk/logo.png"));
}

QImage InfoGlyph() {
    // 16 rows: two blue, the dot (3), a gap (2), the stem (8), one blue.
    constexpr int size = 16;
    constexpr int dotTop = 2, dotRows = 3, gapRows = 2, stemRows = 8;
    constexpr int stemTop = dotTop + dotRows + gapRows;
    constexpr int left = 7, columns = 2;
    static_assert(stemTop + stemRows + 1 == size, "the letter leaves one blue row below");

    QImage glyph(size, size, QImage::Format_RGB32);
    glyph.fill(QColor(0, 0, 255));
    const QRgb white = qRgb(255, 255, 255);
    for (int y = 0; y < size; ++y) {
        const bool dot = y >= dotTop && y < dotTop + dotRows;
        const bool stem = y >= stemTop && y < stemTop + stemRows;
        if (!dot && !stem)
            continue;
        for (int x = left; x < left + columns; ++x)
            glyph.setPixel(x, y, white);
    }
    return glyph;
}
