#pragma once

#include <functional>

#include <QBasicTimer>
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QStringList>

#include "base/Thread.h"
#include "updater/DownloadJob.h"

class QLabel;
class QProgressBar;
class QPushButton;

// One "update" entry of the version document.
struct SUpdateEntry {
    QString strMinVersion;
    QString strMaxVersion;
    QString strUrl;
    QByteArray sha256;  // hex, empty when the entry carries none
};

// The first entry whose bounds hold the version, compared as plain text, code unit by code
// unit (so "1.0.0.10" lies between "1.0.0.0" and "1.0.0.9"); -1 when none does.
int ChooseUpdateEntry(const QList<SUpdateEntry>& entries, const QString& strVersion);

// A file name from the description that stays inside the folder it is put in.
bool IsPlainFileName(const QString& strName);

// The update window: reads the description, fetches the version document, downloads the
// chosen file on its worker thread with a progress bar, runs it, and ends.
// Results: 1 update started, nothing to do, or an error reported; 2 download failed or cancelled.
class CMainDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 129, IDCANCEL = 2, IDC_PROGRESS = 1000, IDC_PICTURE = 1001, IDI_TAMOSUP = 201 };
    static constexpr int kTimerProgress = 100;
    static constexpr int kProgressMax = 10000;

    // descriptionPath: the updater.xml beside the program; arguments: the command line without
    // the program (the last one is the caller's version).
    CMainDlg(const QString& strDescriptionPath, const QStringList& arguments, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Runs the window start; when it did not end the window, shows it until it ends.
    int DoModal();

    // Shows an error message (caption "에러"). Tests and the test hook replace it.
    std::function<void(const QString&)> m_fnMessage;

    // What the tests look at.
    QProgressBar* ProgressBar() const { return m_pProgress; }
    QLabel* Picture() const { return m_pPicture; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QString LocalFile() const { return m_strLocalFile; }
    QString PrivateFolder() const { return m_strPrivateFolder; }
    bool IsDownloading() const { return m_timer.isActive(); }
    int GetResult() const { return m_nResult; }
    void OnCancel();
    // The picture above the bar, the window laid out around it.
    void ShowImage(const QPixmap& image);

protected:
    // The window start; false when it ended the window (m_nResult holds why).
    bool OnInitDialog();
    void OnTimer(int nIDEvent);
    void timerEvent(QTimerEvent* event) override;
    void reject() override { OnCancel(); }

private:
    void EndDialog(int nResult);
    bool Fail(const QString& strMessage);
    void LoadIcons(const QString& strIconFile);
    void RemoveDownload();

    QString m_strDescriptionPath;
    QStringList m_arguments;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pPicture = nullptr;
    QPushButton* m_pCancel = nullptr;
    QIcon m_icon;
    QPixmap m_image;

    CDownloadJob m_job;
    CThread m_thread{&m_job};
    QBasicTimer m_timer;
    QString m_strPrivateFolder;
    QString m_strLocalFile;
    bool m_bEnded = false;
    int m_nResult = 0;
};
