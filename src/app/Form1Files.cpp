#include "Form1.h"

#include "DataFile.h"
#include "FileDialogPresets.h"
#include "LogFile.h"
#include "SpinEdit.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <ctime>

namespace {

// The abbreviated day and month names of the user's locale.
TDateNames LocaleDateNames()
{
    const QLocale locale; // the system locale unless the program chose another
    TDateNames names;
    // Sunday first, as the C library counts days; Qt counts Monday as 1 and Sunday as 7.
    for (int day = 0; day < 7; ++day)
        names.ShortDayNames[static_cast<std::size_t>(day)] =
            Bytes(locale.dayName(day == 0 ? 7 : day, QLocale::ShortFormat));
    for (int month = 1; month <= 12; ++month)
        names.ShortMonthNames[static_cast<std::size_t>(month - 1)] =
            Bytes(locale.monthName(month, QLocale::ShortFormat));
    return names;
}

int LogStep(int value)
{
    if (value >= 0 && value < 100)
        return 1;
    if (value >= 100 && value < 1000)
        return 10;
    if (value >= 1000 && value < 10000)
        return 100;
    return 200;
}

} // namespace

void TForm1::WriteDataFile(QObject* Sender)
{
    if (!cbSaveIP->isChecked() && Sender != btnLocalTest)
        return;
    ::WriteDataFile(Bytes(edSaveIP->text()), Bytes(Panel1->text()));
}

void TForm1::WriteLog()
{
    if (!cbLog->isChecked())
        return;
    const std::string entry = FormatLogEntry(std::time(nullptr), LocaleDateNames(), Bytes(Panel1->text()));
    ::WriteLog(Bytes(edLog->text()), entry, SpinEdit2->Value());
}

void TForm1::btnLocalTestClick() { WriteDataFile(btnLocalTest); }

void TForm1::btnSaveIPClick()
{
    SaveDialog1 = PresetFromBox(SaveDialog1, edSaveIP->text(), QStringLiteral("untitled"), executablePath_);
    if (const std::optional<QString> chosen = dialogs_.SaveFileName(SaveDialog1))
        edSaveIP->setText(*chosen);
}

void TForm1::btnSaveLogClick()
{
    SaveDialog1 = PresetFromBox(SaveDialog1, edLog->text(), QStringLiteral("untitled"), executablePath_);
    if (const std::optional<QString> chosen = dialogs_.SaveFileName(SaveDialog1))
        edLog->setText(*chosen);
}

void TForm1::SpinEdit2Change() { SpinEdit2->SetIncrement(LogStep(SpinEdit2->Value())); }
