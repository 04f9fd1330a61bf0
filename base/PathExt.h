#pragma once

#include <QString>

// Splits a path into parent, file name and extension. Both "\" and "/" separate folders: the
// system's own paths are written with backslashes, this platform's with slashes.
class CPathExt {
public:
    explicit CPathExt(const QString& strPath) : m_strPath(strPath) {}

    // After the last separator; the whole path if there is none.
    QString GetFileName() const;
    // After the last ".", even one in a folder name; empty if there is none.
    QString GetExtension() const;
    // Before the last separator; empty if there is none.
    QString GetParent() const;

private:
    qsizetype LastSeparator() const;

    QString m_strPath;
};
