// tamo-sync: signs in and runs one synchronisation between the calendar service and the Outlook
// store, printing progress and the final status.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/SignInCheck.h"
#include "base/TextCipher.h"
#include "syncui/SyncRun.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitMassDeletion = 3;
CSyncRun* g_run = nullptr;

void OnSignal(int)
{
    // Both flags are lock-free atomics: safe to set from a handler.
    if (g_run)
        g_run->Cancel();
}

QTextStream& Out()
{
    static QTextStream out(stdout);
    return out;
}

QTextStream& Err()
{
    static QTextStream err(stderr);
    return err;
}

// One line per message line: the messages carry "\r\n".
QString Plain(QString text) { return text.replace(QLatin1String("\r\n"), QLatin1String(" ")).simplified(); }

QString PromptPassword()
{
    if (!isatty(STDIN_FILENO)) {
        std::string line;
        std::getline(std::cin, line);
        return QString::fromStdString(line);
    }
    std::fputs("비밀번호: ", stderr);
    termios old{};
    tcgetattr(STDIN_FILENO, &old);
    termios quiet = old;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    std::string line;
    std::getline(std::cin, line);
    tcsetattr(STDIN_FILENO, TCSANOW, &old);
    std::fputs("\n", stderr);
    return QString::fromStdString(line);
}

// The account the desktop program saved ("UserID", "UserPW" under the LastLogin key text).
bool SavedAccount(QString& id, QString& password)
{
    id = ReadRegString(settings::kKeyPath, settings::kUserID, QString());
    const QString hex = ReadRegString(settings::kKeyPath, settings::kUserPW, QString());
    if (id.isEmpty() || hex.isEmpty())
        return false;
    const DWORD last = ReadRegDword(settings::kKeyPath, settings::kLastLogin, 0);
    const QString key = last == 0 ? id : id + QStringLiteral("5A7C19E2-0D3B-4f61-A2E8-7B40C93D15F6") + QString::number(last);
    password = DecryptFromHex(key, hex);
    return !password.isEmpty();
}

CSyncRun::Chooser ChooserFor(const QString& mode)
{
    return [mode](const std::vector<SSyncConflict>& conflicts) {
        std::vector<SSyncDecision> decisions;
        for (const SSyncConflict& c : conflicts) {
            Out() << "충돌: " << c.uid << "  서비스: " << c.serviceText << "  아웃룩: " << c.outlookText << "\n";
            int direction = -1;
            if (mode == QLatin1String("newest"))
                direction = c.serviceNewer ? 1 : 2;
            else if (mode == QLatin1String("service"))
                direction = 1;
            else if (mode == QLatin1String("outlook"))
                direction = 2;
            else if (mode == QLatin1String("both"))
                direction = 0;
            decisions.push_back({c.uid, direction, c.todo});
        }
        if (mode.isEmpty() && !conflicts.empty())
            Out() << "충돌 " << conflicts.size() << "건은 변경하지 않았습니다 (--conflicts 로 선택).\n";
        Out().flush();
        return std::optional<std::vector<SSyncDecision>>(std::move(decisions));
    };
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Signs in and synchronises to-dos between the calendar service and the Outlook store.\n"
        "The password: --password-file, TAMO_PASSWORD, a prompt, or the saved account.\n"
        "Exit status: 0 done, 100 the sync options need attention, 1 failed or stopped, 2 sign-in or usage,\n"
        "3 deletions held back by the mass-deletion guard (everything else synced; --allow-mass-delete).");
    parser.addHelpOption();
    const QCommandLineOption idOption("id", "The user ID (default: the saved account).", "ID");
    const QCommandLineOption fileOption("password-file", "Read the password from the first line of FILE.", "FILE");
    const QCommandLineOption conflictOption(
        "conflicts", "Decision for every conflict: newest, service, outlook or both (keep both).", "MODE");
    const QCommandLineOption quietOption("quiet", "No progress lines.");
    const QCommandLineOption dryRunOption(
        "dry-run", "Read both sides and print what a sync would write, writing nothing to either side.");
    const QCommandLineOption keepDeletionsOption(
        "keep-deletions", "Items deleted on one side since the last sync stay deleted (this run; the saved "
                          "setting SyncKeepDeletions otherwise).");
    const QCommandLineOption allowMassDeleteOption(
        "allow-mass-delete", "Apply deletions even when more than 10 items and a quarter of a kind's pairs are gone.");
    const QCommandLineOption undoOption(
        "undo-last", "Take back the last sync (or undo) that wrote something, instead of synchronising.");
    parser.addOptions({idOption, fileOption, conflictOption, quietOption, dryRunOption, keepDeletionsOption,
                       allowMassDeleteOption, undoOption});
    parser.process(app);

    const QString mode = parser.value(conflictOption);
    if (!mode.isEmpty() && mode != "newest" && mode != "service" && mode != "outlook" && mode != "both") {
        Err() << "tamo-sync: --conflicts takes newest, service, outlook or both\n";
        return kExitUsage;
    }
    if (parser.isSet(undoOption) && parser.isSet(dryRunOption)) {
        Err() << "tamo-sync: --undo-last and --dry-run don't go together\n";
        return kExitUsage;
    }
    if (!CServiceConfig::Current().IsLoaded()) {
        Err() << "tamo-sync: no service configuration (" << CServiceConfig::DefaultPath() << ")\n";
        return kExitUsage;
    }

    QString id = parser.value(idOption);
    QString password;
    if (parser.isSet(fileOption)) {
        QFile file(parser.value(fileOption));
        if (!file.open(QIODevice::ReadOnly)) {
            Err() << "tamo-sync: cannot read " << file.fileName() << "\n";
            return kExitUsage;
        }
        password = QString::fromUtf8(file.readLine()).trimmed();
    } else if (qEnvironmentVariableIsSet("TAMO_PASSWORD")) {
        password = qEnvironmentVariable("TAMO_PASSWORD");
    } else if (!id.isEmpty()) {
        password = PromptPassword();
    }
    if (id.isEmpty() && !SavedAccount(id, password)) {
        Err() << "tamo-sync: no --id given and no saved account\n";
        return kExitUsage;
    }
    if (password.isEmpty()) {
        Err() << "tamo-sync: no password\n";
        return kExitUsage;
    }

    const signin::Result signedIn = signin::Check(id, password);
    if (!signedIn.ok) {
        Err() << "로그인에 실패하였습니다. (" << signedIn.error << ")\n";
        return kExitUsage;
    }
    Out() << "로그인: " << id.toLower() << "\n";
    Out().flush();

    CSyncRun run;
    const bool quiet = parser.isSet(quietOption);
    run.SetProgressHandler([quiet](int value) {
        if (!quiet) {
            Out() << "진행 " << value << "%\n";
            Out().flush();
        }
    });
    run.SetNoticeHandler([](const QString& text) {
        Out() << Plain(text) << "\n";
        Out().flush();
    });
    run.SetChooser(ChooserFor(mode));
    const bool dryRun = parser.isSet(dryRunOption);
    run.SetDryRun(dryRun);
    if (parser.isSet(keepDeletionsOption))
        run.SetKeepDeletions(true);
    run.SetAllowMassDelete(parser.isSet(allowMassDeleteOption));
    run.SetUndoLast(parser.isSet(undoOption));
    g_run = &run;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    const int status = run.Execute();
    g_run = nullptr;
    for (const QString& line : run.UndoReport())
        Out() << line << "\n";
    if (!dryRun && !run.MassDeletionHeld()) {
        for (const SSyncDeletion& d : run.Deletions())
            Out() << (d.deletedOn == SyncSide::Service
                          ? QStringLiteral("지운 편지함으로 옮김: 아웃룩 %1 %2").arg(CSyncPlan::KindText(d.todo), d.summary)
                          : QStringLiteral("되살리지 않음: 서비스 %1 %2 (서비스에는 남아 있습니다)")
                                .arg(CSyncPlan::KindText(d.todo), d.summary))
                  << "\n";
    }
    if (dryRun && (status == syncstatus::kDone || status == syncstatus::kMassDeletion)) {
        Out() << "미리보기 (아무것도 바꾸지 않았습니다):\n";
        for (const QString& line : run.Plan().Lines())
            Out() << "  " << line << "\n";
    }

    const QString message = status == syncstatus::kDone ? QStringLiteral("싱크가 정상적으로 완료되었습니다")
                            : status == syncstatus::kStopped ? QStringLiteral("싱크가 중단되었습니다")
                                                             : Plain(run.StatusMessage(status));
    Out() << "상태 " << status << ": " << message << "\n";
    Out().flush();
    if (status == syncstatus::kMassDeletion)
        return kExitMassDeletion;
    const int result = syncstatus::DialogResult(status);
    return result == 1 ? 0 : result == 100 ? 100 : kExitFailed;
}
