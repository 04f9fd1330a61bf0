#pragma once

#include <QMap>
#include <QString>
#include <memory>

#include "platform/WinTypes.h"

// The fixed part of a module's version information (52 bytes).
struct VS_FIXEDFILEINFO {
    DWORD dwSignature = 0;
    DWORD dwStrucVersion = 0;
    DWORD dwFileVersionMS = 0;
    DWORD dwFileVersionLS = 0;
    DWORD dwProductVersionMS = 0;
    DWORD dwProductVersionLS = 0;
    DWORD dwFileFlagsMask = 0;
    DWORD dwFileFlags = 0;
    DWORD dwFileOS = 0;
    DWORD dwFileType = 0;
    DWORD dwFileSubtype = 0;
    DWORD dwFileDateMS = 0;
    DWORD dwFileDateLS = 0;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

struct DLLVERSIONINFO {
    DWORD cbSize = 0;
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformID = 0;
};
static_assert(sizeof(DLLVERSIONINFO) == 20);

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

// Version information of a loaded module. Modules of this system (the program and the
// libraries installed beside it) carry the version compiled into the build; other modules
// have none.
class CModuleVersion : public VS_FIXEDFILEINFO {
public:
    CModuleVersion();
    virtual ~CModuleVersion();
    CModuleVersion(const CModuleVersion&) = delete;
    CModuleVersion& operator=(const CModuleVersion&) = delete;

    // A null name stands for the running program. Non-zero when the module is loaded and its
    // fixed record carries the signature.
    int GetFileVersionInfoW(const QString& strModule);
    // A string value such as "FileVersion" or "ProductName"; empty if not read or absent.
    QString GetValue(const QString& strKey) const;

    // Loads the library and asks its exported DllGetVersion; non-zero on success.
    static int DllGetVersion(const QString& strLibrary, DLLVERSIONINFO& dvi);

    struct Translation {
        WORD langID = 0;
        WORD charset = 0;
    };

protected:
    // The version-information block: query paths ("\", "\VarFileInfo\Translation",
    // "\StringFileInfo\041204b0\FileVersion", ...) and their values.
    struct Block {
        VS_FIXEDFILEINFO fixed;
        Translation translation;
        QMap<QString, QString> strings;
    };
    std::unique_ptr<Block> m_pVersionInfo;
    Translation m_translation;
};

// The version record of this library, as shell libraries answer it.
extern "C" int DllGetVersion(DLLVERSIONINFO* pdvi);
