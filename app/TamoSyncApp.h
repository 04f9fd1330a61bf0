#pragma once

#include <QString>

// The program: one copy per user session, the main window run modally for its whole life.
class CTamoSyncApp {
public:
    // What the command line may ask besides the normal start.
    struct SOptions {
        // Signs in with the saved account, writes a picture of each layout into this folder,
        // prints the folder and ends (the demo on a machine without a display).
        QString demoShots;
    };

    explicit CTamoSyncApp(SOptions options = {}) : m_options(std::move(options)) {}

    // The start-up sequence; false when the program ends (always, once the window has closed).
    bool InitInstance();
    // The exit code.
    int ExitInstance() { return 1; }

private:
    SOptions m_options;
};
