#pragma once

#include <QByteArray>
#include <QString>

class CWebBrowser;

// Opens a page of the services in a browser window of the program, in front. Signed in, the
// window first loads the calendar service's blank page and is then handed the session: a POST
// of the hand-over form to the login service, which sets the session's cookies and sends the
// window on to the URL. Signed out, it opens the URL directly. False when no window could be
// made or the services are not configured.
bool OpenServicePage(const QString& url, bool signedIn, const QString& keptCookie);

// The hand-over form: "url=" and the URL, then HM_CU, TS, HTS, PROF and HIP from the kept
// session cookie, each only when present and not empty; every value escaped.
QByteArray HandOverBody(const QString& url, const QString& keptCookie);
