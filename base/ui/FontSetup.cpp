#include "base/ui/FontSetup.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace tamo {

void InstallFontSubstitutes()
{
    // NanumGothic carries the Hangul the texts need; the generic faces follow if it is missing.
    const QStringList targets{QStringLiteral("NanumGothic"), QStringLiteral("Nanum Gothic"),
                              QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")};
    for (const QString& face : {QStringLiteral("돋움"), QStringLiteral("굴림"), QStringLiteral("Dotum"),
                                QStringLiteral("Gulim"), QStringLiteral("Microsoft Sans Serif")})
        QFont::insertSubstitutions(face, targets);
}

}  // namespace tamo
