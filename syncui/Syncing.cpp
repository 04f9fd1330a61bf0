#include "syncui/Syncing.h"

#include <QPointer>
#include <QThread>

#include "syncui/DlgConflict.h"
#include "syncui/HelpBox.h"

using namespace tamoui;

namespace {
constexpr int kWidth = 330;
constexpr int kHeight = 216;
}  // namespace

// The run of this window: it tells the window when its worker ended, through a queued call, so
// the window never waits for it while it works.
class CSyncing::CRun : public CSyncRun {
public:
    explicit CRun(CSyncing* pDlg) : m_pDlg(pDlg) {}

protected:
    void Run() override
    {
        CSyncRun::Run();
        QMetaObject::invokeMethod(m_pDlg, [dlg = m_pDlg] { dlg->OnThreadEnd(); }, Qt::QueuedConnection);
    }

private:
    CSyncing* m_pDlg;
};

CSyncing::CSyncing(QWidget* parent) : CTamoDlg(IDD, parent), m_pRun(std::make_unique<CRun>(this))
{
    resize(kWidth, kHeight);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(5, 28, kWidth - 10, kHeight - 33));
    m_stText.SetWindowText(
        QStringLiteral("Tamo캘린더와 아웃룩 데이터를 싱크하고 있습니다.\r\n취소버튼을 누르시면 싱크가 중단됩니다."));
    AddControl(&m_stText, IDC_TEXT, QRect(20, 38, kWidth - 40, 36));
    AddControl(&m_stAnimation, IDC_ANIMATION, QRect(QPoint((kWidth - kFrameSize.width()) / 2, 80), kFrameSize));
    m_progress.setRange(0, 100);
    m_progress.setTextVisible(false);
    m_progress.setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid #A7A7A7; background: white; }"
                                            "QProgressBar::chunk { background: #FB8102; }"));
    AddControl(&m_progress, IDC_PROGRESS, QRect(20, 160, kWidth - 40, 10));
    m_btnCancel.setText(QStringLiteral("취소"));
    AddControl(&m_btnCancel, IDOK, QRect((kWidth - 60) / 2, kHeight - 34, 60, 22));
    // The button carries id 1 (as Enter does); it, Escape and the close button all stop the run.
    MapCommand(IDOK, [this] { Stop(); });
    MapCommand(IDCLOSE_TITLE, [this] { Stop(); });

    m_pRun->SetProgressHandler([this](int value) {
        if (QThread::currentThread() == thread())
            SetProgressValue(value);
        else
            QMetaObject::invokeMethod(this, [this, value] { SetProgressValue(value); }, Qt::QueuedConnection);
    });
    m_pRun->SetChooser([this](const std::vector<SSyncConflict>& conflicts) { return AskConflicts(conflicts); });
}

CSyncing::~CSyncing()
{
    // The worker ends before anything it uses goes: the stop wakes a pending conflict question.
    std::shared_ptr<SConflictRequest> pending;
    {
        std::lock_guard lock(m_mutex);
        m_bCancelled = true;
        pending = m_pending;
    }
    if (pending)
        Answer(pending, std::nullopt);
    m_pRun->Cancel();
    m_pRun->Join(CThread::kWaitForever);
    m_pRun.reset();
}

CSyncRun& CSyncing::Run() { return *m_pRun; }

bool CSyncing::InitSync()
{
    CMAPISync sync;
    return sync.InitMapi() != -1;
}

bool CSyncing::OnInitDialog()
{
    m_stBackground.SetDrawPopupBkgnd(0);
    InitHelper(0, QStringLiteral("아웃룩 싱크"), 1);
    m_btnCancel.SetDrawNormal();
    m_stText.SetFont(QStringLiteral("돋움"), 12, 0x888888, 0);
    for (int i = 0; i < kFrames; ++i)
        m_frames[size_t(i)].LoadBitmapW(IDC_FIRST_FRAME + i, 1, 0xFFFFFFFF, false);
    ShowFrame(0);
    m_progress.setValue(0);
    SetTimer(TIMER_ANIMATION, kAnimationMs);
    SetTimer(TIMER_START, kStartMs);
    return true;
}

void CSyncing::ShowFrame(int nFrame)
{
    m_stAnimation.m_pPicture = &m_frames[size_t(nFrame)];
    m_stAnimation.m_bPicture = 0;
    m_stAnimation.resize(kFrameSize);
    m_stAnimation.update();
}

void CSyncing::OnTimer(int nIDEvent)
{
    if (nIDEvent == TIMER_ANIMATION) {
        if (m_nAniFrame >= kFrames)
            m_nAniFrame = 0;
        ShowFrame(m_nAniFrame);
        ++m_nAniFrame;
    } else if (nIDEvent == TIMER_START) {
        KillTimer(TIMER_START);
        StartRun();
    }
}

void CSyncing::SetProgressValue(int nValue)
{
    m_progress.setValue(nValue);
}

void CSyncing::StartRun()
{
    if (m_bEnded || m_bStopping)
        return;
    const int started = m_pRun->Begin();
    if (started != 0) {
        PrintsyncError(started);
        return;
    }
    m_bStarted = true;
}

void CSyncing::Stop()
{
    if (m_bEnded)
        return;
    KillTimer(TIMER_START);
    m_bStopping = true;
    m_btnCancel.setEnabled(false);
    m_pRun->Cancel();
    std::shared_ptr<SConflictRequest> pending;
    {
        std::lock_guard lock(m_mutex);
        m_bCancelled = true;
        pending = m_pending;
    }
    if (pending)
        Answer(pending, std::nullopt);
    // Without a worker the window ends now; with one, when the worker tells it ended.
    if (!m_bStarted)
        Finish(IDCANCEL);
}

void CSyncing::OnThreadEnd()
{
    if (m_bEnded)
        return;
    // The worker has ended: this join returns at once; it records the sync times on success.
    m_nStatus = m_pRun->Finish();
    m_bStarted = false;
    if (m_bStopping) {
        Finish(IDCANCEL);
        return;
    }
    switch (m_nStatus) {
    case syncstatus::kDone: Finish(IDOK); break;
    case syncstatus::kConflictsDeclined: Finish(IDCANCEL); break;
    default: PrintsyncError(m_nStatus); break;
    }
}

void CSyncing::PrintsyncError(int nCode)
{
    m_nStatus = nCode;
    const QString message = m_pRun->StatusMessage(nCode);
    if (!message.isEmpty()) {
        SHelpBox box;
        box.title = QStringLiteral("에러");
        box.heading = message;
        box.mode = 0;
        box.compact = 1;
        ShowHelpBox(this, box);
    }
    Finish(syncstatus::DialogResult(nCode));
}

void CSyncing::Finish(int nResult)
{
    if (m_bEnded)
        return;
    m_bEnded = true;
    KillTimer(TIMER_START);
    EndDialog(nResult);
}

std::optional<std::vector<SSyncDecision>> CSyncing::AskConflicts(const std::vector<SSyncConflict>& conflicts)
{
    auto request = std::make_shared<SConflictRequest>();
    {
        std::lock_guard lock(m_mutex);
        if (m_bCancelled)
            return std::nullopt;
        m_pending = request;
    }
    QMetaObject::invokeMethod(
        this, [this, request, conflicts] { ShowConflicts(request, conflicts); }, Qt::QueuedConnection);
    std::unique_lock lock(request->mutex);
    request->cv.wait(lock, [&request] { return request->done; });
    {
        std::lock_guard guard(m_mutex);
        if (m_pending == request)
            m_pending.reset();
    }
    return request->decisions;
}

void CSyncing::Answer(const std::shared_ptr<SConflictRequest>& request,
                      std::optional<std::vector<SSyncDecision>> decisions)
{
    std::lock_guard lock(request->mutex);
    if (request->done)
        return;
    request->done = true;
    request->decisions = std::move(decisions);
    request->cv.notify_all();
}

void CSyncing::ShowConflicts(const std::shared_ptr<SConflictRequest>& request,
                             const std::vector<SSyncConflict>& conflicts)
{
    {
        std::lock_guard lock(request->mutex);
        if (request->done)
            return;  // stopped before the question arrived
    }
    CDlgConflict dlg;
    for (const SSyncConflict& c : conflicts)
        dlg.AddData(c.uid, c.serviceText, c.outlookText, c.todo, c.serviceNewer);
    if (dlg.DoModal() != IDOK) {
        Answer(request, std::nullopt);
        return;
    }
    std::vector<SSyncDecision> decisions;
    for (const CDlgConflict::OutData& out : dlg.GetOutData())
        decisions.push_back({out.strUID, out.nDirection, out.nKind == 1});
    Answer(request, std::move(decisions));
}
