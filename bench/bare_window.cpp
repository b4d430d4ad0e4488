// The peer of the window figures: an empty QMainWindow of the window's design size with the same start-up probe.
// With the argument "label" it shows one line of text, the least a window with anything to say pays for fonts.
#include "StartupProbe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <cstring>

using namespace kestrune::app;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(600, 500);
    if (argc > 1 && std::strcmp(argv[1], "label") == 0) {
        // The offscreen platform says on every start that it cannot pass size hints on; nothing to see here.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        window.setCentralWidget(new QLabel(QStringLiteral("Kestrune"), &window));
    }
    installStartupProbe(window);
    window.show();
    return application.exec();
}
