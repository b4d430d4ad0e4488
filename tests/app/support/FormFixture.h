#pragma once

#include "Form1.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"

#include <QString>
#include <memory>
#include <string>

// A main window started as if its executable lay in a fresh folder, with scripted dialogs.
class TFormFixture {
public:
    TFormFixture();

    QString ExecutablePath() const;
    std::string SettingsPath() const;
    // Writes the settings file that the next Start() reads (CR LF line ends added to each "\n").
    void WriteSettings(const std::string& lines) const;
    std::string SettingsText() const;
    // Creates the window (running start-up); a previous one is closed without saving first.
    template <class TForm = TForm1>
    TForm& Start()
    {
        Form.reset();
        Form = std::make_unique<TForm>(Dialogs, ExecutablePath());
        return static_cast<TForm&>(*Form);
    }
    // Runs the close path; true when the window closed.
    bool Close();

    testsupport::TempDir Folder{"kestrune-app"};
    TScriptedDialogs Dialogs;
    std::unique_ptr<TForm1> Form;
};

// Text of a settings line list with CR LF line ends.
std::string CrLf(const std::string& lines);
// Number of lines in a file (0 when it does not exist).
int LineCount(const std::string& file);
