#pragma once

#include <QString>
#include <QVariant>
#include <QWebEnginePage>

#include "base/EventWait.h"

namespace tamo::test {

// Events run until the condition holds; 15 s at most.
template <typename Pred>
bool WaitFor(Pred condition, int milliseconds = 15000)
{
    return WaitUntil(condition, milliseconds);
}

// The value of a script run in the page's main world (invalid when it did not answer in time).
inline QVariant EvalScript(QWebEnginePage* page, const QString& script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    WaitFor([&] { return done; });
    return result;
}

// Waits until the script's value is true.
inline bool WaitScript(QWebEnginePage* page, const QString& script, int milliseconds = 15000)
{
    return WaitFor([&] { return EvalScript(page, script).toBool(); }, milliseconds);
}

}  // namespace tamo::test
