#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

class QComboBox;

// The alarm sound chooser (158, "소리설정"): the two sounds that come with the program, the
// stored one and any the user browses to; OK stores the chosen sound's full path.
class CSoundDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 158, IDC_BROWSE = 1000, IDC_PLAY = 1047, IDC_SOUNDS = 1048 };

    explicit CSoundDlg(QWidget* parent = nullptr);

    // Selects the entry of the path (compared without case), adding it when it is new.
    void AddOrSelect(const QString& strPath);
    QString SelectedPath() const;
    const QStringList& Paths() const { return m_paths; }
    QComboBox* SoundList() const { return m_pList; }

    // The file chooser: an empty answer is a cancel. Tests replace it.
    std::function<QString()> m_fnBrowse;
    // Plays a sound file without waiting; false when it cannot. Tests replace it.
    std::function<bool(const QString& path)> m_fnPlay;

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    QComboBox* m_pList = nullptr;
    QStringList m_paths;
    CTamoStatic m_stText;
    CTamoButton m_btnBrowse;
    CTamoButton m_btnPlay;
    CTamoButton m_btnOK;
    CTamoButton m_btnCancel;
};

// The folder of the program's own sounds: "<program folder>/alarm".
QString AlarmSoundFolder();
// Plays a sound file once, without waiting. False when there is no such file or no sound support.
bool PlaySoundFile(const QString& path);
