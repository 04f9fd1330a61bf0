#pragma once

#include <functional>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "syncui/HelpBox.h"

namespace tamo::test {

// Calls back once for every modal window that comes up (also nested ones), from a timer, so
// the callback may start further modal loops through a zero timer of its own.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> fn) : m_fn(std::move(fn))
    {
        m_timer.setInterval(15);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w->property("tamoSeenByTest").toBool())
                return;
            w->setProperty("tamoSeenByTest", true);
            m_fn(w);
        });
        m_timer.start();
    }

private:
    std::function<void(QWidget*)> m_fn;
    QTimer m_timer;
};

// Records the message boxes of the sync windows and answers each with OK.
class BoxRecorder {
public:
    BoxRecorder()
    {
        m_before = SetHelpBoxHook([this](const SHelpBox& box) {
            boxes.push_back(box);
            return 1;
        });
    }
    ~BoxRecorder() { SetHelpBoxHook(std::move(m_before)); }
    std::vector<SHelpBox> boxes;

private:
    HelpBoxHook m_before;
};

}  // namespace tamo::test
