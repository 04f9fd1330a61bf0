// tamo-store: create, list, show, add and change tasks and appointments of the MAPI store file,
// so that a person can see what a sync did and tests can seed the Outlook side.
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include "ItemValues.h"
#include "PropertyPrinter.h"
#include "platform/mapi/MapiStoreFile.h"
#include "syncengine/MAPISync.h"

namespace {

QTextStream& Out()
{
    static QTextStream out(stdout);
    return out;
}

int Fail(const QString& message)
{
    QTextStream(stderr) << "tamo-store: " << message << "\n";
    return 1;
}

ULONG FolderTag(const QString& name)
{
    if (name == "tasks") return PR_IPM_TASK_ENTRYID;
    if (name == "calendar") return PR_IPM_APPOINTMENT_ENTRYID;
    if (name == "contacts") return PR_IPM_CONTACT_ENTRYID;
    return 0;
}

bool OpenEntry(CMAPISync& engine, const QString& hex, CMAPIMessage& message)
{
    ULONG size = 0;
    if (!CMAPISync::HexStringToBinary(hex, nullptr, &size) || !size)
        return false;
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    CMAPISync::HexStringToBinary(hex, reinterpret_cast<BYTE*>(bytes.data()), &size);
    return engine.m_outlook.OpenMessage(SBinary{size, reinterpret_cast<LPBYTE>(bytes.data())}, 0, message);
}

int List(CMAPISync& engine, const QStringList& folders)
{
    for (const QString& name : folders) {
        if (!engine.m_outlook.OpenSpecialFolder(FolderTag(name)) || !engine.m_outlook.GetContents())
            return Fail("no folder " + name);
        Out() << "# " << name << "\n";
        CMAPIMessage message;
        while (engine.m_outlook.GetNextMessage(message)) {
            IMessage* msg = message.GetMessageW();
            Out() << CMAPISync::BinToHexString(message.GetEntryID(), false) << "  "
                  << engine.GetPropVal(msg, PR_LAST_MODIFICATION_TIME, false, PROPSET_NONE) << "  "
                  << engine.GetPropVal(msg, PR_MESSAGE_CLASS_W, false, PROPSET_NONE) << "  "
                  << message.GetSubject() << "\n";
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The Outlook store stand-in.\n"
        "  create                 make a new store file\n"
        "  list [tasks|calendar]  entry id, last change, class and subject of each item\n"
        "  show ENTRYID           every property of an item\n"
        "  add task|appointment   a new item from --json and the options\n"
        "  set ENTRYID            change an item from --json and the options\n"
        "Times are UTC, ISO 8601.");
    parser.addHelpOption();
    const QCommandLineOption store("store", "The store file (default: $TAMO_MAPI_STORE or the profile's).", "path");
    const QCommandLineOption publicFolders("public-folders", "create: list a non-default store first.");
    const QCommandLineOption json("json", "Item values as JSON (a file, or - for standard input).", "file");
    const QCommandLineOption subject("subject", "Subject.", "text");
    const QCommandLineOption body("body", "Body text.", "text");
    const QCommandLineOption due("due", "Task due date.", "date");
    const QCommandLineOption complete("complete", "Task is complete.");
    const QCommandLineOption start("start", "Appointment start.", "time");
    const QCommandLineOption end("end", "Appointment end.", "time");
    const QCommandLineOption allDay("all-day", "Appointment lasts whole days.");
    const QCommandLineOption uid("uid", "Service UID, written as the appointment's global object id.", "uid");
    const QCommandLineOption noGlobalId("no-global-id",
                                        "add appointment: no global object id, as other programs write them.");
    const QCommandLineOption importance("importance", "0 low, 1 normal, 2 high.", "n");
    const QCommandLineOption modified("modified", "Last modification time to keep.", "time");
    parser.addOptions({store, publicFolders, json, subject, body, due, complete, start, end, allDay, uid, noGlobalId,
                       importance, modified});
    parser.addPositionalArgument("command", "create, list, show, add or set.");
    parser.process(app);

    if (parser.isSet(store))
        qputenv("TAMO_MAPI_STORE", QFile::encodeName(parser.value(store)));
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        parser.showHelp(2);
    const QString command = args[0];

    if (command == "create") {
        tamo::mapi::StoreFileOptions options;
        options.withPublicFolders = parser.isSet(publicFolders);
        QString error;
        if (!tamo::mapi::CreateStoreFile(tamo::mapi::DefaultStorePath(), options, &error))
            return Fail(error);
        Out() << tamo::mapi::DefaultStorePath() << "\n";
        return 0;
    }

    CMAPISync engine;
    if (engine.InitMapi() != 1)
        return Fail("can't open the store " + tamo::mapi::DefaultStorePath());

    if (command == "list")
        return List(engine, args.size() > 1 ? args.mid(1) : QStringList({"tasks", "calendar"}));

    if (command == "show") {
        CMAPIMessage message;
        if (args.size() < 2 || !OpenEntry(engine, args[1], message))
            return Fail("no such item");
        PrintProperties(message.GetMessageW(), Out());
        return 0;
    }

    if (command == "add" || command == "set") {
        QJsonObject values;
        if (parser.isSet(json)) {
            QFile file;
            const bool opened = parser.value(json) == "-" ? file.open(stdin, QIODevice::ReadOnly)
                                                          : (file.setFileName(parser.value(json)), file.open(QIODevice::ReadOnly));
            if (!opened)
                return Fail("can't read " + parser.value(json));
            QJsonParseError error;
            const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
            if (!doc.isObject())
                return Fail("not a JSON object: " + error.errorString());
            values = doc.object();
        }
        const std::pair<const QCommandLineOption*, const char*> texts[] = {
            {&subject, "subject"}, {&body, "body"}, {&due, "due"}, {&start, "start"},
            {&end, "end"}, {&uid, "uid"}, {&modified, "modified"}};
        for (const auto& [option, key] : texts)
            if (parser.isSet(*option))
                values[key] = parser.value(*option);
        if (parser.isSet(complete))
            values["complete"] = true;
        if (parser.isSet(allDay))
            values["allDay"] = true;
        if (parser.isSet(noGlobalId))
            values["globalId"] = false;
        if (parser.isSet(importance))
            values["importance"] = parser.value(importance).toInt();

        CMAPIMessage message;
        IMessage* msg = nullptr;
        ItemKind kind = ItemKind::Task;
        if (command == "add") {
            if (args.size() < 2 || (args[1] != "task" && args[1] != "appointment"))
                return Fail("add task or add appointment");
            kind = args[1] == "task" ? ItemKind::Task : ItemKind::Appointment;
            IMAPIFolder* folder = engine.m_outlook.OpenSpecialFolder(kind == ItemKind::Task ? PR_IPM_TASK_ENTRYID
                                                                                             : PR_IPM_APPOINTMENT_ENTRYID);
            if (!folder || FAILED(folder->CreateMessage(nullptr, 0, &msg)))
                return Fail("can't create the item");
            message.Attach(msg);
            msg->Release();
        } else {
            if (args.size() < 2 || !OpenEntry(engine, args[1], message))
                return Fail("no such item");
            msg = message.GetMessageW();
            kind = engine.GetPropVal(msg, PR_MESSAGE_CLASS_W, false, PROPSET_NONE).startsWith("IPM.Appointment")
                       ? ItemKind::Appointment
                       : ItemKind::Task;
        }
        QString error;
        if (!ApplyItemValues(message.GetMessageW(), kind, values, command == "add", &error))
            return Fail(error);
        if (FAILED(message.GetMessageW()->SaveChanges(KEEP_OPEN_READWRITE)))
            return Fail("the save failed");
        Out() << engine.GetPropVal(message.GetMessageW(), PR_ENTRYID, false, PROPSET_NONE) << "\n";
        return 0;
    }
    return Fail("unknown command " + command);
}
