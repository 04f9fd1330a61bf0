#pragma once

#include <QString>
#include <QStringView>

// The page's window.external: every read of a name whose first three characters are "xxy"
// (ignoring character width, not case) gives "Wibble"; every other read gives undefined, and
// writes and calls do nothing. Page script reads it synchronously, so it is a plain script
// object put into every frame at document creation, not a channel to the program.
class CImpIDispatch {
public:
    static constexpr int kDispId = 12345;

    // The dispatch id of a name: kDispId, or -1 for a name the object does not know.
    static int GetIDOfName(QStringView name);
    static QString Value() { return QStringLiteral("Wibble"); }

    // The script that installs the object.
    static QString InjectionScript();
};
