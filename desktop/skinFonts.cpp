#include "desktop/skinFonts.h"

#include "desktop/formKit.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

namespace {

// In order of preference; the first installed one is used. Open Sans (fonts-open-sans) comes
// closest to Trebuchet MS's widths among Debian's free humanist faces; see ARCHITECTURE.md.
const char* const kSubstitutes[] = { "Open Sans", "Cantarell", "Noto Sans" };

} // namespace

void InstallSkinFonts()
{
    const QStringList installed = QFontDatabase::families();
    for (const char* family : kSubstitutes) {
        if (installed.contains(family)) {
            QFont::insertSubstitution(formkit::kSkinFamily, family);
            return;
        }
    }
}

QString SkinFontFamily()
{
    QFont f(formkit::kSkinFamily);
    return QFontInfo(f).family();
}
