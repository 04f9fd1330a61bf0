#pragma once

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <QProgressBar>

#include "base/ui/DrawHelper.h"
#include "syncui/SyncRun.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

// The modal progress window of one synchronisation. It drives a CSyncRun: the start steps on
// its own thread 300 ms after it opens, the engine's steps on the run's worker. The worker
// reaches the window only through queued calls (progress, conflicts, its end), so the window
// never waits on a worker that waits on it. DoModal answers 1 (done), 100 (open the sync
// options) or 2 (stopped, declined or failed).
class CSyncing : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 3006,
        IDC_BACKGROUND = 3025,
        IDC_TEXT = 3016,
        IDC_ANIMATION = 3018,
        IDC_PROGRESS = 3043,
        IDC_FIRST_FRAME = 3008,
    };
    enum { TIMER_ANIMATION = 0, TIMER_START = 1 };
    static constexpr int kFrames = 7;
    static constexpr int kAnimationMs = 200;
    static constexpr int kStartMs = 300;
    static constexpr QSize kFrameSize{235, 70};

    explicit CSyncing(QWidget* parent = nullptr);
    ~CSyncing() override;

    // True when the Outlook store can be opened.
    static bool InitSync();

    // The run's status code once it ended (0 before).
    int GetStatus() const { return m_nStatus; }
    // The index of the next animation frame.
    int GetAniFrame() const { return m_nAniFrame; }
    CSyncRun& Run();
    // Shows one frame of the animation now (the timer goes on from the next one).
    void ShowFrame(int nFrame);

protected:
    bool OnInitDialog() override;
    void OnTimer(int nIDEvent) override;
    void OnOK() override { Stop(); }
    void OnCancel() override { Stop(); }

private:
    class CRun;
    struct SConflictRequest {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        std::optional<std::vector<SSyncDecision>> decisions;
    };

    void StartRun();
    // The cancel button, Escape, Enter, closing: stop the run and end once its worker ended.
    void Stop();
    void OnThreadEnd();
    void PrintsyncError(int nCode);
    void Finish(int nResult);
    void SetProgressValue(int nValue);
    // On the worker: asks the window for the decisions and waits for them (or for a stop).
    std::optional<std::vector<SSyncDecision>> AskConflicts(const std::vector<SSyncConflict>& conflicts);
    void ShowConflicts(const std::shared_ptr<SConflictRequest>& request, const std::vector<SSyncConflict>& conflicts);
    void Answer(const std::shared_ptr<SConflictRequest>& request, std::optional<std::vector<SSyncDecision>> decisions);

    CTamoStatic m_stBackground;
    CTamoStatic m_stText;
    CTamoButton m_btnCancel;
    int m_nAniFrame = 1;
    CTamoStatic m_stAnimation;
    std::array<CDrawHelper, kFrames> m_frames;
    QProgressBar m_progress;
    std::unique_ptr<CRun> m_pRun;
    bool m_bStarted = false;   // the worker runs or ran
    bool m_bStopping = false;  // the user stopped the run; it ends without a box
    bool m_bEnded = false;
    int m_nStatus = 0;
    std::mutex m_mutex;  // guards m_pending and m_bCancelled, shared with the worker
    std::shared_ptr<SConflictRequest> m_pending;
    bool m_bCancelled = false;
};
