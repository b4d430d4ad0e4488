#include "FormFixture.h"

#include <fstream>
#include <sstream>

TFormFixture::TFormFixture() = default;

QString TFormFixture::ExecutablePath() const { return QString::fromStdString(Folder.File("kestrune")); }

std::string TFormFixture::SettingsPath() const { return Folder.File("kestrune.ini"); }

void TFormFixture::WriteSettings(const std::string& lines) const { Folder.Write("kestrune.ini", CrLf(lines)); }

std::string TFormFixture::SettingsText() const
{
    std::ifstream in(SettingsPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool TFormFixture::Close() { return Form->close(); }

std::string CrLf(const std::string& lines)
{
    std::string text;
    for (char c : lines) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

int LineCount(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    int count = 0;
    std::string line;
    while (std::getline(in, line))
        ++count;
    return count;
}
