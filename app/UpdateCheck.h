#pragma once

#include <functional>

#include <QList>
#include <QString>

// The start-up version check: the installed version from updater.xml, the announced one from
// the version document, and the offer to update when they differ.
//
// updater.xml is looked for in the documents folder ("Tamo/updater.xml") and beside the
// program. "version" and "updater" come from the documents copy when it loads, else from the
// program's copy; "versionurl" only ever from the program's copy. A version address written as
// a path ("/update/version.xml") is on the configured update service.
class CUpdateCheck {
public:
    enum { RESULT_END = -1, RESULT_NO_DESCRIPTION = 0, RESULT_UP_TO_DATE = 1, RESULT_ACCEPTED = 2 };

    struct SVersionEntry {
        QString strMinVersion;
        QString strMaxVersion;
        QString strUrl;
    };

    CUpdateCheck();

    // -1 end the program, 0 or 1 go on, 2 the user accepted the update.
    int CheckVersion();
    // Starts the update program beside this one with the local version as its only argument;
    // false when there is none or it did not start.
    bool StartUpdater();

    // "version" or "updater" from the copies, in their order; empty (after the error box) when
    // neither gives it.
    QString ReadUpdaterElement(const QString& strName);

    QString GetLocalVersion() const { return m_strLocalVersion; }
    const QList<SVersionEntry>& GetEntries() const { return m_entries; }

    // Where the copies are; the defaults are the documents folder and the program's folder.
    QString m_strDocumentsCopy;
    QString m_strProgramFolder;
    // The message box (caption, text) in mode (0, true); answers 1 for OK. The default shows
    // CHelpDlg, or, with TAMO_TEST_ANSWER set, writes the box to the error output and answers
    // that number.
    std::function<int(const QString&, const QString&)> m_fnMessage;

    static QString ErrorText(int nError);

private:
    int Message(const QString& strCaption, const QString& strText);

    QString m_strLocalVersion;
    QList<SVersionEntry> m_entries;
};

namespace update {
// The local version the start-up check read, for the rest of the run.
QString LocalVersion();
void SetLocalVersion(const QString& strVersion);
// Removes the folders the update program left in the temporary folder; an installer it
// started has long since been read by then.
void RemoveUpdaterLeftovers();
}  // namespace update
