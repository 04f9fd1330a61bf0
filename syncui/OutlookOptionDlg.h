#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QComboBox>
#include <QString>

#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

class QCheckBox;
class QRadioButton;

// One calendar of the service as the options page offers it.
struct _comboItem {
    QString strName;
    QString strId;           // the calendar id in decimal
    std::uint32_t crColor = 0;  // COLORREF 0x00BBGGRR
};

// The calendar chooser (1012): each item is drawn in its calendar's colour with the name in white;
// the item's data (Qt::UserRole) is the calendar id.
class CCategoryCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kColorRole = Qt::UserRole + 1;
    explicit CCategoryCombo(QWidget* parent = nullptr);
    void AddCalendar(const _comboItem& item);
    // The selected item's id, -1 when nothing is selected.
    long SelectedId() const;

protected:
    void paintEvent(QPaintEvent*) override;
};

// The sync options page (template 142): loads the user's calendars and sync preferences from the
// service 100 ms after it opens, lets the user change them, and sends them back when the hosting
// window calls PutEnv on its OK. It also holds the default-calendar and PC-key requests.
class COutlookOptionDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 142,
        IDC_CATEGORY = 1012,
        IDC_OUTLOOK_CATEGORY = 1013,
        IDC_TODO_RANGE = 1014,
        IDC_EVENT = 1026,
        IDC_TODO = 1027,
        IDC_TODO_SUB = 1028,
        IDC_NEWER_WINS = 1029,
        IDC_USER_CHOOSES = 1030,
        IDC_RANGE = 1035,
        IDC_BACKGROUND = 1036,
        IDC_HELP = 3017,
        IDC_LABEL_RANGE = 3033,
        IDC_LABEL_CONFLICT = 3034,
        IDC_PC_CERTIFY = 3035,
        IDC_LABEL_TODO = 3036,
        IDC_LABEL_EVENT = 3037,
        IDC_ADVANCED = 3044,
    };
    enum { TIMER_LOAD = 1 };
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    explicit COutlookOptionDlg(QWidget* parent = nullptr);
    ~COutlookOptionDlg() override;

    int GetEnv();
    // Sends the page's values; does nothing (0) until both the calendars and the preferences
    // were loaded, so a failed or early load never overwrites the user's preferences.
    int PutEnv();
    int GetTamoCategory();
    int IsCategory(long nId);
    static int GetDefaultCategory();
    static int GetPCKey();
    int GetOutlookCategroy() { return 1; }
    int SetOutlookCategory();

    // The update_sync body for the controls' current values.
    QString MakePutEnvBody() const;
    // The values the page reads from a calendar entry; false when the entry is unusable.
    static bool ParseColor(const QString& text, std::uint32_t& crColor);

    bool IsLoadDone() const { return m_bLoadDone; }
    bool IsLoaded() const { return m_bLoaded; }
    const std::vector<_comboItem>& Calendars() const { return m_list; }

    // The message boxes of the page: (mode, heading, body) → 1 OK, 2 cancel. Tests replace it.
    std::function<int(int nMode, const QString& heading, const QString& body)> m_fnHelp;

protected:
    bool OnInitDialog() override;
    void OnTimer(int nIDEvent) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    void Load();
    void EnableEvent();
    void EnableTodo();
    void OnEventClicked();
    void OnTodoClicked();
    void OnAdvancedClicked();
    void OnHelpClicked();
    void OnPcCertify();
    void SelectCategory(long nId);
    int Help(int nMode, const QString& heading, const QString& body);

    CTamoStatic m_stBackground;
    CTamoButton m_btnHelp;
    CTamoStatic m_stRange;
    CTamoStatic m_stConflict;
    CTamoStatic m_stEvent;
    CTamoStatic m_stTodo;
    CTamoButton m_btnPcCertify;
    QCheckBox* m_pEvent = nullptr;
    QCheckBox* m_pTodo = nullptr;
    std::vector<_comboItem> m_list;
    QCheckBox* m_pTodoSub = nullptr;
    QCheckBox* m_pAdvanced = nullptr;
    QComboBox* m_pRange = nullptr;
    CCategoryCombo* m_pCategory = nullptr;
    QComboBox* m_pOutlookCategory = nullptr;
    QComboBox* m_pTodoRange = nullptr;
    QRadioButton* m_pNewerWins = nullptr;
    QRadioButton* m_pUserChooses = nullptr;
    bool m_bCalendarsLoaded = false;
    bool m_bLoaded = false;    // calendars and preferences both read
    bool m_bLoadDone = false;  // the one load has run, whatever its result
};
