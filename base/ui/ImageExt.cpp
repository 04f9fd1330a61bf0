#include "base/ui/ImageExt.h"

#include <QFile>
#include <QString>

QImage CImageExt::LoadResource(int nResource)
{
    for (const char* ext : {"png", "svg"}) {
        const QString path = QStringLiteral(":/bitmaps/%1.%2").arg(nResource).arg(QLatin1String(ext));
        if (QFile::exists(path)) {
            QImage img(path);
            if (!img.isNull())
                return img.convertToFormat(QImage::Format_ARGB32);
        }
    }
    return {};
}
