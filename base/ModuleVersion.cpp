#include "base/ModuleVersion.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#ifndef TAMO_VERSION
#define TAMO_VERSION "0.0.0"
#endif

namespace {

constexpr WORD kLanguageKorean = 0x0412;
constexpr WORD kCodePageUnicode = 0x04B0;

struct Version {
    WORD major = 0, minor = 0, patch = 0, build = 0;
};

Version BuildVersion()
{
    const QStringList parts = QString::fromLatin1(TAMO_VERSION).split(QLatin1Char('.'));
    WORD numbers[4] = {};
    for (qsizetype i = 0; i < parts.size() && i < 4; ++i)
        numbers[i] = WORD(parts[i].toUInt());
    return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

QString ProgramPath()
{
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? QString::fromLocal8Bit(buffer, n) : QString();
}

// The folder this library was loaded from: the system's modules are installed side by side.
QString OwnFolder()
{
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&BuildVersion), &info) || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalPath();
}

// "TamoBase.dll", "TamoBase" and "libTamoBase.so" all name libTamoBase.so.
bool NamesModule(const QString& strName, const QString& strFileName)
{
    if (strName.compare(strFileName, Qt::CaseInsensitive) == 0)
        return true;
    QString stem = strName;
    if (stem.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive) ||
        stem.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        stem.chop(4);
    return strFileName == stem || strFileName == QLatin1String("lib") + stem + QLatin1String(".so");
}

QString FindLoadedModule(const QString& strName)
{
    struct Search {
        const QString* pName;
        QString path;
    } search{&strName, {}};
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (!info->dlpi_name || !*info->dlpi_name)
                return 0;
            const QString path = QString::fromLocal8Bit(info->dlpi_name);
            if (NamesModule(*s->pName, QFileInfo(path).fileName())) {
                s->path = path;
                return 1;
            }
            return 0;
        },
        &search);
    if (search.path.isEmpty()) {
        const QString program = ProgramPath();
        if (NamesModule(strName, QFileInfo(program).fileName()))
            return program;
    }
    return search.path;
}

}  // namespace

CModuleVersion::CModuleVersion() = default;

CModuleVersion::~CModuleVersion() = default;

int CModuleVersion::GetFileVersionInfoW(const QString& strModule)
{
    m_pVersionInfo.reset();
    *static_cast<VS_FIXEDFILEINFO*>(this) = VS_FIXEDFILEINFO{};
    m_translation = Translation{};

    const QString path = strModule.isNull() ? ProgramPath() : FindLoadedModule(strModule);
    if (path.isEmpty())
        return 0;
    const QFileInfo file(path);
    if (file.canonicalPath() != OwnFolder())
        return 0;  // not one of ours: no version information

    const Version v = BuildVersion();
    auto block = std::make_unique<Block>();
    VS_FIXEDFILEINFO& fixed = block->fixed;
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = DWORD(v.major) << 16 | v.minor;
    fixed.dwFileVersionLS = DWORD(v.patch) << 16 | v.build;
    fixed.dwProductVersionMS = fixed.dwFileVersionMS;
    fixed.dwProductVersionLS = fixed.dwFileVersionLS;
    fixed.dwFileFlagsMask = 0x3F;
    fixed.dwFileOS = 0x00040004;                                  // 32-bit Windows NT
    fixed.dwFileType = file.suffix() == QLatin1String("so") ? 2 : 1;  // library : program
    block->translation = {kLanguageKorean, kCodePageUnicode};

    const QString version = QStringLiteral("%1.%2.%3.%4").arg(v.major).arg(v.minor).arg(v.patch).arg(v.build);
    const QString prefix = QStringLiteral("\\StringFileInfo\\%1%2\\")
                               .arg(kLanguageKorean, 4, 16, QLatin1Char('0'))
                               .arg(kCodePageUnicode, 4, 16, QLatin1Char('0'));
    const QString name = file.completeBaseName();
    const std::pair<const char*, QString> values[] = {
        {"CompanyName", QStringLiteral("Tamo")},
        {"FileDescription", name},
        {"FileVersion", version},
        {"InternalName", name},
        {"LegalCopyright", QStringLiteral("Copyright (C) Tamo")},
        {"OriginalFilename", file.fileName()},
        {"ProductName", QStringLiteral("Tamo Calendar")},
        {"ProductVersion", version},
    };
    for (const auto& [key, value] : values)
        block->strings.insert(prefix + QLatin1String(key), value);

    *static_cast<VS_FIXEDFILEINFO*>(this) = fixed;
    m_translation = block->translation;
    m_pVersionInfo = std::move(block);
    return dwSignature == VS_FFI_SIGNATURE ? 1 : 0;
}

QString CModuleVersion::GetValue(const QString& strKey) const
{
    if (!m_pVersionInfo)
        return {};
    const QString path = QStringLiteral("\\StringFileInfo\\%1%2\\%3")
                             .arg(m_translation.langID, 4, 16, QLatin1Char('0'))
                             .arg(m_translation.charset, 4, 16, QLatin1Char('0'))
                             .arg(strKey);
    return m_pVersionInfo->strings.value(path);
}

int CModuleVersion::DllGetVersion(const QString& strLibrary, DLLVERSIONINFO& dvi)
{
    QString name = strLibrary;
    if (name.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        name = QLatin1String("lib") + name.chopped(4) + QLatin1String(".so");
    void* library = ::dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return 0;
    using Function = int (*)(DLLVERSIONINFO*);
    auto function = reinterpret_cast<Function>(::dlsym(library, "DllGetVersion"));
    int nResult = 0;
    if (function) {
        dvi = DLLVERSIONINFO{};
        dvi.cbSize = sizeof(DLLVERSIONINFO);
        nResult = function(&dvi) >= 0 ? 1 : 0;
    }
    ::dlclose(library);
    return nResult;
}

extern "C" int DllGetVersion(DLLVERSIONINFO* pdvi)
{
    if (!pdvi || pdvi->cbSize < sizeof(DLLVERSIONINFO))
        return -1;
    const Version v = BuildVersion();
    pdvi->dwMajorVersion = v.major;
    pdvi->dwMinorVersion = v.minor;
    pdvi->dwBuildNumber = v.patch;
    pdvi->dwPlatformID = 2;  // DLLVER_PLATFORM_NT
    return 0;
}
