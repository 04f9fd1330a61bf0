#pragma once

class QWebEngineProfile;

// The program's one web profile, shared by the main view, the detail pop-up and the browser
// windows: off the record (cache and cookies in memory, nothing of the session on disk), with
// window.external in every frame, and its cookies kept in step with the HTTP client's store of
// the default session in both directions. Created on first use; needs a QApplication.
QWebEngineProfile* TamoWebProfile();

// Hands the HTTP client's cookies that the profile does not have yet to it. Every load the
// program starts calls it first; the profile's own cookies reach the HTTP client as they are set.
void PushCookiesToWeb();

// Ends the session in both stores: every cookie of the profile and of the HTTP client goes.
void ForgetCookies();
