#include "WindowFixture.h"

#include "LazyTab.h"

#include <fstream>
#include <sstream>

using namespace kestrune::app;

WindowFixture::WindowFixture() = default;

QString WindowFixture::executablePath() const { return QString::fromStdString(folder.File("kestrune")); }

std::string WindowFixture::settingsPath() const { return folder.File("kestrune.ini"); }

void WindowFixture::writeSettings(const std::string& lines) const { folder.Write("kestrune.ini", crLf(lines)); }

std::string WindowFixture::settingsText() const
{
    std::ifstream in(settingsPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WindowFixture::close() { return window->close(); }

void buildEveryTab(kestrune::app::MainWindow& window)
{
    for (const kestrune::app::LazyTab* tab : window.findChildren<kestrune::app::LazyTab*>())
        tab->ensureBuilt();
}

std::string crLf(const std::string& lines)
{
    std::string text;
    for (char c : lines) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

int lineCount(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    int count = 0;
    std::string line;
    while (std::getline(in, line))
        ++count;
    return count;
}
