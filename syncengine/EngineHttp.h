#pragma once

#include <QString>

// The engine's requests to the calendar service, each on a fresh CHttpClient on the default
// session: Open, Send (a GET with nothing, a POST with the form header and the body in the ANSI
// code page), then the whole answer decoded as UTF-8. An empty answer counts as a failure.
namespace enginehttp {

enum class Step { Done, Open, Send, Empty };

struct Answer {
    Step step = Step::Open;  // the step that failed, or Done
    QString text;
    unsigned status = 0;     // HTTP status, for the log; not checked by the callers
    bool Ok() const { return step == Step::Done; }
};

// The calendar service's base address + path ("/sync/export_todo", "/todos/12", ...).
QString CalendarUrl(const QString& path);

[[nodiscard]] Answer Get(const QString& url);
// body: "todo[title]=...&..." with values already URL-encoded.
[[nodiscard]] Answer PostForm(const QString& url, const QString& body);

}  // namespace enginehttp
